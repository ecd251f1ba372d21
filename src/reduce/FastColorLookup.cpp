#include "reduce/FastColorLookup.h"

#include <algorithm>

namespace {

// Channel value of the padding entries: far enough from every colour that they never win,
// small enough that three differences still fit 16 bits.
constexpr std::int16_t FarAway = 2000;
constexpr int LaneBlock = 16;

} // namespace

TFastColorLookup::TFastColorLookup(const TPalette* palette)
    : CellTable(new std::int16_t[CellCount]) {
    Entries = palette != nullptr ? palette->EntryCount() : 0;
    ChannelR.fill(FarAway);
    ChannelG.fill(FarAway);
    ChannelB.fill(FarAway);
    for (int i = 0; i < Entries; ++i) {
        PaletteEntries[i] = palette->entries[i];
        ChannelR[i] = PaletteEntries[i].red;
        ChannelG[i] = PaletteEntries[i].green;
        ChannelB[i] = PaletteEntries[i].blue;
    }
    std::fill_n(CellTable.get(), CellCount, std::int16_t{-1});
    for (int i = 0; i < Entries; ++i) {
        const TPaletteEntry& e = PaletteEntries[i];
        std::int16_t& cell = CellTable[CellOf(e.red, e.green, e.blue)];
        if (cell == -1) cell = static_cast<std::int16_t>(i);
    }
}

std::uint8_t TFastColorLookup::MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                        std::uint8_t& outRed, std::uint8_t& outGreen,
                                        std::uint8_t& outBlue) {
    std::int16_t& cell = CellTable[CellOf(red, green, blue)];
    if (cell == -1) cell = static_cast<std::int16_t>(NearestEntry(red, green, blue));
    const TPaletteEntry& e = PaletteEntries[cell];
    outRed = e.red;
    outGreen = e.green;
    outBlue = e.blue;
    return static_cast<std::uint8_t>(cell);
}

int TFastColorLookup::NearestEntry(int red, int green, int blue) const {
    // The lowest index among the entries at the smallest distance: the same answer as one
    // pass that takes an entry only when it is strictly nearer, in a form that vectorizes.
    const int count = (Entries + LaneBlock - 1) / LaneBlock * LaneBlock;
    alignas(32) std::int16_t distance[PaddedEntries];
    const auto r = static_cast<std::int16_t>(red);
    const auto g = static_cast<std::int16_t>(green);
    const auto b = static_cast<std::int16_t>(blue);
    for (int i = 0; i < count; ++i) {
        const int dr = ChannelR[i] - r;
        const int dg = ChannelG[i] - g;
        const int db = ChannelB[i] - b;
        distance[i] = static_cast<std::int16_t>((dr < 0 ? -dr : dr) + (dg < 0 ? -dg : dg) +
                                                (db < 0 ? -db : db));
    }
    std::int16_t best = INT16_MAX;
    for (int i = 0; i < count; ++i)
        best = std::min(best, distance[i]);
    for (int i = 0; i < Entries; ++i)
        if (distance[i] == best) return i;
    return 0; // no entries: entry 0, which is black
}
