#include "gif/GIFLZWDecoder.h"

#include <algorithm>

#include "gif/GIFItem.h"
#include "gif/GIFStream.h"
#include "reduce/GraphicErrors.h"

namespace {
constexpr int MaxCodeSize = 12;
// Pixels are stored as they are decoded, so a frame's memory follows its data and not the
// size its descriptor claims.
constexpr std::size_t FirstChunk = 64 * 1024;
} // namespace

TGIFLZWDecoder::TGIFLZWDecoder(TGIFStream& stream, TGIFItem& owner)
    : FStream(stream), FOwner(owner) {}

bool TGIFLZWDecoder::NextBlock() {
    if (FBlocksEnded) return false;
    bool truncated = false;
    FBlockLength = FStream.ReadSubBlock(FBlock, truncated);
    FBlockPos = 0;
    if (truncated) FOwner.Warning("Premature end of data");
    if (truncated || FBlockLength == 0) FBlocksEnded = true;
    return FBlockLength > 0;
}

bool TGIFLZWDecoder::ReadCode(int width, int& code) {
    while (FBitCount < width) {
        if (FBlockPos == FBlockLength && !NextBlock()) {
            FOwner.Warning("Decoder bit buffer under-run");
            return false;
        }
        FBits |= std::uint32_t{FBlock[FBlockPos++]} << FBitCount;
        FBitCount += 8;
    }
    code = static_cast<int>(FBits & ((1u << width) - 1));
    FBits >>= width;
    FBitCount -= width;
    return true;
}

void TGIFLZWDecoder::Emit(int code, std::vector<std::uint8_t>& pixels, std::size_t& pos,
                          std::size_t limit) {
    const std::size_t length = FLength[code];
    std::size_t last = std::min(pos + length, limit);
    if (last > pixels.size()) {
        pixels.resize(std::min(limit, std::max({pixels.size() * 2, last, FirstChunk})));
    }
    // The chain gives the string from its end; characters past the frame are dropped.
    for (std::size_t skip = pos + length - last; skip > 0; --skip)
        code = FPrefix[code];
    for (std::size_t i = last; i > pos;) {
        pixels[--i] = FSuffix[code];
        code = FPrefix[code];
    }
    pos = last;
}

std::vector<std::uint8_t> TGIFLZWDecoder::Decode(std::size_t pixelCount) {
    std::vector<std::uint8_t> pixels;
    const int minCodeSize = FStream.ReadByte();
    if (minCodeSize < 0) return pixels;
    if (minCodeSize >= MaxCodeSize) throw GIFException("Invalid LZW minimum code size");

    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    for (int c = 0; c < clear; ++c) {
        FPrefix[c] = 0;
        FSuffix[c] = FFirst[c] = static_cast<std::uint8_t>(c);
        FLength[c] = 1;
    }
    int width = minCodeSize + 1;
    int step = 2 * clear;
    int next = clear + 2;
    int previous = -1;

    std::size_t pos = 0;
    bool sawEnd = false;
    int code = 0;
    while (pos < pixelCount) {
        if (!ReadCode(width, code)) break;
        if (code == clear) {
            width = minCodeSize + 1;
            step = 2 * clear;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end) {
            sawEnd = true;
            break;
        }
        if (previous < 0) {
            // After a clear there is no string to extend: only a literal makes sense.
            if (code > end) throw GIFException("Circular decoder table entry");
            Emit(code, pixels, pos, pixelCount);
            previous = code;
            continue;
        }
        const bool known = code < next;
        if (next < TableSize) {
            FPrefix[next] = static_cast<std::uint16_t>(previous);
            FSuffix[next] = known ? FFirst[code] : FFirst[previous];
            FFirst[next] = FFirst[previous];
            FLength[next] = static_cast<std::uint16_t>(FLength[previous] + 1);
            // The code not yet in the table is the string just added (previous string
            // followed by its own first character).
            if (!known) code = next;
            ++next;
            if (next >= step && step < TableSize) {
                ++width;
                step *= 2;
            }
        }
        Emit(code, pixels, pos, pixelCount);
        previous = code;
    }
    pixels.resize(pos);

    // Encoders often follow the last pixel with an end code; anything else in the frame's
    // data is passed over as well.
    if (!sawEnd && pos == pixelCount && !FBlocksEnded) ReadCode(width, code);
    if (!FBlocksEnded) FStream.SkipSubBlocks();
    return pixels;
}
