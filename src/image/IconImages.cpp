#include "image/IconImages.h"

#include "image/FileNames.h"
#include "image/IconLayout.h"
#include "image/IconLib.h"
#include "image/ImageErrors.h"
#include "image/SafeFile.h"
#include "image/SystemFiles.h"

#include <zlib.h>

namespace {

void PutLE(QByteArray& bytes, qsizetype pos, std::uint32_t value, int length) {
    for (int i = 0; i < length; ++i)
        bytes[pos + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void AppendBE32(QByteArray& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(static_cast<char>((value >> shift) & 0xFF));
}

void AppendChunk(QByteArray& png, const char* type, const QByteArray& data) {
    AppendBE32(png, static_cast<std::uint32_t>(data.size()));
    const qsizetype start = png.size();
    png.append(type, 4);
    png.append(data);
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(png.constData() + start),
                           static_cast<uInt>(png.size() - start));
    AppendBE32(png, static_cast<std::uint32_t>(crc));
}

QImage Argb(const QImage& picture) {
    return picture.format() == QImage::Format_ARGB32
               ? picture
               : picture.convertToFormat(QImage::Format_ARGB32);
}

// The bytes of one row of an AND mask (a bit per pixel, most significant first, padded to
// four bytes).
qsizetype MaskRowBytes(int width) {
    return (width + 31) / 32 * 4;
}

} // namespace

QByteArray EncodePng(const QImage& picture) {
    const QImage argb = Argb(picture);
    const int width = argb.width();
    const int height = argb.height();
    QByteArray raw;
    raw.reserve(static_cast<qsizetype>(height) * (1 + 4 * width));
    for (int y = 0; y < height; ++y) {
        raw.append('\0'); // filter type None
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const char rgba[4] = {
                static_cast<char>(qRed(row[x])), static_cast<char>(qGreen(row[x])),
                static_cast<char>(qBlue(row[x])), static_cast<char>(qAlpha(row[x]))};
            raw.append(rgba, 4);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    QByteArray packed(static_cast<qsizetype>(packedSize), '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(raw.constData()), static_cast<uLong>(raw.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        throw EInOutError("Cannot compress the PNG image");
    packed.truncate(static_cast<qsizetype>(packedSize));

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    AppendBE32(header, static_cast<std::uint32_t>(width));
    AppendBE32(header, static_cast<std::uint32_t>(height));
    header.append("\x08\x06\x00\x00\x00", 5); // 8 bits, RGBA, deflate, no filter set, no interlace
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", packed);
    AppendChunk(png, "IEND", QByteArray());
    return png;
}

QByteArray EncodeIconBitmap32(const QImage& picture) {
    const QImage argb = Argb(picture);
    const int size = argb.width();
    const qsizetype colorBytes = static_cast<qsizetype>(4) * size * size;
    const qsizetype maskRow = MaskRowBytes(size);
    QByteArray image(IconLayout::InfoHeaderSize + colorBytes + maskRow * size, '\0');
    PutLE(image, 0, IconLayout::InfoHeaderSize, 4);
    PutLE(image, 4, static_cast<std::uint32_t>(size), 4);
    PutLE(image, 8, static_cast<std::uint32_t>(2 * size), 4);
    PutLE(image, 12, 1, 2);
    PutLE(image, 14, 32, 2);
    PutLE(image, 20, static_cast<std::uint32_t>(colorBytes + maskRow * size), 4);
    auto* data = reinterpret_cast<std::uint8_t*>(image.data()) + IconLayout::InfoHeaderSize;
    std::uint8_t* mask = data + colorBytes;
    for (int y = 0; y < size; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(size - 1 - y));
        std::uint8_t* out = data + static_cast<qsizetype>(4) * size * y;
        std::uint8_t* maskOut = mask + maskRow * y;
        for (int x = 0; x < size; ++x) {
            out[4 * x] = static_cast<std::uint8_t>(qBlue(row[x]));
            out[4 * x + 1] = static_cast<std::uint8_t>(qGreen(row[x]));
            out[4 * x + 2] = static_cast<std::uint8_t>(qRed(row[x]));
            out[4 * x + 3] = static_cast<std::uint8_t>(qAlpha(row[x]));
            if (qAlpha(row[x]) < 128) maskOut[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
        }
    }
    return image;
}

QByteArray EncodeBitmapFile32(const QImage& picture) {
    const QImage argb = Argb(picture);
    const int width = argb.width();
    const int height = argb.height();
    constexpr int fileHeader = 14;
    constexpr int infoHeader = 124;
    const qsizetype pixelBytes = static_cast<qsizetype>(4) * width * height;
    QByteArray file(fileHeader + infoHeader + pixelBytes, '\0');
    file[0] = 'B';
    file[1] = 'M';
    PutLE(file, 2, static_cast<std::uint32_t>(file.size()), 4);
    PutLE(file, 10, fileHeader + infoHeader, 4);
    const qsizetype v5 = fileHeader;
    PutLE(file, v5, infoHeader, 4);
    PutLE(file, v5 + 4, static_cast<std::uint32_t>(width), 4);
    PutLE(file, v5 + 8, static_cast<std::uint32_t>(height), 4);
    PutLE(file, v5 + 12, 1, 2);
    PutLE(file, v5 + 14, 32, 2);
    PutLE(file, v5 + 16, 3, 4); // BI_BITFIELDS
    PutLE(file, v5 + 20, static_cast<std::uint32_t>(pixelBytes), 4);
    PutLE(file, v5 + 24, 2834, 4);
    PutLE(file, v5 + 28, 2834, 4);
    PutLE(file, v5 + 40, 0x00FF0000, 4); // red
    PutLE(file, v5 + 44, 0x0000FF00, 4); // green
    PutLE(file, v5 + 48, 0x000000FF, 4); // blue
    PutLE(file, v5 + 52, 0xFF000000, 4); // alpha
    PutLE(file, v5 + 56, 0x73524742, 4); // 'sRGB'
    PutLE(file, v5 + 108, 4, 4);         // LCS_GM_IMAGES
    auto* data = reinterpret_cast<std::uint8_t*>(file.data()) + fileHeader + infoHeader;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(height - 1 - y));
        std::uint8_t* out = data + static_cast<qsizetype>(4) * width * y;
        for (int x = 0; x < width; ++x) {
            out[4 * x] = static_cast<std::uint8_t>(qBlue(row[x]));
            out[4 * x + 1] = static_cast<std::uint8_t>(qGreen(row[x]));
            out[4 * x + 2] = static_cast<std::uint8_t>(qRed(row[x]));
            out[4 * x + 3] = static_cast<std::uint8_t>(qAlpha(row[x]));
        }
    }
    return file;
}

QByteArray IconEntry(std::int32_t size, std::int32_t bits) {
    QByteArray entry(IconLayout::EntrySize, '\0');
    entry[0] = static_cast<char>(size & 0xFF);
    entry[1] = static_cast<char>(size & 0xFF);
    if (bits == 32) {
        PutLE(entry, 4, 1, 2);
        PutLE(entry, 6, 32, 2);
    }
    return entry;
}

QByteArray IconFileBytes(const std::vector<TEncodedIcon>& images) {
    QByteArray file;
    bool exists = false;
    for (const TEncodedIcon& image : images) {
        file = IconLayout::Rebuild(file, exists, -1, IconEntry(image.Size, image.Bits), image.Data,
                                   QString());
        exists = true;
    }
    return file;
}

void AppendIconImages(const QString& fileName, const std::vector<TEncodedIcon>& images) {
    // Runs appending to icon files in one folder take turns, as WriteIconImage's do.
    const SystemFiles::FolderLock lock(FolderOfName(fileName));
    QByteArray file;
    bool exists = ReadIconFileToExtend(fileName, file);
    for (const TEncodedIcon& image : images) {
        file = IconLayout::Rebuild(file, exists, -1, IconEntry(image.Size, image.Bits), image.Data,
                                   fileName);
        exists = true;
    }
    SafeFile::Write(fileName, file);
}
