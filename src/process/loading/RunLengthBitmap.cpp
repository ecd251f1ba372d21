#include "process/loading/RunLengthBitmap.h"

#include "process/loading/ByteStream.h"
#include "process/loading/PictureFile.h"
#include "reduce/GraphicErrors.h"

#include <QFile>

#include <algorithm>
#include <string>

RunLengthFault DecodeRunLength(ByteStream& codes, int bits, std::uint32_t entries,
                               QImage& picture) {
    picture.fill(0);
    const std::int64_t width = picture.width(), height = picture.height();
    RunLengthFault fault = RunLengthFault::None;
    const auto note = [&fault](RunLengthFault found) {
        if (fault == RunLengthFault::None) fault = found;
    };
    // y counts rows up from the bottom one. Neither coordinate is bounded by the codes
    // (each code adds at most 255, so 64 bits never overflow); writes are.
    std::int64_t x = 0, y = 0;
    // `count` pixels alternating between `first` and `second` (RLE4 nibbles).
    const auto run = [&](std::int64_t count, std::uint32_t first, std::uint32_t second) {
        if (y >= height || x + count > width) note(RunLengthFault::RunPastPicture);
        if (first >= entries || (count > 1 && second >= entries))
            note(RunLengthFault::IndexBeyondPalette);
        if (y < height && x < width) {
            uchar* row = picture.scanLine(static_cast<int>(height - 1 - y));
            const std::int64_t end = std::min(x + count, width);
            for (std::int64_t i = x; i < end; ++i) {
                const std::uint32_t index = (i - x) % 2 ? second : first;
                row[i] = index < entries ? static_cast<uchar>(index) : 0;
            }
        }
        x += count;
    };

    for (;;) {
        std::uint8_t count = 0, value = 0;
        if (!codes.next(count) || !codes.next(value)) break;
        if (count > 0) {
            run(count, bits == 8 ? value : value >> 4, bits == 8 ? value : value & 0x0F);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return fault;
        } else if (value == 2) { // move right and up
            std::uint8_t dx = 0, dy = 0;
            if (!codes.next(dx) || !codes.next(dy)) break;
            x += dx;
            y += dy;
            if (x > width || y > height) note(RunLengthFault::MovePastPicture);
        } else { // `value` pixels stored as they are, padded to an even byte count
            const int bytes = bits == 8 ? value : (value + 1) / 2;
            std::uint8_t data = 0;
            for (int i = 0; i < bytes; ++i) {
                if (!codes.next(data)) {
                    note(RunLengthFault::EndMissing);
                    return fault;
                }
                if (bits == 8)
                    run(1, data, data);
                else
                    run(i * 2 + 1 < value ? 2 : 1, data >> 4, data & 0x0F);
            }
            if (bytes % 2 && !codes.next(data)) break;
        }
    }
    note(RunLengthFault::EndMissing);
    return fault;
}

QImage DecodeRunLengthBitmap(const QString& fileName, const RunLengthLayout& layout,
                             std::int64_t maxPixels) {
    if (layout.Width <= 0 || layout.Height <= 0 || layout.Width > maxPixels ||
        layout.Height > maxPixels / layout.Width)
        throw EInvalidGraphic("The bitmap is too large");
    QFile file;
    OpenPictureFile(file, fileName);
    if (!file.seek(layout.PaletteStart)) throw EInvalidGraphic("The bitmap file cannot be read");
    const QByteArray palette = file.read(qint64{layout.Entries} * 4);
    if (palette.size() != qint64{layout.Entries} * 4)
        throw EInvalidGraphic("The bitmap file cannot be read");
    QList<QRgb> colours;
    colours.reserve(layout.Entries);
    for (qsizetype i = 0; i < palette.size(); i += 4) {
        const auto byte = [&](qsizetype at) { return static_cast<std::uint8_t>(palette[at]); };
        colours.append(qRgb(byte(i + 2), byte(i + 1), byte(i)));
    }

    QImage picture(static_cast<int>(layout.Width), static_cast<int>(layout.Height),
                   QImage::Format_Indexed8);
    if (picture.isNull()) throw EInvalidGraphic("Not enough memory for the bitmap");
    picture.setColorTable(colours);
    if (layout.DotsPerMeterX != 0) picture.setDotsPerMeterX(layout.DotsPerMeterX);
    if (layout.DotsPerMeterY != 0) picture.setDotsPerMeterY(layout.DotsPerMeterY);

    ByteStream codes(file, layout.CodesStart);
    const char* why = nullptr;
    switch (DecodeRunLength(codes, layout.Bits, layout.Entries, picture)) {
    case RunLengthFault::None:
        return picture;
    case RunLengthFault::EndMissing:
        why = "run-length data ends without its end code";
        break;
    case RunLengthFault::RunPastPicture:
        why = "run-length data runs past the picture";
        break;
    case RunLengthFault::MovePastPicture:
        why = "run-length move past the picture";
        break;
    case RunLengthFault::IndexBeyondPalette:
        why = "pixel index beyond the palette";
        break;
    }
    throw EInvalidGraphic(std::string("Damaged bitmap file: ") + why);
}
