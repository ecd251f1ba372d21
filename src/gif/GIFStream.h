#pragma once

#include <QIODevice>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Buffered byte reader over the device a GIF is loaded from. The parser reads the file a
// byte or a few bytes at a time; going to the device for each would dominate the load.
//
// Offsets are counted from the position the device had when the reader was made. Finish()
// leaves the device just after the last byte consumed and Restore() puts it back where
// reading started (both only on random-access devices; a sequential device gets back the
// bytes read ahead but cannot be rewound).
class TGIFStream {
public:
    explicit TGIFStream(QIODevice& device);
    TGIFStream(const TGIFStream&) = delete;
    TGIFStream& operator=(const TGIFStream&) = delete;

    // The next byte, or -1 at the end of the data.
    int ReadByte();
    int PeekByte();
    // Copies up to `count` bytes and returns how many there were.
    std::size_t Read(std::uint8_t* data, std::size_t count);
    // Copies exactly `count` bytes; raises GIFException "Premature end of data" otherwise.
    void ReadExact(std::uint8_t* data, std::size_t count);
    // Looks at up to `count` (at most 64) bytes ahead without consuming them.
    std::size_t Peek(std::uint8_t* data, std::size_t count);
    std::size_t Skip(std::size_t count);

    // Offset of the next byte from where reading started.
    std::int64_t Position() const { return FBufferOffset + static_cast<std::int64_t>(FPos); }
    // Goes back to an earlier offset; true when that was possible.
    bool SeekTo(std::int64_t offset);

    // One data sub-block (a size byte and that many bytes) into `data`. Returns the number of
    // bytes given; 0 at the end of the sub-blocks, which a size-0 block or the end of the
    // data marks. `truncated` tells whether the data ended inside the block.
    int ReadSubBlock(std::array<std::uint8_t, 255>& data, bool& truncated);
    // Skips sub-blocks up to and including the size-0 block (or to the end of the data).
    void SkipSubBlocks();

    void Finish();
    void Restore();

    // True when a read (not a look ahead) has asked for bytes past the end of the data since
    // the last ResetShortRead(): the file ended in the middle of something.
    bool ShortRead() const { return FShortRead; }
    void ResetShortRead() { FShortRead = false; }

private:
    // Makes at least `count` bytes available after FPos if the device has them.
    bool Fill(std::size_t count);

    QIODevice& FDevice;
    qint64 FStart;
    std::vector<std::uint8_t> FBuffer;
    std::size_t FPos = 0;           // next byte in FBuffer
    std::size_t FEnd = 0;           // bytes held in FBuffer
    std::int64_t FBufferOffset = 0; // offset of FBuffer[0]
    bool FDeviceAtEnd = false;
    bool FShortRead = false;
};
