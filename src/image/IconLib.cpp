#include "image/IconLib.h"

#include "image/FileNames.h"
#include "image/IconLayout.h"
#include "image/ImageErrors.h"
#include "image/PngCheck.h"
#include "image/SafeFile.h"
#include "image/SystemFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>

#include <cstring>

namespace {

const char* const CannotOpen = "Cannot open icon file";
const char* const NotValid = "Icon file is not valid";

std::string Describe(const QString& action, const QString& path, const QString& reason) {
    return QStringLiteral("Cannot %1 %2: %3")
        .arg(action, ReadableName(QDir::toNativeSeparators(path)), reason)
        .toStdString();
}

// Opens the file for reading without waiting in open() and only when it is a regular
// file: a FIFO or a device could block the run or feed it without end.
void OpenRegular(QFile& file, const QString& fileName) {
    if (QString reason; !OpenForReading(file, fileName, &reason))
        throw EInOutError(Describe(QStringLiteral("open"), fileName, reason));
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

// Where image `index` of an icon file lies, with the file's image count.
struct TImageEntry {
    std::int32_t Count;
    std::int64_t ResourceSize;
    std::int64_t Offset;
};

// `file` must have no name set: it is opened by the name's bytes.
TImageEntry OpenImage(QFile& file, const QString& fileName, std::int32_t index) {
    if (!ExistsNamed(fileName) || IsFolderNamed(fileName)) throw EInvalidIcon(CannotOpen);
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
    return {count, IconLayout::Long(Bytes(entry), 8), IconLayout::Long(Bytes(entry), 12)};
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
    QFile file;
    const TImageEntry found = OpenImage(file, fileName, index);
    const std::int32_t count = found.Count;
    const std::int64_t resourceSize = found.ResourceSize;
    const std::int64_t imageOffset = found.Offset;
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
        refuse(QStringLiteral("%1 pixels wide (at most 256 are taken)").arg(width));
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

namespace {

// The AND mask rows of a width x height bitmap image, as a pixel map when one holds it.
void ImportMask(TPxlMap& maskMap, std::int32_t width, std::int32_t height, const QByteArray& bits) {
    maskMap.Clear();
    if (!maskMap.NewImage(width, height, 1)) return;
    static const std::uint8_t maskPalette[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
    maskMap.ImportPalette(maskPalette);
    maskMap.ImportBits(Bytes(bits));
}

// A PNG-coded image: its own header gives the size, and the decoder reads from a bounded
// copy of the rest of the file (it stops at the image's end).
QImage ReadPngImage(QFile& file, std::int64_t offset, QString& refusal) {
    const QByteArray data = ReadUpTo(file, offset, MaxIconPngBytes);
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    if (!PngDamage(buffer).isEmpty()) {
        refusal = QStringLiteral("damaged");
        return {};
    }
    buffer.seek(0);
    QImageReader reader(&buffer, "PNG");
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(64);
    const QSize size = reader.size();
    if (size.width() > MaxIconPicture || size.height() > MaxIconPicture) {
        refusal = QStringLiteral("%1 x %2 pixels (at most %3 are taken)")
                      .arg(size.width())
                      .arg(size.height())
                      .arg(MaxIconPicture);
        return {};
    }
    QImage picture;
    if (size.width() <= 0 || size.height() <= 0 || !reader.read(&picture) || picture.isNull()) {
        refusal = QStringLiteral("damaged");
        return {};
    }
    if (picture.hasAlphaChannel() && picture.format() != QImage::Format_ARGB32)
        picture = picture.convertToFormat(QImage::Format_ARGB32);
    return picture;
}

// Pixel x of a packed row of 1, 4 or 8 bits.
std::uint8_t PackedIndex(const std::uint8_t* row, std::int32_t x, std::int32_t bits) {
    if (bits == 8) return row[x];
    if (bits == 4) return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

} // namespace

std::int32_t ReadIconPicture(const QString& fileName, std::int32_t index, QImage& picture,
                             TPxlMap& maskMap, QString* refusal) {
    QString why;
    picture = QImage();
    maskMap.Clear();
    QFile file;
    const TImageEntry found = OpenImage(file, fileName, index);
    const auto done = [&](const QString& reason) {
        if (refusal) *refusal = reason;
        return found.Count;
    };

    if (ReadUpTo(file, found.Offset, 4) == QByteArray("\x89PNG", 4)) {
        picture = ReadPngImage(file, found.Offset, why);
        return done(why);
    }
    const QByteArray infoHeader = ReadExactly(file, found.Offset, IconLayout::InfoHeaderSize);
    const auto bmi = Bytes(infoHeader);
    const std::int64_t infoSize = IconLayout::Long(bmi, 0);
    const auto width = static_cast<std::int32_t>(IconLayout::Long(bmi, 4));
    const auto stackedHeight = static_cast<std::int32_t>(IconLayout::Long(bmi, 8));
    const std::int32_t bits = IconLayout::Word(bmi, 14);
    const std::int64_t compression = IconLayout::Long(bmi, 16);
    const std::int64_t colorsUsed = IconLayout::Long(bmi, 32);
    if (infoSize < IconLayout::InfoHeaderSize || infoSize > IconLayout::MaxInfoHeaderSize ||
        found.ResourceSize < IconLayout::InfoHeaderSize || width <= 0 || stackedHeight < 2)
        return done(QStringLiteral("damaged"));
    if (compression != 0) return done(QStringLiteral("a compressed image"));
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return done(QStringLiteral("a %1-bit image").arg(bits));
    // The info header's height stacks the colour image and the mask.
    const std::int32_t height = stackedHeight / 2;
    if (width > MaxIconPicture || height > MaxIconPicture)
        return done(QStringLiteral("%1 x %2 pixels (at most %3 are taken)")
                        .arg(width)
                        .arg(height)
                        .arg(MaxIconPicture));

    // Deeper images may still store a colour table (colours used entries) before the pixels.
    const std::int64_t colors = bits <= 8 ? std::int64_t{1} << bits : 256;
    if (colorsUsed > colors) return done(QStringLiteral("damaged"));
    const std::int64_t entries =
        bits > 8 ? colorsUsed : (colorsUsed > 0 && colorsUsed < colors ? colorsUsed : colors);
    const std::int64_t paletteStart = found.Offset + infoSize;
    const QByteArray palette = ReadExactly(file, paletteStart, entries * 4);

    const std::int64_t colorStride = (std::int64_t{width} * bits + 31) / 32 * 4;
    const std::int64_t maskStride = (std::int64_t{width} + 31) / 32 * 4;
    const std::int64_t colorBytes = colorStride * height;
    const std::int64_t maskBytes = maskStride * height;
    // The pixel data is sized from the picture, not from any size field; a mask cut short
    // reads as opaque, as for the palette images.
    QByteArray data = ReadUpTo(file, paletteStart + entries * 4, colorBytes + maskBytes);
    if (data.size() < colorBytes) throw EInvalidIcon(NotValid);
    data.append(QByteArray(colorBytes + maskBytes - data.size(), '\0'));
    const auto* pixels = reinterpret_cast<const std::uint8_t*>(data.constData());
    const auto rowAt = [&](std::int32_t y) {
        return pixels + colorStride * (height - 1 - y); // bottom row first
    };

    bool keepMask = true;
    if (bits <= 8) {
        QImage image(width, height, bits == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
        if (image.isNull()) throw EInvalidIcon(NotValid);
        QList<QRgb> table(static_cast<qsizetype>(colors), qRgb(0, 0, 0));
        const auto* entry = reinterpret_cast<const std::uint8_t*>(palette.constData());
        for (std::int64_t i = 0; i < entries; ++i)
            table[i] = qRgb(entry[4 * i + 2], entry[4 * i + 1], entry[4 * i]);
        image.setColorTable(table);
        for (std::int32_t y = 0; y < height; ++y) {
            uchar* line = image.scanLine(y);
            if (bits == 1) {
                std::memcpy(line, rowAt(y), static_cast<std::size_t>((width + 7) / 8));
                continue;
            }
            for (std::int32_t x = 0; x < width; ++x)
                line[x] = PackedIndex(rowAt(y), x, bits);
        }
        picture = image;
    } else {
        bool anyAlpha = false;
        QImage image(width, height, QImage::Format_ARGB32);
        if (image.isNull()) throw EInvalidIcon(NotValid);
        for (std::int32_t y = 0; y < height; ++y) {
            const std::uint8_t* source = rowAt(y);
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint8_t* p = source + std::int64_t{x} * (bits / 8);
                const int alpha = bits == 32 ? p[3] : 255;
                anyAlpha = anyAlpha || (bits == 32 && alpha != 0);
                line[x] = qRgba(p[2], p[1], p[0], alpha);
            }
        }
        // A 32-bit image whose alpha bytes are all 0 was written for the AND mask, as a
        // 24-bit one; any other alpha is the transparency and the mask is left aside.
        if (anyAlpha) {
            keepMask = false;
        } else {
            for (std::int32_t y = 0; y < height; ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (std::int32_t x = 0; x < width; ++x)
                    line[x] |= 0xFF000000u;
            }
            image.reinterpretAsFormat(QImage::Format_RGB32);
        }
        picture = image;
    }
    if (keepMask) ImportMask(maskMap, width, height, data.mid(colorBytes));
    return done(QString());
}

bool ReadIconFileToExtend(const QString& fileName, QByteArray& existing) {
    existing.clear();
    if (!ExistsNamed(fileName) || IsFolderNamed(fileName)) return false;
    if (SystemFiles::IsSpecialFile(fileName))
        throw EInOutError(
            Describe(QStringLiteral("write"), fileName, NotRegularFileReason()));
    QFile file;
    OpenRegular(file, fileName);
    existing = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(Describe(QStringLiteral("read"), fileName, file.errorString()));
    if (existing.size() < IconLayout::HeaderSize) throw EInvalidIcon(NotValid);
    return true;
}

void WriteIconImage(const QString& fileName, std::int32_t index, const TPxlMap& colorMap,
                    const TPxlMap& maskMap) {
    if (!IconLayout::CanWrite(colorMap, maskMap)) return;

    // Another run appending to an icon file in this folder waits until this one has put
    // its file in place, and then reads what this one wrote.
    const SystemFiles::FolderLock lock(FolderOfName(fileName));
    QByteArray existing;
    const bool exists = ReadIconFileToExtend(fileName, existing);
    const QByteArray content =
        IconLayout::Rebuild(existing, exists, index, colorMap, maskMap, fileName);
    SafeFile::Write(fileName, content);
}
