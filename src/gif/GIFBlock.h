#pragma once

#include <cstdint>
#include <vector>

// One data sub-block of an extension, kept as it stood in the file (1 to 255 bytes).
struct TGIFBlock {
    std::vector<std::uint8_t> Data;

    int Size() const { return static_cast<int>(Data.size()); }
};
