#pragma once

#include "image/ImageErrors.h"
#include "image/PxlMap.h"

#include <QString>
#include <cstdint>

// Reads image `index` (from 0) of an icon file into the two maps, which are cleared
// first: colorMap gets the image's own depth (1, 4 or 8 bits) and palette, maskMap a
// 1-bit map (palette black, white; 1 = transparent) of the same square size. Returns
// the file's image count. An image the maps cannot hold (another depth, wider than 100
// pixels, not square, compressed, an unknown info header) leaves both maps empty and still returns
// the count; so does an image whose directory entry gives fewer bytes than the info
// header, or whose colours-used field exceeds 2^bits. The
// image data is sized from the width and depth, not from the info header's image-size
// field; a mask cut short by the end of the file reads as opaque.
// Throws EInvalidIcon as described above (also for a header whose reserved field is not
// 0 or whose type is not 1, an index not below the count or a directory longer than the
// file), EInOutError when the file cannot be opened.
std::int32_t ReadIconImage(const QString& fileName, std::int32_t index, TPxlMap& colorMap,
                           TPxlMap& maskMap);
// The same; when the image leaves the maps empty, `refusal` says why, in words that
// follow "image N is": "a 32-bit image", "a PNG image", "a compressed image", "not
// square", "120 pixels wide (at most 100 are taken)" or "damaged". Empty otherwise.
std::int32_t ReadIconImage(const QString& fileName, std::int32_t index, TPxlMap& colorMap,
                           TPxlMap& maskMap, QString* refusal);

// Writes the pair as image `index` of the icon file: -1 or an index not below the file's
// count appends, a smaller index replaces that image, and a missing file is created with
// this one image. Maps of different sizes, a colour map that is not square or is wider
// than 100 pixels write nothing. The new content is written as SafeFile::Write does and
// replaces the file by one atomic rename; on any failure the existing file stays byte for
// byte as it was and the temporary file is removed. Runs writing icon files in one folder
// this way take turns (a lock on the folder), so concurrent appends all end up in the
// file. Anything at fileName that is no regular file is refused before it is opened.
// Throws EInvalidIcon("Icon file is not valid") for an existing file shorter than its
// 6-byte header, EInOutError for any other read or write failure.
void WriteIconImage(const QString& fileName, std::int32_t index, const TPxlMap& colorMap,
                    const TPxlMap& maskMap);
