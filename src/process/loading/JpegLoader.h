#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

// Decodes a JPEG file with libjpeg at full size, with the library's defaults except block
// smoothing, which is off:
//   - colour files (YCbCr, RGB) become Format_BGR888;
//   - one-component files go through libjpeg's colour quantizer asking for 255 colours
//     (its default Floyd-Steinberg dithering) and become Format_Indexed8 with the grey
//     palette libjpeg chose;
//   - four-component files (CMYK, YCCK) become Format_BGR888, converted from CMYK with
//     red = cyan x black / 255 rounded (likewise green, blue) on the inverted values that
//     files with an Adobe marker hold, the plain values inverted first otherwise.
// Warnings (corrupt data, extra bytes before a marker, a missing end-of-image marker) do
// not fail the decode: libjpeg fills what is missing, as it does for every application.
// A file that ends before the picture data the rows need does: EInvalidGraphic "The file
// ends early" (whatever rows are kept).
//
// Throws EInvalidGraphic with libjpeg's message when the file cannot be opened or decoded,
// when it has another number of components, or when width x height exceeds maxPixels
// (checked from the frame header, before any pixel memory is taken). Nothing leaks on any
// path: libjpeg's errors are caught inside the decoder and turned into the exception
// after its state is released.
//
// `rowsFor`, when positive, says the caller will read only the rows a nearest-neighbour
// stretch to that size reads (StretchRows). Those rows come out as in a full decode, the
// others read as 0 (black, or palette entry 0): the file is still read to its end with the
// same warnings and errors, but colour pictures make no pixels of the other lines, and a
// large picture takes memory only for the rows kept. Lines are skipped without being made
// only where LineSkippingIsExact allows it; elsewhere every line is made and the rows not
// kept are dropped.
//
// `scaleFor`, when positive, says the picture serves only area averages to icons of at
// most that size: libjpeg then decodes it scaled by the smallest M/8 (M = 1 .. 8) that
// keeps both sides at least scaleFor (its scaled inverse transforms average each block),
// greyscale files without the colour quantizer (a 256-entry grey palette). rowsFor is
// ignored then.
QImage LoadJpegPicture(const QString& fileName, std::int64_t maxPixels, std::int32_t rowsFor = 0,
                       std::int32_t scaleFor = 0);

// LoadJpegPicture keeping the rows `rowsOf(width, height)` lists (ascending, each once)
// instead of those of a stretch, with the same guarantees; called once, after the frame
// header is read. Without `rowsOf` every row is kept, decoded at `scaleFor` as
// LoadJpegPicture does.
QImage LoadJpegRows(const QString& fileName, std::int64_t maxPixels,
                    const std::function<std::vector<int>(int width, int height)>& rowsOf,
                    std::int32_t scaleFor = 0);

// The frame of a JPEG file as far as line skipping cares: its size and each component's
// sampling factors.
struct JpegFrameLayout {
    std::int64_t Width = 0;
    std::int64_t Height = 0;
    int Components = 0;
    int HSampling[4] = {};
    int VSampling[4] = {};
};

// Whether libjpeg's line skipping leaves the lines read after it exactly as a full decode
// makes them, for a colour frame of this layout decoded with fancy upsampling. It is not
// so everywhere: how a component is upsampled decides whether the skip keeps its rows in
// step, and narrow components get a different upsampler than wide ones. Only the layouts
// bench/jpeg_skip_survey.cpp checked line by line are admitted (run it again after a
// libjpeg update), and small pictures, which cost next to nothing to decode whole, never
// skip.
bool LineSkippingIsExact(const JpegFrameLayout& layout);
