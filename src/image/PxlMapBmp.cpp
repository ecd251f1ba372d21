// The bitmap-file side of TPxlMap: loading, saving and the hand-over to QImage.
#include "image/ImageErrors.h"
#include "image/PxlMap.h"
#include "image/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int CompressionPos = 30;
// No file this map can hold needs its pixel data more than this far into the file, nor
// an image-size field this large; anything beyond is refused rather than allocated.
constexpr std::int64_t MaxPlausibleOffset = 1 << 20;

std::string Describe(const QString& action, const QString& path, const QString& reason) {
    return QStringLiteral("Cannot %1 %2: %3")
        .arg(action, QDir::toNativeSeparators(path), reason)
        .toStdString();
}

void OpenForReading(QFile& file) {
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(Describe(QStringLiteral("open"), file.fileName(), file.errorString()));
}

// Reads exactly `length` bytes at `offset`; the caller has checked they are in the file.
QByteArray ReadAt(QFile& file, std::int64_t offset, std::int64_t length) {
    QByteArray bytes;
    if (file.seek(offset)) bytes = file.read(length);
    if (bytes.size() != length)
        throw EInOutError(Describe(QStringLiteral("read"), file.fileName(),
                                   file.error() != QFileDevice::NoError
                                       ? file.errorString()
                                       : QStringLiteral("read beyond end of file")));
    return bytes;
}

// Bytes per palette entry in the file: the short header form stores blue, green, red.
int EntrySize(std::int32_t infoSize) {
    return infoSize == 12 ? 3 : 4;
}

} // namespace

bool TPxlMap::RefuseLoad(std::int32_t number, std::int32_t detail) {
    Initialized = false;
    Fail(number, detail);
    return false;
}

bool TPxlMap::LoadFromBMP(const QString& fileName) {
    if (Initialized) {
        Fail(6);
        return false;
    }
    const QFileInfo info(fileName);
    if (!info.exists() || info.isDir()) {
        Fail(1);
        return false;
    }
    QFile file(fileName);
    if (info.suffix().toLower() != QLatin1String("bmp")) {
        OpenForReading(file);
        const QByteArray signature = file.read(2);
        Fail(signature == QByteArrayLiteral("BM") ? 3 : 2);
        return false;
    }

    OpenForReading(file);
    const std::int64_t fileSize = file.size();
    const QByteArray head = file.read(HeaderSize);
    std::memset(Header, 0, sizeof Header);
    std::memcpy(Header, head.constData(), static_cast<std::size_t>(head.size()));
    Initialized = true;

    // The whole value, not just its low byte: a header of 296 bytes is not a 40-byte one.
    const std::int32_t infoSize = GetInfoSize();
    if ((infoSize != 12 && infoSize != 40) || !SetInfoFormat(static_cast<std::uint8_t>(infoSize)))
        return RefuseLoad(3);
    if (head.size() < 14 + InfoSize) return RefuseLoad(3);

    Width = GetWidth();
    Height = GetHeight();
    if (Width > MaxSize || Height > MaxSize) return RefuseLoad(4);
    // Top-down rows (negative height) and empty pictures are outside what the map holds.
    if (Width <= 0 || Height <= 0) return RefuseLoad(3);
    BitCount = GetBitCount();
    if (BitCount != 1 && BitCount != 4 && BitCount != 8) return RefuseLoad(8, BitCount);
    ComputeRowSizes();

    const std::int64_t colors = ColorCount(BitCount);
    const std::int64_t offBits = static_cast<std::uint32_t>(ReadHeaderLong(10));
    const std::int64_t paletteStart = 14 + InfoSize;
    std::int64_t entries = 0;
    if (InfoSize == 40) {
        // Run-length data and bit-field masks need a decoder the map does not have.
        if (ReadHeaderLong(CompressionPos) != 0) return RefuseLoad(3);
        const std::int64_t used = static_cast<std::uint32_t>(ReadHeaderLong(ClrUsedPos));
        if (used > colors) return RefuseLoad(3);
        const std::int64_t imageSize = static_cast<std::uint32_t>(ReadHeaderLong(SizeImagePos));
        if (imageSize != 0 && (imageSize < PackedSize() || offBits + imageSize > fileSize))
            return RefuseLoad(3);
        entries = used != 0 ? used : colors;
    } else {
        // The short form has no colours-used field; its palette ends where the pixels start.
        entries = std::clamp<std::int64_t>((offBits - paletteStart) / 3, 0, colors);
    }
    const std::int64_t paletteBytes = entries * EntrySize(InfoSize);
    if (offBits < paletteStart || offBits > MaxPlausibleOffset ||
        paletteStart + paletteBytes > fileSize || offBits + PackedSize() > fileSize)
        return RefuseLoad(3);

    try {
        const QByteArray palette = ReadAt(file, paletteStart, paletteBytes);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(palette.constData());
        const int step = EntrySize(InfoSize);
        for (std::int64_t i = 0; i < entries; ++i) {
            const std::uint8_t* entry = bytes + i * step;
            const std::uint32_t fourth = step == 4 ? entry[3] : 0;
            Palette[i] = entry[0] | (entry[1] << 8) | (static_cast<std::uint32_t>(entry[2]) << 16) |
                         (fourth << 24);
        }
        const QByteArray packed = ReadAt(file, offBits, PackedSize());
        ImportBits({reinterpret_cast<const std::uint8_t*>(packed.constData()),
                    static_cast<std::size_t>(packed.size())});
    } catch (...) {
        Initialized = false;
        throw;
    }
    ClearError();
    return true;
}

