#pragma once

#include <QImage>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "gif/GIFColorMap.h"
#include "gif/GIFImage.h"

// Hand assembly of GIF files for the reader's tests, and small helpers around loading.
namespace giftest {

using Bytes = std::vector<std::uint8_t>;

void PutWord(Bytes& out, int value);
void Append(Bytes& out, const Bytes& more);

// `count` distinct colours: entry i is (i, 255 - i, 7 * i mod 256).
std::vector<TGIFColor> Colors(int count);

// Signature and logical screen descriptor, then the global colour table when `global` is
// not empty (its size must be a power of two from 2 to 256).
Bytes Header(int width, int height, const std::vector<TGIFColor>& global,
             const std::string& signature = "GIF89a");

void AddGraphicControl(Bytes& out, bool transparent, int transparentIndex);
void AddComment(Bytes& out, const std::vector<std::string>& lines);

// Codes packed least significant bit first, each (code, width).
Bytes PackCodes(const std::vector<std::pair<int, int>>& codes);
// LZW codes for `indices`: clear code, the data with the table growing to 12 bits (a clear
// whenever it is full), then the end code unless `endCode` is false.
Bytes LZWCodes(const std::vector<std::uint8_t>& indices, int minCodeSize, bool endCode = true);
// `data` cut into sub-blocks of at most 255 bytes, with the size-0 block.
Bytes SubBlocks(const Bytes& data, std::size_t blockSize = 255);

struct Frame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    // Colour indices, top row first, as the picture should come out.
    std::vector<std::uint8_t> indices;
    std::vector<TGIFColor> local;
    bool interlaced = false;
    int minCodeSize = 8;
};
// Image descriptor, local table, minimum code size and the LZW sub-blocks. An interlaced
// frame's rows are stored in the four passes' order.
void AddImage(Bytes& out, const Frame& frame);

// A 1-pixel-per-index picture of `width` x `height`, value (x + 3 y) mod `colors`.
std::vector<std::uint8_t> Pattern(int width, int height, int colors);

// Loads `bytes` into `image` through a memory device; returns the warnings given.
std::vector<std::string> Load(TGIFImage& image, const Bytes& bytes);
// The message of the GIFException that loading raises, or "" when it loads.
std::string LoadError(const Bytes& bytes);

// Index of pixel (x, y) of an 8-bit picture.
int IndexAt(const QImage& picture, int x, int y);

// ImageMagick's convert (the program itself, not a wrapper around it).
std::string ConvertProgram();

} // namespace giftest
