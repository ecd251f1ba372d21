#pragma once

#include <QString>

// Looks a ".bmp" file over before Qt's bitmap reader decodes it, and throws
// EInvalidGraphic for damage that reader would let through as a picture:
//   - an info header (of any size) longer than the rest of the file;
//   - pixel data that starts inside the headers or past the end of the file, or that the
//     file is too short to hold (the last row's padding may be missing);
//   - a colours-used count above what the depth allows, a palette cut short, or a pixel
//     index beyond the palette;
//   - colour masks (BI_BITFIELDS) that are zero, not one run of bits, or overlapping;
//   - run-length data (RLE8, RLE4) that runs past a line or the picture, moves past them,
//     ends without its end-of-bitmap code, or comes with the wrong depth or a top-down
//     picture.
// Header forms it does not know (OS/2 2.x, other sizes) and compressions other than these
// are left to Qt's reader. Reads only what the file holds; never allocates from a field.
void CheckBitmapFile(const QString& fileName);
