#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class TGIFItem;
class TGIFStream;

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

    std::vector<std::uint8_t> Decode(std::size_t pixelCount);

private:
    static constexpr int TableSize = 4096;

    bool ReadCode(int width, int& code);
    bool NextBlock();
    // Writes the string of `code` at `pos`, as much of it as fits before `limit`.
    void Emit(int code, std::vector<std::uint8_t>& pixels, std::size_t& pos, std::size_t limit);

    TGIFStream& FStream;
    TGIFItem& FOwner;

    std::array<std::uint16_t, TableSize> FPrefix{};
    std::array<std::uint8_t, TableSize> FSuffix{};
    std::array<std::uint8_t, TableSize> FFirst{};
    std::array<std::uint16_t, TableSize> FLength{};

    std::array<std::uint8_t, 255> FBlock{};
    int FBlockLength = 0;
    int FBlockPos = 0;
    bool FBlocksEnded = false;
    std::uint32_t FBits = 0;
    int FBitCount = 0;
};
