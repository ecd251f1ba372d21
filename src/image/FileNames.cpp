#include "image/FileNames.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#if defined(Q_OS_WIN)
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscapedByte(char16_t unit) {
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

// The length of the valid UTF-8 sequence at `at` (1 to 4), or 0 when there is none:
// no overlong forms, no encoded surrogates, nothing above U+10FFFF.
int SequenceLength(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > bytes.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (int i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    return length;
}

} // namespace

QString NameFromBytes(const QByteArray& bytes) {
#if defined(Q_OS_WIN)
    return QFile::decodeName(bytes);
#else
    QString name;
    qsizetype runStart = 0;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const int length = SequenceLength(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + runStart, at - runStart);
        name += QChar(kEscapeBase + static_cast<unsigned char>(bytes[at]));
        runStart = ++at;
    }
    if (runStart == 0) return QString::fromUtf8(bytes);
    name += QString::fromUtf8(bytes.constData() + runStart, at - runStart);
    return name;
#endif
}

QByteArray NameBytes(const QString& name) {
#if defined(Q_OS_WIN)
    return QFile::encodeName(name);
#else
    QByteArray bytes;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        // A low surrogate after a high one is half of a character, not an escaped byte.
        if (!IsEscapedByte(unit) || (i > 0 && name[i - 1].isHighSurrogate())) continue;
        bytes += QStringView(name).mid(runStart, i - runStart).toUtf8();
        bytes += static_cast<char>(unit - kEscapeBase);
        runStart = i + 1;
    }
    if (runStart == 0) return name.toUtf8();
    bytes += QStringView(name).mid(runStart).toUtf8();
    return bytes;
#endif
}

QString ReadableName(const QString& text) {
    QString readable = text;
    for (qsizetype i = 0; i < readable.size(); ++i) {
        const char16_t unit = readable[i].unicode();
        if (!IsEscapedByte(unit) || (i > 0 && readable[i - 1].isHighSurrogate())) continue;
        const char16_t byte = unit - kEscapeBase;
        readable[i] = byte >= 0xA0 ? QChar(byte) : QChar(QChar::ReplacementCharacter);
    }
    return readable;
}

QString AbsoluteName(const QString& name) {
    if (name.isEmpty() || QDir::isAbsolutePath(name)) return name;
#if defined(Q_OS_WIN)
    const QString current = QDir::currentPath();
#else
    QByteArray buffer(4096, '\0');
    while (::getcwd(buffer.data(), static_cast<std::size_t>(buffer.size())) == nullptr) {
        if (errno != ERANGE) return QDir::current().absoluteFilePath(name);
        buffer.resize(buffer.size() * 2);
    }
    const QString current = NameFromBytes(QByteArray(buffer.constData()));
#endif
    return current.endsWith(QLatin1Char('/')) ? current + name : current + QLatin1Char('/') + name;
}

QString FolderOfName(const QString& name) {
    const QString absolute = QDir::cleanPath(AbsoluteName(name));
    const qsizetype slash = absolute.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : absolute.left(slash);
}

bool OpenForReading(QFile& file, const QString& name, QString* reason, int* error) {
#if defined(Q_OS_WIN)
    file.setFileName(name);
    if (file.open(QIODevice::ReadOnly)) return true;
    if (reason) *reason = file.errorString();
    if (error) *error = EIO;
    return false;
#else
    const auto fail = [&](int failure, const QString& text) {
        if (reason) *reason = text;
        if (error) *error = failure;
        return false;
    };
    // Never waits in open() (a FIFO without a writer would), and takes regular files
    // only: a FIFO or a device could block the reading or feed it without end.
    int descriptor;
    do {
        descriptor = ::open(NameBytes(name).constData(),
                            O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        const int failure = errno;
        return fail(failure, QString::fromLocal8Bit(std::strerror(failure)));
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        const bool folder = S_ISDIR(status.st_mode);
        ::close(descriptor);
        return folder ? fail(EISDIR, QString::fromLocal8Bit(std::strerror(EISDIR)))
                      : fail(EINVAL, NotRegularFileReason());
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    if (file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) return true;
    ::close(descriptor);
    return fail(EIO, file.errorString());
#endif
}

QString NotRegularFileReason() {
    return QStringLiteral("not a regular file");
}

#if defined(Q_OS_WIN)
bool IsFileNamed(const QString& name) {
    return QFileInfo(name).isFile();
}

bool ExistsNamed(const QString& name) {
    return QFileInfo::exists(name);
}

bool IsFolderNamed(const QString& name) {
    return QFileInfo(name).isDir();
}
#else
namespace {

// The type bits of what the name (by its bytes, links followed) stands for; 0 for nothing.
mode_t TypeNamed(const QString& name) {
    struct stat info {};
    return ::stat(NameBytes(name).constData(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

} // namespace

bool IsFileNamed(const QString& name) {
    return TypeNamed(name) == S_IFREG;
}

bool ExistsNamed(const QString& name) {
    return TypeNamed(name) != 0;
}

bool IsFolderNamed(const QString& name) {
    return TypeNamed(name) == S_IFDIR;
}
#endif
