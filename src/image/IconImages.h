#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

// The encoded forms of true-colour and large icon images, and icon files of several
// images. Every function gives the same bytes for the same pixels: no time stamps, no
// text, nothing taken from the machine.

// `picture` (any format; converted to ARGB32 first) as a PNG file: 8-bit RGBA, straight
// alpha, rows unfiltered, zlib at its best compression, and no chunks but IHDR, IDAT and
// IEND.
QByteArray EncodePng(const QImage& picture);

// A square ARGB32 picture as an icon file's 32-bit bitmap image: a 40-byte info header
// (height doubled), the rows bottom-up as blue, green, red, alpha, then the 1-bit AND
// mask, set where alpha is below 128.
QByteArray EncodeIconBitmap32(const QImage& picture);

// An ARGB32 picture as a 32-bit bitmap file that keeps its alpha: a BITMAPV5HEADER with
// bit fields (alpha in the top byte), sRGB, 2834 pixels per metre, rows bottom-up.
QByteArray EncodeBitmapFile32(const QImage& picture);

// The 16 directory bytes of an icon image of `size` pixels (256 stored as 0) and `bits`
// bits per pixel (4 and 8 leave colour count, planes and bit count 0, as the palette
// writer does; 32 gives planes 1 and bit count 32). Size and offset are left 0.
QByteArray IconEntry(std::int32_t size, std::int32_t bits);

// One encoded image of an icon file: its size, depth and data (bitmap form or PNG).
struct TEncodedIcon {
    std::int32_t Size = 0;
    std::int32_t Bits = 0;
    QByteArray Data;
};

// A new icon file holding the images in the order given.
QByteArray IconFileBytes(const std::vector<TEncodedIcon>& images);

// Appends the images, in order, to the icon file `fileName` (creating it), through one
// safe write: the old file stays as it was on any failure. Throws EInvalidIcon for an
// existing file shorter than its header, EInOutError for any other failure.
void AppendIconImages(const QString& fileName, const std::vector<TEncodedIcon>& images);
