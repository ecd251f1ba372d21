#include "gif/GIFLZWDecoder.h"

#include <algorithm>
#include <cstring>

#include "gif/GIFItem.h"
#include "gif/GIFStream.h"
#include "reduce/GraphicErrors.h"

namespace {

constexpr int MaxCodeSize = 12;
// The pixel block grows as the data fills it, so a frame's memory follows its data and not
// the size its descriptor claims; blocks are never cleared, so pages not yet written are
// not even touched.
constexpr std::size_t FirstChunk = 1024 * 1024;

void Reallocate(TGIFDecodedPixels& pixels, std::size_t used, std::size_t capacity) {
    auto block = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
    if (used > 0) std::memcpy(block.get(), pixels.Data.get(), used);
    pixels.Data = std::move(block);
}

} // namespace

TGIFLZWDecoder::TGIFLZWDecoder(TGIFStream& stream, TGIFItem& owner)
    : FStream(stream), FOwner(owner) {}

bool TGIFLZWDecoder::NextBlock() {
    if (FBlocksEnded) return false;
    bool truncated = false;
    FBlockLength = FStream.ReadSubBlock(FBlock, truncated);
    if (truncated) FOwner.Warning("Premature end of data");
    if (truncated || FBlockLength == 0) FBlocksEnded = true;
    return FBlockLength > 0;
}

TGIFDecodedPixels TGIFLZWDecoder::Decode(std::size_t pixelCount) {
    TGIFDecodedPixels pixels;
    const int minCodeSize = FStream.ReadByte();
    if (minCodeSize < 0) return pixels;
    if (minCodeSize >= MaxCodeSize) throw GIFException("Invalid LZW minimum code size");

    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    int width = minCodeSize + 1;
    int step = 2 * clear;
    int next = clear + 2;
    int previous = -1;
    std::size_t previousPos = 0;

    // Every string in the table has already been written out once: an entry is the place of
    // that copy and its length, and decoding a code copies those bytes. Plain pointers,
    // because a byte store through a vector could alias any member and force reloads.
    std::uint32_t* const offsets = FOffset.data();
    std::uint16_t* const lengths = FLength.data();
    for (int c = 0; c < clear; ++c)
        lengths[c] = 1;
    std::uint8_t* out = nullptr;
    std::size_t capacity = 0;
    std::size_t pos = 0;

    // The bit reader's state lives in locals: the compiler keeps them in registers, which it
    // could not do for members that any pixel store might alias.
    std::uint32_t bits = 0;
    int bitCount = 0;
    int blockPos = 0;
    int blockLength = 0;
    const std::uint8_t* const block = FBlock.data();
    auto readCode = [&](int& code) {
        while (bitCount < width) {
            if (blockPos == blockLength) {
                if (!NextBlock()) {
                    FOwner.Warning("Decoder bit buffer under-run");
                    return false;
                }
                blockPos = 0;
                blockLength = FBlockLength;
            }
            // As many bytes as the buffer holds: most codes then need no refill.
            while (bitCount <= 24 && blockPos < blockLength) {
                bits |= std::uint32_t{block[blockPos++]} << bitCount;
                bitCount += 8;
            }
        }
        code = static_cast<int>(bits & ((1u << width) - 1));
        bits >>= width;
        bitCount -= width;
        return true;
    };

    bool sawEnd = false;
    int code = 0;
    while (pos < pixelCount) {
        if (!readCode(code)) break;
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
        } else if (next < TableSize) {
            // The previous string followed by the first character of this one: it stands in
            // the output where the previous string began. A code not yet in the table is
            // this very entry (the previous string followed by its own first character).
            offsets[next] = static_cast<std::uint32_t>(previousPos);
            lengths[next] = static_cast<std::uint16_t>(lengths[previous] + 1);
            if (code >= next) code = next;
            ++next;
            if (next >= step && step < TableSize) {
                ++width;
                step *= 2;
            }
        }
        previous = code;
        previousPos = pos;

        // Characters past the frame are dropped: they are the end of the string.
        const std::size_t last = std::min(pos + lengths[code], pixelCount);
        if (last > capacity) {
            capacity = std::min(pixelCount, std::max({capacity * 4, last, FirstChunk}));
            Reallocate(pixels, pos, capacity);
            out = pixels.Data.get();
        }
        if (code < clear) {
            out[pos] = static_cast<std::uint8_t>(code);
        } else {
            // The source lies before `pos`; for the entry just made it reaches into the
            // bytes being written, which a forward copy reads after writing them.
            const std::uint8_t* from = out + offsets[code];
            std::uint8_t* to = out + pos;
            const std::size_t count = last - pos;
            if (count <= 16 && from + 16 <= to && pos + 16 <= capacity) {
                // Short strings, the common case, as one fixed-size copy; the bytes after
                // `last` are not yet written and are written again later.
                std::memcpy(to, from, 16);
            } else if (from + count <= to) {
                std::memcpy(to, from, count);
            } else {
                for (std::size_t i = 0; i < count; ++i)
                    to[i] = from[i];
            }
        }
        pos = last;
    }
    pixels.Size = pos;
    // Keep no more than the data filled.
    if (capacity - pos > capacity / 4) Reallocate(pixels, pos, pos);

    // Encoders often follow the last pixel with an end code; anything else in the frame's
    // data is passed over as well.
    if (!sawEnd && pos == pixelCount && !FBlocksEnded) readCode(code);
    if (!FBlocksEnded) FStream.SkipSubBlocks();
    return pixels;
}
