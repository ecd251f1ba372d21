#include "gif/GIFAppExtNSLoop.h"

#include <cstring>

#include "reduce/GraphicErrors.h"

bool TGIFAppExtNSLoop::Handles(const std::uint8_t* code11) {
    return std::memcmp(code11, "NETSCAPE2.0", 11) == 0 ||
           std::memcmp(code11, "ANIMEXTS1.0", 11) == 0;
}

void TGIFAppExtNSLoop::LoadApplicationData(TGIFStream& stream) {
    for (const TGIFBlock& block : ReadSubBlocks(stream)) {
        const std::vector<std::uint8_t>& d = block.Data;
        switch (d[0] & 0x07) {
        case 1:
            if (d.size() < 3) throw GIFException("Invalid GIF data");
            FLoops = d[1] | (d[2] << 8);
            break;
        case 2:
            if (d.size() < 5) throw GIFException("Invalid GIF data");
            FBufferSize = d[1] | (d[2] << 8) | (d[3] << 16) | (std::uint32_t{d[4]} << 24);
            break;
        default:
            break;
        }
    }
}
