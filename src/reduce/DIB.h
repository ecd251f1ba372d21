#pragma once

#include <QImage>
#include <cstdint>

#include "reduce/Palette.h"

// Row access to pictures for colour reduction and the GIF reader: never one call per pixel
// into the bitmap, always whole rows. Row 0 is the top row of the picture.
//
// Pixel formats are given in bits per pixel: 8 (QImage::Format_Indexed8 with a 256-entry
// colour table) or 24 (QImage::Format_BGR888, each pixel blue, green, red).

// Text key under which an 8-bit picture made by TDIBWriter records how many colour-table
// entries came from its palette (the "important colours" of the picture header). The
// colour table itself always has 256 entries; those from the count on are black.
inline constexpr const char* ImportantColorsKey = "ImportantColors";

// The important-colours count recorded in `picture`, or 0 when it records none.
int ImportantColors(const QImage& picture);

// Bytes per row of a picture: every row is padded to a multiple of four bytes.
int RowStride(int width, int bitsPerPixel);

class TDIB {
public:
    virtual ~TDIB() = default;
    TDIB(const TDIB&) = delete;
    TDIB& operator=(const TDIB&) = delete;

    // Address of row y (0 = top); the caller may read or write RowStride bytes from it.
    virtual std::uint8_t* RowAddress(int y) = 0;

    int Format() const { return FormatBits; }

protected:
    TDIB(QImage& picture, int format) : Picture(&picture), FormatBits(format) {}

    QImage* Picture; // not owned
    int FormatBits;  // 8 or 24
};

// Gives the rows of an existing picture. Construction converts the picture in place to the
// format asked for (8 or 24 bits per pixel; anything else raises GIFException
// "Unsupported PixelFormat"); the picture stays converted. The reader owns nothing.
class TDIBReader : public TDIB {
public:
    TDIBReader(QImage& picture, int format);

    std::uint8_t* RowAddress(int y) override;

    int Width() const { return Picture->width(); }
    int Height() const { return Picture->height(); }

private:
    std::uint8_t* FirstRow = nullptr;
    qsizetype Stride = 0;
};

// Builds a new picture row by row and hands it to its target when destroyed.
//
// Construction checks the format (8 or 24, else GIFException "Unsupported PixelFormat") and
// the size (both positive, else GIFException "Invalid image dimensions") and allocates
// nothing. The first RowAddress call allocates the picture (EOutOfMemory "Failed to allocate
// memory for GIF DIB" when it cannot); a row outside the picture raises
// EInvalidGraphicOperation "Scan line index out of range". The pixels start undefined: the
// user writes every one.
//
// At 8 bits per pixel the colour table has 256 entries: the palette's entries 0..n-1 (n its
// entry count, 0 without a palette), then black (opaque, as a BMP reader makes of the zero
// entries of a BMP colour table); n is recorded under ImportantColorsKey.
//
// Destruction replaces the target with the picture, also while an exception is on its way
// (the partly filled picture). A writer never asked for a row leaves the target untouched.
// The palette is not owned and must outlive the writer.
class TDIBWriter : public TDIB {
public:
    TDIBWriter(QImage& target, int format, int width, int height, const TPalette* palette);
    ~TDIBWriter() override;

    std::uint8_t* RowAddress(int y) override;

private:
    void AllocatePixels();
    void StoreIntoBitmap() noexcept;

    const TPalette* PaletteHandle;
    int Height;
    int Width;
    QImage PixelBlock; // null until the first row is asked for
    std::uint8_t* FirstRow = nullptr;
    qsizetype Stride = 0;
};
