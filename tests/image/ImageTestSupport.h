#pragma once

#include "utils/TestUtils.h"

#include "image/PxlMap.h"

#include <QString>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace imagetest {

// A map of the given size and depth with a palette of distinct colours and pixels that
// use every index, so any mix-up of rows, columns or nibbles shows.
TPxlMap PatternMap(int width, int height, int bits, unsigned seed = 1);
// A 1-bit mask, palette black and white, with a transparent disc and a few stray pixels.
TPxlMap PatternMask(int size, unsigned seed = 1);

// The colour of pixel (x, y) as 0xAARRGGBB, transparent where the mask says 1.
std::uint32_t Argb(TPxlMap& color, TPxlMap* mask, int x, int y);

// Compares a decoded RGBA picture (row by row from the top) with an icon image pair:
// transparent where the mask is 1, the palette colour elsewhere. Empty when they match,
// else where they first differ.
std::string ComparePicture(const std::vector<std::uint32_t>& argb, int width, int height,
                           TPxlMap& color, TPxlMap& mask);

// The pixels of a QImage as 0xAARRGGBB, row by row from the top.
std::vector<std::uint32_t> ArgbPixels(const class QImage& picture);

// Field by field equality of two maps (padding bytes are not part of a map's value).
bool SameMap(const TPxlMap& a, const TPxlMap& b);

struct DecodedPicture {
    bool ok = false;
    std::string error;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb; // row by row from the top
};

// Opens a picture with Pillow (frame `index` of an icon file sorted by Pillow's own
// order when index < 0, else the image of that size) and returns it as RGBA.
DecodedPicture DecodeWithPillow(const std::filesystem::path& file, int iconSize = 0);

// Runs Debian's Python with an inline script and the given arguments.
std::string RunPython(const std::string& script, const std::vector<std::string>& args,
                      int* exitCode = nullptr);

} // namespace imagetest
