#pragma once

#include "image/ImageErrors.h"
#include "image/PxlMap.h"

#include <QImage>
#include <QString>
#include <cstdint>

// Reads image `index` (from 0) of an icon file into the two maps, which are cleared
// first: colorMap gets the image's own depth (1, 4 or 8 bits) and palette, maskMap a
// 1-bit map (palette black, white; 1 = transparent) of the same square size. Returns
// the file's image count. An image the maps cannot hold (another depth, wider than 256
// pixels, not square, compressed, an unknown info header) leaves both maps empty and still returns
// the count; so does an image whose directory entry gives fewer bytes than the info
// header, or whose colours-used field exceeds 2^bits. The
// image data is sized from the width and depth, not from the info header's image-size
// field; a mask cut short by the end of the file reads as opaque.
// (ReadIconPicture reads those images as pictures.)
// Throws EInvalidIcon as described above (also for a header whose reserved field is not
// 0 or whose type is not 1, an index not below the count or a directory longer than the
// file), EInOutError when the file cannot be opened.
std::int32_t ReadIconImage(const QString& fileName, std::int32_t index, TPxlMap& colorMap,
                           TPxlMap& maskMap);
// The same; when the image leaves the maps empty, `refusal` says why, in words that
// follow "image N is": "a 32-bit image", "a PNG image", "a compressed image", "not
// square", "120 pixels wide (at most 256 are taken)" or "damaged". Empty otherwise.
std::int32_t ReadIconImage(const QString& fileName, std::int32_t index, TPxlMap& colorMap,
                           TPxlMap& maskMap, QString* refusal);

// Reads image `index` of an icon file as a picture, for the images the pixel maps cannot
// hold: 24- and 32-bit bitmaps, PNG-coded images, and 1-, 4- or 8-bit bitmaps that are
// not square or are wider than 100 pixels. Width and height come from the image itself
// (the info header or the PNG header, never the directory) and are 1 to MaxIconPicture.
// `picture` receives Format_Mono (1 bit), Format_Indexed8 (4 and 8 bits), Format_RGB32
// (24 bits, and 32-bit images whose alpha bytes are all 0) or Format_ARGB32 (32-bit
// images with alpha, not premultiplied); a PNG-coded image arrives as Qt's PNG reader
// gives it, Format_ARGB32 when it has an alpha channel. `maskMap` receives the AND mask
// of a bitmap image without alpha when a pixel map holds it, and is left empty
// otherwise. A PNG image is read from at most MaxIconPngBytes bytes, up to the end of
// the file, whatever the directory says.
// Returns the file's image count; the picture stays null when the image cannot be read,
// and `refusal` then says why ("a 16-bit image", "a compressed image", "damaged", ...).
// Throws as ReadIconImage.
inline constexpr std::int32_t MaxIconPicture = 256;
inline constexpr std::int64_t MaxIconPngBytes = std::int64_t{4} << 20;
std::int32_t ReadIconPicture(const QString& fileName, std::int32_t index, QImage& picture,
                             TPxlMap& maskMap, QString* refusal);

// Writes the pair as image `index` of the icon file: -1 or an index not below the file's
// count appends, a smaller index replaces that image, and a missing file is created with
// this one image. Maps of different sizes, a colour map that is not square or is wider
// than 256 pixels write nothing. The new content is written as SafeFile::Write does and
// replaces the file by one atomic rename; on any failure the existing file stays byte for
// byte as it was and the temporary file is removed. Runs writing icon files in one folder
// this way take turns (a lock on the folder), so concurrent appends all end up in the
// file. Anything at fileName that is no regular file is refused before it is opened.
// Throws EInvalidIcon("Icon file is not valid") for an existing file shorter than its
// 6-byte header, EInOutError for any other read or write failure.
void WriteIconImage(const QString& fileName, std::int32_t index, const TPxlMap& colorMap,
                    const TPxlMap& maskMap);

// The icon file that an append rebuilds: false (and `existing` empty) when nothing is at
// fileName, true with its bytes otherwise. The caller holds the folder's lock
// (SystemFiles::FolderLock) until the new file is in place. Throws as WriteIconImage does,
// also for a FIFO or a device at fileName.
bool ReadIconFileToExtend(const QString& fileName, QByteArray& existing);
