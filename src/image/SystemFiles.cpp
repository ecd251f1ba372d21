#include "image/SystemFiles.h"

#include "image/FileNames.h"

#include <QByteArray>
#include <QDir>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SystemFiles {

namespace {

// A name need not be UTF-8: the file is reached by the bytes the name came from.
QByteArray Encoded(const QString& path) {
    return NameBytes(path);
}

QString ErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString FolderOf(const QString& path) {
    return FolderOfName(path);
}

// A hidden name of the program's own in `folder`: short, so that it fits beside a name as
// long as the file system takes.
QString HiddenName(const QString& folder) {
    return QDir(folder).filePath(
        QStringLiteral(".tessaly.%1.tmp")
            .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
}

int OpenRetrying(const QByteArray& path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Links the unnamed file behind `descriptor` at `path`; fails with EEXIST when a file
// is there already.
bool LinkUnnamed(int descriptor, const QByteArray& path) {
    const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(descriptor);
    if (::linkat(AT_FDCWD, procPath.constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) ==
        0)
        return true;
    if (errno != ENOENT && errno != EACCES && errno != EPERM) return false;
    // Without /proc: naming by the descriptor itself (needs a privilege on older systems).
    return ::linkat(descriptor, "", AT_FDCWD, path.constData(), AT_EMPTY_PATH) == 0;
}

std::atomic<int> noted{0};
int wakeUp[2] = {-1, -1}; // a pipe the handler writes a byte to

void Note(int signal) {
    const int saved = errno;
    int none = 0;
    noted.compare_exchange_strong(none, signal);
    if (wakeUp[1] >= 0) {
        // A full pipe has a wake-up waiting already.
        const ssize_t written = ::write(wakeUp[1], "!", 1);
        static_cast<void>(written);
    }
    errno = saved;
}

} // namespace

std::optional<FileId> IdentityOf(const QString& path) {
    struct stat status {};
    if (path.isEmpty() || ::stat(Encoded(path).constData(), &status) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(status.st_dev),
                  static_cast<std::uint64_t>(status.st_ino)};
}

bool IsSpecialFile(const QString& path) {
    struct stat status {};
    if (path.isEmpty() || ::stat(Encoded(path).constData(), &status) != 0) return false;
    return !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

int OpenFileLimit() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur > 1 << 20)
        return 1 << 20;
    return static_cast<int>(limit.rlim_cur);
}

NewFile::NewFile(NewFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), folder_(std::move(other.folder_)),
      path_(std::exchange(other.path_, QString())) {}

NewFile& NewFile::operator=(NewFile&& other) noexcept {
    if (this != &other) {
        Release();
        descriptor_ = std::exchange(other.descriptor_, -1);
        folder_ = std::move(other.folder_);
        path_ = std::exchange(other.path_, QString());
    }
    return *this;
}

NewFile::~NewFile() {
    Release();
}

void NewFile::Release() {
    if (descriptor_ >= 0) ::close(std::exchange(descriptor_, -1));
    if (!path_.isEmpty()) ::unlink(Encoded(std::exchange(path_, QString())).constData());
}

NewFile NewFile::Create(const QString& folder, QString* reason) {
    NewFile file;
    file.folder_ = QDir::cleanPath(AbsoluteName(folder));
#ifdef O_TMPFILE
    file.descriptor_ = OpenRetrying(Encoded(file.folder_), O_TMPFILE | O_WRONLY, 0666);
    if (file.IsValid()) return file;
    // Only a file system without unnamed files gets a named one; any other failure
    // (no folder, no permission, no room) is the write's failure.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        if (reason) *reason = ErrorText(errno);
        return file;
    }
#endif
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = HiddenName(file.folder_);
        file.descriptor_ = OpenRetrying(Encoded(path), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (file.IsValid()) {
            file.path_ = path;
            return file;
        }
        if (errno != EEXIST) break;
    }
    if (reason) *reason = ErrorText(errno);
    return file;
}

bool NewFile::PutAt(const QString& target, QString* reason) {
    const QByteArray targetPath = Encoded(target);
    struct stat status {};
    const bool replacing = ::stat(targetPath.constData(), &status) == 0;
    // A replaced file keeps its permissions.
    if (replacing && S_ISREG(status.st_mode)) ::fchmod(descriptor_, status.st_mode & 07777);

    if (path_.isEmpty()) {
        // A new name can be the file's own at once; an existing one is replaced through a
        // hidden name and one rename, so the target is never missing.
        if (!replacing && LinkUnnamed(descriptor_, targetPath)) return true;
        if (!replacing && errno != EEXIST) {
            if (reason) *reason = ErrorText(errno);
            return false;
        }
        for (int attempt = 0; path_.isEmpty() && attempt < 100; ++attempt) {
            const QString hidden = HiddenName(FolderOf(target));
            if (LinkUnnamed(descriptor_, Encoded(hidden)))
                path_ = hidden;
            else if (errno != EEXIST)
                break;
        }
        if (path_.isEmpty()) {
            if (reason) *reason = ErrorText(errno);
            return false;
        }
    }
    if (::rename(Encoded(path_).constData(), targetPath.constData()) != 0) {
        const int error = errno;
        ::unlink(Encoded(std::exchange(path_, QString())).constData());
        if (reason) *reason = ErrorText(error);
        return false;
    }
    path_.clear();
    return true;
}

FolderLock::FolderLock(const QString& folder) {
    descriptor_ = OpenRetrying(Encoded(folder.isEmpty() ? QStringLiteral(".") : folder),
                               O_RDONLY | O_DIRECTORY);
    if (descriptor_ < 0) return; // the write that follows says what is wrong
    while (::flock(descriptor_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

FolderLock::~FolderLock() {
    if (descriptor_ >= 0) ::close(descriptor_); // closing releases the lock
}

void CatchInterrupts() {
    if (wakeUp[0] < 0 && ::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0) wakeUp[0] = wakeUp[1] = -1;
    struct sigaction action {};
    action.sa_handler = Note;
    sigemptyset(&action.sa_mask);
    // Calls under way go on: the run stops at its next step, not in the middle of a write.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

int InterruptDescriptor() {
    return wakeUp[0];
}

int InterruptSignal() {
    return noted.load();
}

int InterruptExitStatus(int signal) {
    return 128 + signal;
}

QString SignalText(int signal) {
    switch (signal) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("signal %1").arg(signal);
    }
}

} // namespace SystemFiles
