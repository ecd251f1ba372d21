#include "process/loading/BitmapCheck.h"

#include "image/FileNames.h"
#include "image/LittleEndian.h"
#include "process/loading/ByteStream.h"
#include "process/loading/PictureFile.h"
#include "reduce/GraphicErrors.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;

[[noreturn]] void refuse(const char* why) {
    throw EInvalidGraphic(std::string("Damaged bitmap file: ") + why);
}

std::uint32_t u16(const QByteArray& bytes, qsizetype at) {
    return ReadLE16(bytes.constData() + at);
}

std::uint32_t u32(const QByteArray& bytes, qsizetype at) {
    return ReadLE32(bytes.constData() + at);
}

bool runLength(std::uint32_t compression) {
    return compression == kRle8 || compression == kRle4;
}

bool isOneRun(std::uint32_t mask) {
    if (mask == 0) return false;
    const std::uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

void checkMasks(const QByteArray& head, bool withAlpha) {
    const std::uint32_t red = u32(head, 54), green = u32(head, 58), blue = u32(head, 62);
    const std::uint32_t alpha = withAlpha ? u32(head, 66) : 0;
    if (!isOneRun(red) || !isOneRun(green) || !isOneRun(blue) || (alpha && !isOneRun(alpha)))
        refuse("colour mask empty or split");
    if ((red & green) || (red & blue) || (green & blue) || (alpha & (red | green | blue)))
        refuse("colour masks overlap");
}

void checkIndices(QFile& file, qint64 offset, std::int64_t width, std::int64_t rows, int bits,
                  std::int64_t stride, std::uint32_t entries) {
    ByteStream stream(file, offset);
    const std::int64_t used = (width * bits + 7) / 8;
    for (std::int64_t y = 0; y < rows; ++y) {
        for (std::int64_t i = 0; i < stride; ++i) {
            std::uint8_t byte = 0;
            if (!stream.next(byte)) return; // a missing last padding is allowed
            if (i >= used) continue;
            for (int shift = 8 - bits; shift >= 0; shift -= bits) {
                const std::int64_t x = (i * 8 + (8 - bits - shift)) / bits;
                if (x < width &&
                    static_cast<std::uint32_t>((byte >> shift) & ((1 << bits) - 1)) >= entries)
                    refuse("pixel index beyond the palette");
            }
        }
    }
}

} // namespace

std::optional<RunLengthLayout> CheckBitmapFile(const QString& fileName) {
    QFile file;
    if (!OpenForReading(file, fileName)) return {}; // the reader reports it
    const qint64 size = file.size();
    const QByteArray head = file.read(14 + 124 + 16);
    if (head.size() < 26 || head[0] != 'B' || head[1] != 'M') return {};

    const std::uint32_t offBits = u32(head, 10);
    const std::uint32_t infoSize = u32(head, 14);
    // Whatever its form, the info header lies inside the file.
    if (14 + static_cast<qint64>(infoSize) > size) refuse("info header cut short");
    std::int64_t width, height;
    std::uint32_t bits, compression = kRgb, clrUsed = 0;
    int entrySize = 4;
    if (infoSize == 12) {
        width = u16(head, 18);
        height = u16(head, 20);
        bits = u16(head, 24);
        entrySize = 3;
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 ||
               infoSize == 124 || (infoSize == 64 && runLength(u32(head, 30)))) {
        if (head.size() < 14 + static_cast<qsizetype>(infoSize)) refuse("info header cut short");
        width = static_cast<std::int32_t>(u32(head, 18));
        height = static_cast<std::int32_t>(u32(head, 22));
        bits = u16(head, 28);
        compression = u32(head, 30);
        clrUsed = u32(head, 46);
    } else {
        // Qt's reader takes run-length data under no other header form; refusing it here
        // keeps such files from reaching it.
        if (infoSize >= 40 && head.size() >= 34 && runLength(u32(head, 30)))
            refuse("run-length data under an unknown header");
        return {};
    }
    if (width <= 0 || height == 0) return {};
    // No picture the program takes has a longer side; past it the sizes worked out below
    // would not fit in 64 bits.
    const std::int64_t rows = height < 0 ? -height : height;
    if (width > MaxPicturePixels || rows > MaxPicturePixels) refuse("picture sides out of range");
    if (runLength(compression) && bits != (compression == kRle8 ? 8u : 4u))
        refuse("run-length data of another depth");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return {};

    qint64 headerEnd = 14 + infoSize;
    const bool masked = compression == kBitfields || compression == kAlphaBitfields;
    if (masked) {
        if (bits != 16 && bits != 32) refuse("colour masks on a depth without them");
        const int maskBytes = compression == kAlphaBitfields ? 16 : 12;
        if (infoSize == 40) headerEnd += maskBytes;
        if (head.size() < 54 + maskBytes) refuse("colour masks cut short");
        checkMasks(head, compression == kAlphaBitfields || infoSize >= 56);
    } else if (compression != kRgb && !runLength(compression)) {
        return {};
    }

    std::uint32_t entries = 0;
    if (bits <= 8) {
        const std::uint32_t full = 1u << bits;
        if (clrUsed > full) refuse("more colours than the depth allows");
        entries = clrUsed == 0 ? full : clrUsed;
        if (headerEnd + static_cast<qint64>(entries) * entrySize > size)
            refuse("palette cut short");
    }
    if (offBits < headerEnd || offBits >= size) refuse("pixel data outside the file");

    if (runLength(compression)) {
        if (height < 0) refuse("run-length data in a top-down picture");
        // Qt's reader takes neither header form with run-length data.
        if (infoSize == 52 || infoSize == 56) refuse("run-length data under an unknown header");
        RunLengthLayout layout;
        layout.Width = width;
        layout.Height = height;
        layout.Bits = static_cast<int>(bits);
        layout.Entries = entries;
        layout.PaletteStart = headerEnd;
        // Qt's reader takes the codes from the palette's end when the offset points
        // inside the palette.
        layout.CodesStart = std::max<qint64>(offBits, headerEnd + qint64{entries} * entrySize);
        layout.DotsPerMeterX = static_cast<std::int32_t>(u32(head, 38));
        layout.DotsPerMeterY = static_cast<std::int32_t>(u32(head, 42));
        return layout;
    }

    const std::int64_t stride = (width * bits + 31) / 32 * 4;
    const std::int64_t lastRow = (width * bits + 7) / 8;
    if (static_cast<std::int64_t>(offBits) + stride * (rows - 1) + lastRow > size)
        refuse("pixel data cut short");
    if (bits <= 8 && entries < (1u << bits))
        checkIndices(file, offBits, width, rows, static_cast<int>(bits), stride, entries);
    return {};
}
