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
class TFastColorLookup final : public TColorLookup {
public:
    static constexpr int CellCount = 32768;

    // Copies the palette's entries (none without a palette).
    explicit TFastColorLookup(const TPalette* palette);

    std::uint8_t MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                          std::uint8_t& outRed, std::uint8_t& outGreen,
                          std::uint8_t& outBlue) override {
        const int cell = CellOf(red, green, blue);
        if (!CellDecided(cell)) Decide(cell, NearestEntry(red, green, blue));
        const std::uint8_t index = CellTable[cell];
        const TPaletteEntry& e = PaletteEntries[index];
        outRed = e.red;
        outGreen = e.green;
        outBlue = e.blue;
        return index;
    }

    static int CellOf(int red, int green, int blue) {
        return (red >> 3) + ((green >> 3) << 5) + ((blue >> 3) << 10);
    }

private:
    bool CellDecided(int cell) const { return (Decided[cell >> 6] >> (cell & 63) & 1) != 0; }
    void Decide(int cell, int index) {
        Decided[cell >> 6] |= std::uint64_t{1} << (cell & 63);
        CellTable[cell] = static_cast<std::uint8_t>(index);
    }
    int NearestEntry(int red, int green, int blue);
    int SmallestKey(int begin, int end, int red, int green, int blue) const;
    int PlainSearch(int red, int green, int blue) const;

    std::array<TPaletteEntry, TPalette::MaxEntries> PaletteEntries{};
    // The entries again, sorted by red + green + blue (index order among equal sums): no
    // entry whose sum differs from a colour's by more than d can lie within distance d of
    // it, so a search only looks at a window of this order. Positions from EntryCount on are
    // padding.
    static constexpr int SumCount = 3 * 255 + 1;
    static constexpr int Block = 8;
    alignas(32) std::array<std::int16_t, TPalette::MaxEntries> SortedR{};
    alignas(32) std::array<std::int16_t, TPalette::MaxEntries> SortedG{};
    alignas(32) std::array<std::int16_t, TPalette::MaxEntries> SortedB{};
    alignas(32) std::array<std::int16_t, TPalette::MaxEntries> SortedIndex{};
    // WindowStart[s]: the first sorted position whose sum is at least s; WindowStart[SumCount]
    // is EntryCount.
    std::array<std::int16_t, SumCount + 1> WindowStart{};
    // The index each cell answers with, valid where its bit in Decided is set; a cell keeps
    // the first index it gets.
    std::unique_ptr<std::uint8_t[]> CellTable;
    std::array<std::uint64_t, CellCount / 64> Decided{};
    int LastFound = 0; // the entry the last search found
};
