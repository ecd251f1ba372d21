#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

class TGIFItem;
class TGIFStream;

// Colour indices in the order the codes gave them. The block is not cleared beforehand:
// only its first Size bytes have meaning.
struct TGIFDecodedPixels {
    std::unique_ptr<std::uint8_t[]> Data;
    std::size_t Size = 0;
};

// Decodes the image data of one frame: the minimum code size byte and the LZW codes that
// the data sub-blocks carry, least significant bit first.
//
// The indices come out in the order the codes give them (for an interlaced frame, in pass
// order), at most `pixelCount` of them. Data that ends early (an early end code, an early
// size-0 block, the end of the file) leaves fewer; that is not an error. A minimum code size
// above 11 raises GIFException "Invalid LZW minimum code size", and a code that names no
// string raises GIFException "Circular decoder table entry".
//
// Afterwards the stream stands after the frame's size-0 block (or at the end of the file),
// whether or not the data carried an end code, so the next block starts cleanly.
class TGIFLZWDecoder {
public:
    TGIFLZWDecoder(TGIFStream& stream, TGIFItem& owner);

    TGIFDecodedPixels Decode(std::size_t pixelCount);

private:
    static constexpr int TableSize = 4096;

    // Reads the next data sub-block into FBlock; false when there is none.
    bool NextBlock();

    TGIFStream& FStream;
    TGIFItem& FOwner;

    // Where each string of the table stands in the output, and its length.
    std::array<std::uint32_t, TableSize> FOffset{};
    std::array<std::uint16_t, TableSize> FLength{};

    std::array<std::uint8_t, 255> FBlock{};
    int FBlockLength = 0;
    bool FBlocksEnded = false;
};