bool TPxlMap::EncodeBMP(QByteArray& bytes) {
    if (!Ready()) return false;
    if (InfoSize != 12 && InfoSize != 40) {
        Fail(3);
        return false;
    }
    const std::int64_t headerLength = 14 + InfoSize;
    const std::int64_t entries = PaletteEntries();
    const std::int64_t paletteBytes = entries * EntrySize(InfoSize);
    const std::int64_t offBits = static_cast<std::uint32_t>(GetOffBits());
    const std::int64_t imageSize = static_cast<std::uint32_t>(GetImageSize());
    if (offBits < headerLength || offBits > MaxPlausibleOffset || imageSize < PackedSize() ||
        imageSize > MaxPlausibleOffset) {
        Fail(3);
        return false;
    }

    std::vector<std::uint8_t> file(
        static_cast<std::size_t>(std::max(headerLength + paletteBytes, offBits + imageSize)), 0);
    std::memcpy(file.data(), Header, static_cast<std::size_t>(headerLength));
    std::uint8_t* entry = file.data() + headerLength;
    for (std::int64_t i = 0; i < entries; ++i, entry += EntrySize(InfoSize)) {
        const std::uint32_t value = Palette[i];
        entry[0] = static_cast<std::uint8_t>(value);
        entry[1] = static_cast<std::uint8_t>(value >> 8);
        entry[2] = static_cast<std::uint8_t>(value >> 16);
        if (EntrySize(InfoSize) == 4) entry[3] = static_cast<std::uint8_t>(value >> 24);
    }
    ExportBits({file.data() + offBits, static_cast<std::size_t>(imageSize)});
    bytes =
        QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
    return true;
}

bool TPxlMap::SaveToBMP(const QString& fileName) {
    return SaveToBMP(fileName, nullptr);
}

bool TPxlMap::SaveToBMP(const QString& fileName, StagedFile* staged) {
    QByteArray bytes;
    if (!EncodeBMP(bytes)) return false;
    SafeFile::WriteOrCommit(fileName, bytes, staged);
    ClearError();
    return true;
}

void TPxlMap::CopyToPicture(QImage& picture) {
    QByteArray bytes;
    if (!EncodeBMP(bytes))
        throw EPictureError("Cannot hand the pixel map to a picture: " +
                            GetErrorText().toStdString());
    ClearError();
    QImage loaded;
    if (!loaded.loadFromData(bytes, "BMP"))
        throw EPictureError("The bitmap reader refused the pixel map's bitmap");
    picture = loaded;
}
