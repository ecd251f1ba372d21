#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// What the look-over learnt of a run-length coded bitmap (RLE8 or RLE4), for decoding it.
struct RunLengthLayout {
    std::int64_t Width = 0;
    std::int64_t Height = 0; // rows stored bottom-up: always positive
    int Bits = 0;            // 8 for RLE8, 4 for RLE4
    std::uint32_t Entries = 0;
    qint64 PaletteStart = 0; // 4-byte entries: blue, green, red, unused
    qint64 CodesStart = 0;
    std::int32_t DotsPerMeterX = 0; // as stored; 0: not given
    std::int32_t DotsPerMeterY = 0;
};

// Looks a ".bmp" file over before it is decoded, and throws EInvalidGraphic for damage
// Qt's bitmap reader would let through as a picture:
//   - an info header (of any size) longer than the rest of the file;
//   - pixel data that starts inside the headers or past the end of the file, or that the
//     file is too short to hold (the last row's padding may be missing);
//   - a colours-used count above what the depth allows, a palette cut short, or a pixel
//     index beyond the palette;
//   - colour masks (BI_BITFIELDS) that are zero, not one run of bits, or overlapping;
//   - run-length data (RLE8, RLE4) with the wrong depth, in a top-down picture, or under
//     a header form other than the 40-, 64-, 108- and 124-byte ones.
// Returns the layout of run-length data (nothing for other files): such files are decoded by
// DecodeRunLengthBitmap (which refuses damaged codes), never by Qt's reader, so that
// pixels the codes leave unset are defined. Other header forms (OS/2, other sizes) and
// compressions are left to Qt's reader. Reads only what the file holds; never allocates
// from a field.
std::optional<RunLengthLayout> CheckBitmapFile(const QString& fileName);
