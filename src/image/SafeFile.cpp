#include "image/SafeFile.h"

#include "image/FileNames.h"
#include "image/ImageErrors.h"
#include "image/SystemFiles.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#if defined(Q_OS_WIN)
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr std::int64_t BlockSize = 64 * 1024;

SafeFile::WriteHook& Hook() {
    static SafeFile::WriteHook hook;
    return hook;
}

std::string Describe(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot write %1: %2")
        .arg(ReadableName(QDir::toNativeSeparators(path)), reason)
        .toStdString();
}

// Pushes the file's data to the disk, so the rename cannot expose a file whose blocks
// were never written.
bool SyncToDisk(QFile& file) {
#if defined(Q_OS_WIN)
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

// Makes the rename itself durable; a failure here does not undo the completed write.
void SyncFolder([[maybe_unused]] const QString& folder) {
#if !defined(Q_OS_WIN)
    const int fd = ::open(NameBytes(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

// The reason a write or flush failed: the system's own when it gave one, since Qt's text
// for a disk that filled up can be just "Unknown error".
QString FailureReason(const QFile& file, int systemError) {
    if (systemError != 0) return QString::fromLocal8Bit(std::strerror(systemError));
    if (file.error() != QFileDevice::NoError) return file.errorString();
    return QString::fromLocal8Bit(std::strerror(EIO));
}

// Writes all `length` bytes, going on after a short write: a file system that is filling
// up takes part of a block and says why it takes no more only when asked for the rest.
// Returns the reason of a failure, empty on success.
QString WriteAll(QFile& file, const char* data, std::int64_t length) {
    while (length > 0) {
        errno = 0;
        const qint64 written = file.write(data, length);
        if (written <= 0) return FailureReason(file, errno);
        data += written;
        length -= written;
    }
    return {};
}

// Writes every byte to the open temporary file and, unless told not to, flushes it to
// the disk; returns the reason of a failure.
QString WriteBlocks(QFile& file, const QString& tempPath, const QByteArray& bytes,
                    bool syncToDisk = true) {
    std::int64_t offset = 0;
    const std::int64_t total = bytes.size();
    while (offset < total) {
        const std::int64_t length = std::min(BlockSize, total - offset);
        std::int64_t accepted = length;
        if (Hook())
            accepted = std::clamp<std::int64_t>(Hook()(tempPath, offset, length), 0, length);
        if (accepted > 0) {
            const QString failure = WriteAll(file, bytes.constData() + offset, accepted);
            if (!failure.isEmpty()) return failure;
        }
        if (accepted < length) return QString::fromLocal8Bit(std::strerror(ENOSPC));
        offset += length;
    }
    errno = 0;
    if (!file.flush()) return FailureReason(file, errno);
    if (syncToDisk && !SyncToDisk(file)) return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

// A file nobody may write is not replaced: the rename would go over it without asking,
// where deleting it first fails on some systems. The permission bits are read as well as
// asked about, since the system lets the superuser write anything.
bool MayBeReplaced(const QString& target) {
    const QByteArray name = NameBytes(target);
    struct stat status {};
    if (::stat(name.constData(), &status) != 0 || !S_ISREG(status.st_mode)) return true;
    return ::access(name.constData(), W_OK) == 0 && (status.st_mode & 0222) != 0;
}

// What keeps `target` from being written before anything is: a file nobody may write,
// or something at the path that is no regular file (writing to a FIFO or a device may
// block or never end, and a rename would drop the node without a word).
void CheckTarget(const QString& target) {
    if (SystemFiles::IsSpecialFile(target))
        throw EInOutError(Describe(target, NotRegularFileReason()));
    if (!MayBeReplaced(target))
        throw EInOutError(Describe(target, QString::fromLocal8Bit(std::strerror(EACCES))));
}

// The written and flushed new file takes the target's place by one atomic rename; on
// failure it is removed and the target stays as it was.
void PutInPlace(const QString& target, SystemFiles::NewFile& file, DiskFlusher* flusher = nullptr) {
    QString reason;
    const bool placed = file.PutAt(target, &reason);
    file = SystemFiles::NewFile();
    if (!placed) throw EInOutError(Describe(target, reason));
    if (flusher)
        flusher->QueueFolder(FolderOfName(target));
    else
        SyncFolder(FolderOfName(target));
}

// How many staged files are held open.
std::atomic<int>& StagedOpen() {
    static std::atomic<int> count{0};
    return count;
}

// The file being written as the write hook is told it: its hidden name, or the target
// while it has none.
QString HookPath(const SystemFiles::NewFile& file, const QString& target) {
    return file.Path().isEmpty() ? target : file.Path();
}

} // namespace

// Every message names the target: the temporary file is nothing the user asked for.
void SafeFile::Write(const QString& target, const QByteArray& bytes) {
    CheckTarget(target);

    QString reason;
    SystemFiles::NewFile newFile =
        SystemFiles::NewFile::Create(FolderOfName(target), &reason);
    if (!newFile.IsValid()) throw EInOutError(Describe(target, reason));

    QFile file;
    // Unbuffered: the blocks are large, and each write's failure is then that write's.
    if (!file.open(newFile.Descriptor(), QIODevice::WriteOnly | QIODevice::Unbuffered,
                   QFileDevice::DontCloseHandle))
        throw EInOutError(Describe(target, file.errorString()));
    reason = WriteBlocks(file, HookPath(newFile, target), bytes);
    file.close();
    if (!reason.isEmpty()) throw EInOutError(Describe(target, reason)); // newFile goes with it

    PutInPlace(target, newFile);
}

StagedFile SafeFile::Stage(const QString& folder, const QByteArray& bytes,
                           const std::shared_ptr<DiskFlusher>& flusher) noexcept {
    StagedFile staged;
    try {
        if (Hook() || StagedOpen().load() >= SystemFiles::OpenFileLimit() / 4) return staged;
        const QString absolute = QDir::cleanPath(AbsoluteName(folder));
        SystemFiles::NewFile newFile = SystemFiles::NewFile::Create(absolute, nullptr);
        if (!newFile.IsValid()) return staged;
        QFile file;
        if (!file.open(newFile.Descriptor(), QIODevice::WriteOnly | QIODevice::Unbuffered,
                       QFileDevice::DontCloseHandle))
            return staged;
        const bool later = flusher != nullptr;
        bool written = WriteBlocks(file, HookPath(newFile, absolute), bytes, !later).isEmpty();
        file.close();
        if (written && later) {
            const int descriptor = ::dup(newFile.Descriptor());
            written = descriptor >= 0;
            if (written) {
                staged.flushed_ = flusher->QueueFile(descriptor);
                staged.flusher_ = flusher;
            }
        }
        if (!written) return staged;
        staged.folder_ = absolute;
        staged.file_ = std::move(newFile);
        staged.counted_ = true;
        ++StagedOpen();
        staged.bytes_ = bytes;
    } catch (...) {
        staged.Discard();
    }
    return staged;
}

void SafeFile::Commit(const QString& target, StagedFile& staged) {
    // Used up whatever happens; PutInPlace removes the new file if it cannot be placed.
    const auto usedUp = qScopeGuard([&] { staged.Discard(); });
    CheckTarget(target);
    PutInPlace(target, staged.file_, staged.flusher_.get());
}

void SafeFile::WriteOrCommit(const QString& target, const QByteArray& bytes, StagedFile* staged) {
    if (staged && staged->IsValid() && staged->Bytes() == bytes &&
        staged->Folder() == FolderOfName(target) &&
        staged->Flushed()) {
        Commit(target, *staged);
        return;
    }
    if (staged) staged->Discard();
    Write(target, bytes);
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : folder_(std::move(other.folder_)), file_(std::move(other.file_)),
      counted_(std::exchange(other.counted_, false)), bytes_(std::move(other.bytes_)),
      flusher_(std::move(other.flusher_)), flushed_(std::move(other.flushed_)) {}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
    if (this != &other) {
        Discard();
        folder_ = std::move(other.folder_);
        file_ = std::move(other.file_);
        counted_ = std::exchange(other.counted_, false);
        bytes_ = std::move(other.bytes_);
        flusher_ = std::move(other.flusher_);
        flushed_ = std::move(other.flushed_);
    }
    return *this;
}

StagedFile::~StagedFile() {
    Discard();
}

void StagedFile::Discard() {
    file_ = SystemFiles::NewFile();
    if (std::exchange(counted_, false)) --StagedOpen();
}

bool StagedFile::Flushed() const {
    return !flushed_.valid() || flushed_.get();
}

DiskFlusher::DiskFlusher() : thread_([this] { Run(); }) {}

DiskFlusher::~DiskFlusher() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_all();
    thread_.join();
}

std::shared_future<bool> DiskFlusher::QueueFile(int descriptor) {
    Item item;
    item.Descriptor = descriptor;
    std::shared_future<bool> done = item.Done.get_future().share();
    {
        std::lock_guard lock(mutex_);
        items_.push_back(std::move(item));
    }
    ready_.notify_all();
    return done;
}

void DiskFlusher::QueueFolder(const QString& folder) {
    {
        std::lock_guard lock(mutex_);
        if (std::find(folders_.begin(), folders_.end(), folder) == folders_.end())
            folders_.push_back(folder);
    }
    ready_.notify_all();
}

// Files first, in their order; the folders whenever no file waits (their renames are then
// made durable together), and everything before the thread ends.
void DiskFlusher::Run() {
    for (;;) {
        Item item;
        std::vector<QString> folders;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || !items_.empty() || !folders_.empty(); });
            if (!items_.empty()) {
                item = std::move(items_.front());
                items_.pop_front();
            } else if (!folders_.empty()) {
                folders.swap(folders_);
            } else {
                return;
            }
        }
        for (const QString& folder : folders)
            SyncFolder(folder);
        if (item.Descriptor >= 0) {
#if defined(Q_OS_WIN)
            const bool flushed = _commit(item.Descriptor) == 0;
            _close(item.Descriptor);
#else
            const bool flushed = ::fsync(item.Descriptor) == 0;
            ::close(item.Descriptor);
#endif
            item.Done.set_value(flushed);
        }
    }
}

SafeFile::WriteHook SafeFile::SetWriteHook(WriteHook hook) {
    return std::exchange(Hook(), std::move(hook));
}
