// The run-length decoder by itself, on any codes for any small picture: it writes nowhere
// but the picture, and leaves no pixel undefined or beyond the palette.
#include "process/loading/ByteStream.h"
#include "process/loading/RunLengthBitmap.h"

#include <QBuffer>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    // The first four bytes pick the width, height, depth and palette size.
    const int width = data[0] + 1, height = data[1] % 64 + 1, bits = data[2] % 2 ? 4 : 8;
    const std::uint32_t entries = data[3] % (bits == 4 ? 16 : 256) + 1;
    QByteArray codes(reinterpret_cast<const char*>(data + 4), static_cast<qsizetype>(size - 4));
    QBuffer device(&codes);
    device.open(QIODevice::ReadOnly);
    ByteStream stream(device, 0);
    QImage picture(width, height, QImage::Format_Indexed8);
    picture.fill(0xFF); // what a decoder that leaves pixels unset would show
    DecodeRunLength(stream, bits, entries, picture);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (picture.constScanLine(y)[x] >= entries) __builtin_trap();
    return 0;
}
