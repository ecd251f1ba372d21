#include "reduce/FastColorLookup.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// Channel value of the padding entries: farther from every colour than any real entry, near
// enough that three differences still fit 16 bits.
constexpr std::int16_t FarAway = 2000;

// The search key of an entry: its distance, capped at Capped, above its palette index; the
// smallest key is the nearest entry, and the lowest index among equally near ones, as long as
// that distance is below the cap.
constexpr int Capped = 127;

} // namespace

TFastColorLookup::TFastColorLookup(const TPalette* palette)
    : CellTable(std::make_unique_for_overwrite<std::uint8_t[]>(CellCount)) {
    Entries = palette != nullptr ? palette->EntryCount() : 0;
    // Counting sort by sum, which keeps index order among equal sums; the counts turn into
    // WindowStart on the way.
    auto sumOf = [](const TPaletteEntry& e) { return e.red + e.green + e.blue; };
    std::array<std::int16_t, SumCount + 1> count{};
    for (int i = 0; i < Entries; ++i) {
        PaletteEntries[i] = palette->entries[i];
        ++count[sumOf(PaletteEntries[i])];
    }
    int position = 0;
    for (int sum = 0; sum <= SumCount; ++sum) {
        WindowStart[sum] = static_cast<std::int16_t>(position);
        position += count[sum];
    }
    SortedR.fill(FarAway);
    SortedG.fill(FarAway);
    SortedB.fill(FarAway);
    std::array<std::int16_t, SumCount + 1> next = WindowStart;
    for (int i = 0; i < Entries; ++i) {
        const TPaletteEntry& e = PaletteEntries[i];
        const int k = next[sumOf(e)]++;
        SortedR[k] = e.red;
        SortedG[k] = e.green;
        SortedB[k] = e.blue;
        SortedIndex[k] = static_cast<std::int16_t>(i);
    }

    for (int i = 0; i < Entries; ++i) {
        const TPaletteEntry& e = PaletteEntries[i];
        const int cell = CellOf(e.red, e.green, e.blue);
        if (!CellDecided(cell)) Decide(cell, i);
    }
}

// Searches work on whole blocks of sorted positions, from `begin` (a block boundary) up to the
// block holding `end` - 1. Looking at more real entries than needed cannot change an answer,
// and padding entries lie beyond every colour, so blocks need no edge handling and the work
// on a block compiles to straight vector code.
inline int TFastColorLookup::SmallestKey(int begin, int end, int red, int green, int blue) const {
    const auto r = static_cast<std::int16_t>(red);
    const auto g = static_cast<std::int16_t>(green);
    const auto b = static_cast<std::int16_t>(blue);
    auto magnitude = [](std::int16_t v) { return std::max(v, static_cast<std::int16_t>(-v)); };
    std::array<std::int16_t, Block> least;
    least.fill(INT16_MAX);
    for (int base = begin; base < end; base += Block) {
        for (int j = 0; j < Block; ++j) {
            const auto d = static_cast<std::int16_t>(
                magnitude(static_cast<std::int16_t>(SortedR[base + j] - r)) +
                magnitude(static_cast<std::int16_t>(SortedG[base + j] - g)) +
                magnitude(static_cast<std::int16_t>(SortedB[base + j] - b)));
            const auto key = static_cast<std::int16_t>(
                std::min(d, static_cast<std::int16_t>(Capped)) << 8 | SortedIndex[base + j]);
            least[j] = key < least[j] ? key : least[j];
        }
    }
    std::int16_t smallest = INT16_MAX;
    for (const std::int16_t key : least)
        smallest = key < smallest ? key : smallest;
    return smallest;
}

// The search as plainly stated: the first entry strictly nearer than all before it.
int TFastColorLookup::PlainSearch(int red, int green, int blue) const {
    int best = 0x30000;
    int index = 0;
    for (int i = 0; i < Entries; ++i) {
        const TPaletteEntry& e = PaletteEntries[i];
        const int distance =
            std::abs(e.red - red) + std::abs(e.green - green) + std::abs(e.blue - blue);
        if (distance < best) {
            best = distance;
            index = i;
        }
    }
    return index;
}

int TFastColorLookup::NearestEntry(int red, int green, int blue) {
    // Gives what PlainSearch gives. Small palettes are searched whole. In larger ones a bound
    // comes first, the nearer of the entry found last (neighbouring pixels are alike) and the
    // block of entries whose sums are closest; then every entry whose sum lies within that
    // bound is looked at. A colour with no entry nearer than the cap falls back to the plain
    // search.
    if (Entries == 0) return 0; // an unusable lookup: entry 0, black
    int begin = 0;
    int end = Entries;
    if (Entries > 2 * Block) {
        const TPaletteEntry& last = PaletteEntries[LastFound];
        const int sum = red + green + blue;
        const int probe = std::min<int>(WindowStart[sum], Entries - 1) / Block * Block;
        const int bound = std::min(std::abs(last.red - red) + std::abs(last.green - green) +
                                       std::abs(last.blue - blue),
                                   SmallestKey(probe, probe + 1, red, green, blue) >> 8);
        if (bound < Capped) {
            begin = WindowStart[std::max(sum - bound, 0)] / Block * Block;
            end = WindowStart[std::min(sum + bound, SumCount - 1) + 1];
        }
    }
    const int key = SmallestKey(begin, end, red, green, blue);
    LastFound = (key >> 8) < Capped ? key & 0xFF : PlainSearch(red, green, blue);
    return LastFound;
}
