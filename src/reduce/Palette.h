#pragma once

#include <array>
#include <cstdint>

// One palette colour, in the order the palette stores it.
struct TPaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;

    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

// A logical palette of up to 256 colours: a plain value that stands for the palette handle
// that reduction and the GIF reader pass around. Only the first `count` entries belong to
// it; readers clamp `count` to 0..256 before using it.
struct TPalette {
    static constexpr int MaxEntries = 256;

    int count = 0;
    std::array<TPaletteEntry, MaxEntries> entries{};

    // The number of entries a reader may use: `count` clamped to 0..256.
    int EntryCount() const {
        if (count < 0) return 0;
        return count > MaxEntries ? MaxEntries : count;
    }
};
