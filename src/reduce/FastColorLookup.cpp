#include "reduce/FastColorLookup.h"

#include <algorithm>
#include <cstdint>

namespace {

// Channel value of the padding entries: farther from every colour than any real entry, near
// enough that three differences still fit 16 bits.
constexpr std::int16_t FarAway = 2000;

} // namespace

TFastColorLookup::TFastColorLookup(const TPalette* palette)
    : CellTable(new std::int16_t[CellCount]) {
    Entries = palette != nullptr ? palette->EntryCount() : 0;
    std::array<int, TPalette::MaxEntries> order{};
    for (int i = 0; i < Entries; ++i) {
        PaletteEntries[i] = palette->entries[i];
        order[i] = i;
    }
    auto sumOf = [this](int i) {
        const TPaletteEntry& e = PaletteEntries[i];
        return e.red + e.green + e.blue;
    };
    std::stable_sort(order.begin(), order.begin() + Entries,
                     [&](int a, int b) { return sumOf(a) < sumOf(b); });
    int position = 0;
    for (int sum = 0; sum <= SumCount; ++sum) {
        while (position < Entries && sumOf(order[position]) < sum)
            ++position;
        WindowStart[sum] = static_cast<std::int16_t>(position);
    }
    SortedR.fill(FarAway);
    SortedG.fill(FarAway);
    SortedB.fill(FarAway);
    for (int k = 0; k < Entries; ++k) {
        const TPaletteEntry& e = PaletteEntries[order[k]];
        SortedR[k] = e.red;
        SortedG[k] = e.green;
        SortedB[k] = e.blue;
        SortedIndex[k] = static_cast<std::int16_t>(order[k]);
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

// Over whole blocks of sorted positions, from the block holding `first` to the one holding
// `last` - 1: the smallest distance and, among the entries at that distance, the lowest
// palette index, as distance * 256 + index. Looking at more real entries than asked cannot
// change the answer, and padding entries lie beyond every colour, so blocks need no edge
// handling and the work on a block compiles to straight vector code.
int TFastColorLookup::NearestInBlocks(int first, int last, int red, int green, int blue) const {
    const int begin = first / Block * Block;
    const auto r = static_cast<std::int16_t>(red);
    const auto g = static_cast<std::int16_t>(green);
    const auto b = static_cast<std::int16_t>(blue);
    alignas(32) std::array<std::int16_t, TPalette::MaxEntries> distance;
    std::array<std::int16_t, Block> least;
    least.fill(INT16_MAX);
    for (int base = begin; base < last; base += Block) {
        for (int j = 0; j < Block; ++j) {
            const auto dr = static_cast<std::int16_t>(SortedR[base + j] - r);
            const auto dg = static_cast<std::int16_t>(SortedG[base + j] - g);
            const auto db = static_cast<std::int16_t>(SortedB[base + j] - b);
            const auto d = static_cast<std::int16_t>(
                std::max<std::int16_t>(dr, static_cast<std::int16_t>(-dr)) +
                std::max<std::int16_t>(dg, static_cast<std::int16_t>(-dg)) +
                std::max<std::int16_t>(db, static_cast<std::int16_t>(-db)));
            distance[base + j] = d;
            least[j] = std::min(least[j], d);
        }
    }
    std::int16_t nearest = INT16_MAX;
    for (const std::int16_t d : least)
        nearest = std::min(nearest, d);

    std::array<std::int16_t, Block> lowest;
    lowest.fill(INT16_MAX);
    for (int base = begin; base < last; base += Block)
        for (int j = 0; j < Block; ++j) {
            // Entries farther away are marked out with a bit above every index.
            const auto candidate = static_cast<std::int16_t>(SortedIndex[base + j] |
                                                             (distance[base + j] != nearest) << 14);
            lowest[j] = candidate < lowest[j] ? candidate : lowest[j];
        }
    std::int16_t index = INT16_MAX;
    for (const std::int16_t i : lowest)
        index = std::min(index, i);
    return nearest << 8 | index;
}

int TFastColorLookup::NearestEntry(int red, int green, int blue) const {
    // The answer is what one pass over all entries gives when it takes an entry only if it
    // is strictly nearer: the lowest index among the nearest. First a bound from the few
    // entries whose sums are closest, then every entry whose sum lies within that bound.
    if (Entries == 0) return 0; // an unusable lookup: entry 0, black
    const int sum = red + green + blue;
    const int probe = std::min<int>(WindowStart[sum], Entries - 1);
    const int bound = NearestInBlocks(probe, probe + 1, red, green, blue) >> 8;
    const int first = WindowStart[std::max(sum - bound, 0)];
    const int last = WindowStart[std::min(sum + bound, SumCount - 1) + 1];
    return NearestInBlocks(first, last, red, green, blue) & 0xFF;
}
