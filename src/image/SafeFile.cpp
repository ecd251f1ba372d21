#include "image/SafeFile.h"

#include "image/ImageErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#if defined(Q_OS_WIN)
#include <io.h>
#else
#include <fcntl.h>
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
        .arg(QDir::toNativeSeparators(path), reason)
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
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

QString UniqueTempPath(const QString& target) {
    const QFileInfo info(target);
    const QString name =
        QStringLiteral(".%1.%2.tmp")
            .arg(info.fileName())
            .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    return info.dir().filePath(name);
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

// Writes every byte to the open temporary file; returns the reason of a failure.
QString WriteBlocks(QFile& file, const QString& tempPath, const QByteArray& bytes) {
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
    if (!SyncToDisk(file)) return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

// A file nobody may write is not replaced: the rename would go over it without asking,
// where deleting it first fails on some systems. The permission bits are read as well as
// asked about, since the system lets the superuser write anything.
bool MayBeReplaced(const QFileInfo& target) {
    // (Qt's WriteUser is the system's answer again, so it is not among them.)
    constexpr QFile::Permissions writeBits =
        QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !target.isFile() || (target.isWritable() && (target.permissions() & writeBits));
}

} // namespace

void SafeFile::Write(const QString& target, const QByteArray& bytes) {
    Write(target, UniqueTempPath(target), bytes);
}

// Every message names the target: the temporary file is nothing the user asked for.
void SafeFile::Write(const QString& target, const QString& tempPath, const QByteArray& bytes) {
    if (!MayBeReplaced(QFileInfo(target)))
        throw EInOutError(Describe(target, QString::fromLocal8Bit(std::strerror(EACCES))));

    // A stale temporary file (or a link planted under its name) is removed rather than
    // written through, so the new file is always one this call created.
    if (QFileInfo(tempPath).isSymLink() || QFileInfo::exists(tempPath)) QFile::remove(tempPath);

    QFile file(tempPath);
    // Unbuffered: the blocks are large, and each write's failure is then that write's.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        throw EInOutError(Describe(target, file.errorString()));

    const QString reason = WriteBlocks(file, tempPath, bytes);
    file.close();
    if (!reason.isEmpty()) {
        QFile::remove(tempPath);
        throw EInOutError(Describe(target, reason));
    }

    // A replaced file keeps its permissions.
    if (QFileInfo(target).isFile()) QFile::setPermissions(tempPath, QFile::permissions(target));

    std::error_code error;
    std::filesystem::rename(std::filesystem::path(tempPath.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), error);
    if (error) {
        QFile::remove(tempPath);
        throw EInOutError(Describe(target, QString::fromStdString(error.message())));
    }
    SyncFolder(QFileInfo(target).absolutePath());
}

SafeFile::WriteHook SafeFile::SetWriteHook(WriteHook hook) {
    return std::exchange(Hook(), std::move(hook));
}
