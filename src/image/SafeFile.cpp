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

std::string Describe(const QString& action, const QString& path, const QString& reason) {
    return QStringLiteral("Cannot %1 %2: %3")
        .arg(action, QDir::toNativeSeparators(path), reason)
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

// Writes every byte to the open temporary file; returns the reason of a failure.
QString WriteBlocks(QFile& file, const QString& tempPath, const QByteArray& bytes) {
    std::int64_t offset = 0;
    const std::int64_t total = bytes.size();
    while (offset < total) {
        const std::int64_t length = std::min(BlockSize, total - offset);
        std::int64_t accepted = length;
        if (Hook())
            accepted = std::clamp<std::int64_t>(Hook()(tempPath, offset, length), 0, length);
        if (accepted > 0 && file.write(bytes.constData() + offset, accepted) != accepted)
            return file.errorString();
        if (accepted < length) return QString::fromLocal8Bit(std::strerror(ENOSPC));
        offset += length;
    }
    if (!file.flush()) return file.errorString();
    if (!SyncToDisk(file)) return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

} // namespace

void SafeFile::Write(const QString& target, const QByteArray& bytes) {
    Write(target, UniqueTempPath(target), bytes);
}

void SafeFile::Write(const QString& target, const QString& tempPath, const QByteArray& bytes) {
    // A stale temporary file (or a link planted under its name) is removed rather than
    // written through, so the new file is always one this call created.
    if (QFileInfo(tempPath).isSymLink() || QFileInfo::exists(tempPath)) QFile::remove(tempPath);

    QFile file(tempPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw EInOutError(Describe(QStringLiteral("create"), tempPath, file.errorString()));

    const QString reason = WriteBlocks(file, tempPath, bytes);
    file.close();
    if (!reason.isEmpty()) {
        QFile::remove(tempPath);
        throw EInOutError(Describe(QStringLiteral("write"), tempPath, reason));
    }

    // A replaced file keeps its permissions.
    if (QFileInfo(target).isFile()) QFile::setPermissions(tempPath, QFile::permissions(target));

    std::error_code error;
    std::filesystem::rename(std::filesystem::path(tempPath.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), error);
    if (error) {
        QFile::remove(tempPath);
        throw EInOutError(
            Describe(QStringLiteral("replace"), target, QString::fromStdString(error.message())));
    }
    SyncFolder(QFileInfo(target).absolutePath());
}

SafeFile::WriteHook SafeFile::SetWriteHook(WriteHook hook) {
    return std::exchange(Hook(), std::move(hook));
}
