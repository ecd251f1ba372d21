#include "gif/GIFStream.h"

#include <algorithm>
#include <cstring>

#include "reduce/GraphicErrors.h"

namespace {
constexpr std::size_t ChunkSize = 64 * 1024;
constexpr std::size_t MaxPeek = 64;
constexpr std::int64_t KeptHead = 16;
} // namespace

TGIFStream::TGIFStream(QIODevice& device)
    : FDevice(device), FStart(device.isSequential() ? 0 : device.pos()), FBuffer(ChunkSize) {}

bool TGIFStream::Fill(std::size_t count) {
    if (FEnd - FPos >= count) return true;
    if (FDeviceAtEnd) return false;
    // The first bytes stay until the signature is settled, so that going back to the start
    // works on a sequential device too.
    if (FPos > 0 && Position() >= KeptHead) {
        std::memmove(FBuffer.data(), FBuffer.data() + FPos, FEnd - FPos);
        FBufferOffset += static_cast<std::int64_t>(FPos);
        FEnd -= FPos;
        FPos = 0;
    }
    while (FEnd - FPos < count) {
        if (FBuffer.size() - FEnd < ChunkSize) FBuffer.resize(FEnd + ChunkSize);
        const qint64 got = FDevice.read(reinterpret_cast<char*>(FBuffer.data() + FEnd),
                                        static_cast<qint64>(FBuffer.size() - FEnd));
        if (got <= 0) {
            FDeviceAtEnd = true;
            return false;
        }
        FEnd += static_cast<std::size_t>(got);
    }
    return true;
}

int TGIFStream::ReadByte() {
    if (FPos == FEnd && !Fill(1)) {
        FShortRead = true;
        return -1;
    }
    return FBuffer[FPos++];
}

int TGIFStream::PeekByte() {
    if (FPos == FEnd && !Fill(1)) return -1;
    return FBuffer[FPos];
}

std::size_t TGIFStream::Read(std::uint8_t* data, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        if (FPos == FEnd && !Fill(1)) break;
        const std::size_t n = std::min(count - done, FEnd - FPos);
        std::memcpy(data + done, FBuffer.data() + FPos, n);
        FPos += n;
        done += n;
    }
    if (done < count) FShortRead = true;
    return done;
}

void TGIFStream::ReadExact(std::uint8_t* data, std::size_t count) {
    if (Read(data, count) != count) throw GIFException("Premature end of data");
}

std::size_t TGIFStream::Peek(std::uint8_t* data, std::size_t count) {
    count = std::min(count, MaxPeek);
    Fill(count);
    const std::size_t n = std::min(count, FEnd - FPos);
    std::memcpy(data, FBuffer.data() + FPos, n);
    return n;
}

std::size_t TGIFStream::Skip(std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        if (FPos == FEnd && !Fill(1)) break;
        const std::size_t n = std::min(count - done, FEnd - FPos);
        FPos += n;
        done += n;
    }
    if (done < count) FShortRead = true;
    return done;
}

bool TGIFStream::SeekTo(std::int64_t offset) {
    if (offset >= FBufferOffset && offset <= FBufferOffset + static_cast<std::int64_t>(FEnd)) {
        FPos = static_cast<std::size_t>(offset - FBufferOffset);
        return true;
    }
    if (FDevice.isSequential() || offset < 0 || !FDevice.seek(FStart + offset)) return false;
    FBufferOffset = offset;
    FPos = FEnd = 0;
    FDeviceAtEnd = false;
    return true;
}

int TGIFStream::ReadSubBlock(std::array<std::uint8_t, 255>& data, bool& truncated) {
    truncated = false;
    const int size = ReadByte();
    if (size <= 0) return 0;
    const std::size_t got = Read(data.data(), static_cast<std::size_t>(size));
    truncated = got < static_cast<std::size_t>(size);
    return static_cast<int>(got);
}

void TGIFStream::SkipSubBlocks() {
    for (;;) {
        const int size = ReadByte();
        if (size <= 0) return;
        if (Skip(static_cast<std::size_t>(size)) < static_cast<std::size_t>(size)) return;
    }
}

void TGIFStream::Finish() {
    if (!FDevice.isSequential()) {
        FDevice.seek(FStart + Position());
        return;
    }
    for (std::size_t i = FEnd; i > FPos; --i)
        FDevice.ungetChar(static_cast<char>(FBuffer[i - 1]));
    FPos = FEnd;
}

void TGIFStream::Restore() {
    if (!FDevice.isSequential()) FDevice.seek(FStart);
}
