#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "reduce/ColorLookup.h"
#include "reduce/Palette.h"

// Nearest palette colour by the sum of the channel differences, cached per cell of 5-bit-
// per-channel colour space. A cell holding a palette entry answers with the lowest such
// entry; an empty cell is decided by the first colour looked up in it and then answers every
// colour falling into it the same way, even where another entry would be nearer.
class TFastColorLookup : public TColorLookup {
public:
    static constexpr int CellCount = 32768;

    // Copies the palette's entries (none without a palette).
    explicit TFastColorLookup(const TPalette* palette);

    std::uint8_t MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                          std::uint8_t& outRed, std::uint8_t& outGreen,
                          std::uint8_t& outBlue) override;

    static int CellOf(int red, int green, int blue) {
        return (red >> 3) + ((green >> 3) << 5) + ((blue >> 3) << 10);
    }

private:
    int NearestEntry(int red, int green, int blue) const;

    std::array<TPaletteEntry, TPalette::MaxEntries> PaletteEntries{};
    // Channel values again, one array per channel and padded to a whole number of vector
    // lanes, so that the distance search compiles to vector code.
    static constexpr int PaddedEntries = TPalette::MaxEntries;
    std::array<std::int16_t, PaddedEntries> ChannelR{};
    std::array<std::int16_t, PaddedEntries> ChannelG{};
    std::array<std::int16_t, PaddedEntries> ChannelB{};
    std::unique_ptr<std::int16_t[]> CellTable;
};
