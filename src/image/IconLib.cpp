#include "image/IconLib.h"

#include "image/IconLayout.h"
#include "image/ImageErrors.h"
#include "image/SafeFile.h"
#include "image/SystemFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <vector>

namespace {

const char* const CannotOpen = "Cannot open icon file";
const char* const NotValid = "Icon file is not valid";

std::string Describe(const QString& action, const QString& path, const QString& reason) {
    return QStringLiteral("Cannot %1 %2: %3")
        .arg(action, QDir::toNativeSeparators(path), reason)
        .toStdString();
}

// Opens the file for reading without waiting in open() and only when it is a regular
// file: a FIFO or a device could block the run or feed it without end.
void OpenRegular(QFile& file, const QString& fileName) {
    QString reason;
    const int descriptor = SystemFiles::OpenForReading(fileName, &reason);
    if (descriptor < 0 ||
        !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (descriptor >= 0) reason = file.errorString();
        throw EInOutError(Describe(QStringLiteral("open"), fileName, reason));
    }
}

// Reads up to `length` bytes at `offset`; fewer when the file ends first.
QByteArray ReadUpTo(QFile& file, std::int64_t offset, std::int64_t length) {
    if (offset < 0 || !file.seek(offset)) return {};
    return file.read(length);
}

QByteArray ReadExactly(QFile& file, std::int64_t offset, std::int64_t length) {
    QByteArray bytes = ReadUpTo(file, offset, length);
    if (bytes.size() != length) throw EInvalidIcon(NotValid);
    return bytes;
}

std::span<const std::uint8_t> Bytes(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

} // namespace

std::int32_t ReadIconImage(const QString& fileName, std::int32_t index, TPxlMap& colorMap,
                           TPxlMap& maskMap) {
    return ReadIconImage(fileName, index, colorMap, maskMap, nullptr);
}

std::int32_t ReadIconImage(const QString& fileName, std::int32_t index, TPxlMap& colorMap,
                           TPxlMap& maskMap, QString* refusal) {
    if (refusal) refusal->clear();
    const auto refuse = [&](const QString& why) {
        if (refusal) *refusal = why;
    };
    const QFileInfo info(fileName);
    if (!info.exists() || info.isDir()) throw EInvalidIcon(CannotOpen);
    QFile file;
    OpenRegular(file, fileName);

    const QByteArray header = ReadExactly(file, 0, IconLayout::HeaderSize);
    // Reserved 0 and resource type 1 are what makes the file an icon file; anything else
    // (a cursor, or bytes that only happen to be long enough) is not read as one.
    if (IconLayout::Word(Bytes(header), 0) != 0 || IconLayout::Word(Bytes(header), 2) != 1)
        throw EInvalidIcon(NotValid);
    const std::int32_t count = static_cast<std::int32_t>(IconLayout::Word(Bytes(header), 4));
    // A directory that runs past the end of the file, or an image it does not list, is
    // not trusted for anything.
    const std::int64_t directoryEnd =
        IconLayout::HeaderSize + std::int64_t{IconLayout::EntrySize} * count;
    if (index < 0 || index >= count || directoryEnd > file.size()) throw EInvalidIcon(NotValid);
    const QByteArray entry =
        ReadExactly(file, IconLayout::HeaderSize + std::int64_t{IconLayout::EntrySize} * index,
                    IconLayout::EntrySize);
    const std::int64_t resourceSize = IconLayout::Long(Bytes(entry), 8);
    const std::int64_t imageOffset = IconLayout::Long(Bytes(entry), 12);
    const QByteArray infoHeader = ReadExactly(file, imageOffset, IconLayout::InfoHeaderSize);
    const auto bmi = Bytes(infoHeader);

    colorMap.Clear();
    maskMap.Clear();
    const auto width = static_cast<std::int32_t>(IconLayout::Long(bmi, 4));
    const std::int32_t bitCount = bmi[14];
    const std::int64_t infoSize = IconLayout::Long(bmi, 0);
    const std::int64_t compression = IconLayout::Long(bmi, 16);
    // An image the maps cannot hold leaves both maps empty; the caller finds out when it
    // uses them. Besides other depths and widths above 100 that is a compressed image
    // (run-length or PNG data read as plain rows would be noise), an info header too
    // short to hold the fields read here, and a picture that is not square (its height
    // is half the info header's, which stacks the colour image and the mask). So is an
    // image whose directory entry gives fewer bytes than its info header alone has. (A
    // count beyond the end of the file is not refused: a file whose mask is cut short
    // still reads, with the missing part opaque.)
    const std::int64_t stackedHeight = static_cast<std::int32_t>(IconLayout::Long(bmi, 8));
    if (infoHeader.startsWith("\x89PNG")) {
        refuse(QStringLiteral("a PNG image"));
        return count;
    }
    if (infoSize < IconLayout::InfoHeaderSize || infoSize > IconLayout::MaxInfoHeaderSize ||
        resourceSize < IconLayout::InfoHeaderSize || width <= 0) {
        refuse(QStringLiteral("damaged"));
        return count;
    }
    if (compression != 0) {
        refuse(QStringLiteral("a compressed image"));
        return count;
    }
    if (stackedHeight != 2 * std::int64_t{width}) {
        refuse(QStringLiteral("not square"));
        return count;
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8) {
        refuse(QStringLiteral("a %1-bit image").arg(bitCount));
        return count;
    }
    // A palette said to hold more colours than the depth can index is no sound image.
    const std::int64_t colorsUsed = IconLayout::Long(bmi, 32);
    if (!colorMap.NewImage(width, width, bitCount)) {
        refuse(QStringLiteral("%1 pixels wide (at most 100 are taken)").arg(width));
        return count;
    }
    if (colorsUsed > TPxlMap::ColorCount(bitCount)) {
        colorMap.Clear();
        refuse(QStringLiteral("damaged"));
        return count;
    }
    maskMap.NewImage(width, width, 1);

    // A file that ends too early leaves no half-read picture behind.
    try {
        // Colours used, when a writer gives it, says how many palette entries are stored.
        const std::int64_t colors = TPxlMap::ColorCount(bitCount);
        const std::int64_t entries = colorsUsed > 0 && colorsUsed < colors ? colorsUsed : colors;
        const std::int64_t paletteStart = imageOffset + infoSize;
        QByteArray palette = ReadExactly(file, paletteStart, entries * 4);
        palette.append(QByteArray((colors - entries) * 4, '\0'));
        colorMap.ImportPalette(Bytes(palette));
        static const std::uint8_t maskPalette[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
        maskMap.ImportPalette(maskPalette);

        // The image-size field is not trusted (often 0, or counting only the colour bits):
        // the picture's own size says how much follows. A mask cut short reads as opaque.
        const std::int64_t colorBytes = colorMap.PackedSize();
        const std::int64_t maskBytes = maskMap.PackedSize();
        QByteArray bits = ReadUpTo(file, paletteStart + entries * 4, colorBytes + maskBytes);
        if (bits.size() < colorBytes) throw EInvalidIcon(NotValid);
        bits.append(QByteArray(colorBytes + maskBytes - bits.size(), '\0'));
        colorMap.ImportBits(Bytes(bits));
        maskMap.ImportBits(Bytes(bits).subspan(static_cast<std::size_t>(colorBytes)));
    } catch (...) {
        colorMap.Clear();
        maskMap.Clear();
        throw;
    }
    return count;
}

void WriteIconImage(const QString& fileName, std::int32_t index, const TPxlMap& colorMap,
                    const TPxlMap& maskMap) {
    if (!IconLayout::CanWrite(colorMap, maskMap)) return;

    // Another run appending to an icon file in this folder waits until this one has put
    // its file in place, and then reads what this one wrote.
    const SystemFiles::FolderLock lock(QFileInfo(fileName).absolutePath());
    const QFileInfo info(fileName);
    QByteArray existing;
    const bool exists = info.exists() && !info.isDir();
    if (exists && SystemFiles::IsSpecialFile(fileName))
        throw EInOutError(
            Describe(QStringLiteral("write"), fileName, SystemFiles::NotRegularReason()));
    if (exists) {
        QFile file;
        OpenRegular(file, fileName);
        existing = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw EInOutError(Describe(QStringLiteral("read"), fileName, file.errorString()));
        if (existing.size() < IconLayout::HeaderSize) throw EInvalidIcon(NotValid);
    }

    const QByteArray content =
        IconLayout::Rebuild(existing, exists, index, colorMap, maskMap, fileName);
    SafeFile::Write(fileName, content);
}
