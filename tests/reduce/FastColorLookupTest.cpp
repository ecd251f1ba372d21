#include <gtest/gtest.h>

#include <set>

#include "ReduceTestSupport.h"
#include "reduce/FastColorLookup.h"

using namespace reducetest;

namespace {

int Map(TFastColorLookup& lookup, int r, int g, int b) {
    std::uint8_t outR, outG, outB;
    return lookup.MapColor(std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), outR, outG, outB);
}

} // namespace

TEST(FastColorLookup, TiesAndSharedCellsGoToTheLowestIndex) {
    // (5,5,0) is 10 away from both; the entry listed first wins, in either order.
    TPalette a = PaletteOf({{10, 0, 0, 0}, {0, 10, 0, 0}});
    TPalette b = PaletteOf({{0, 10, 0, 0}, {10, 0, 0, 0}});
    TFastColorLookup lookupA(&a), lookupB(&b);
    EXPECT_EQ(Map(lookupA, 5, 5, 0), 0);
    EXPECT_EQ(Map(lookupB, 5, 5, 0), 0);

    // Two entries in one cell: the lower index owns the cell, so the other is unreachable
    // even by its exact colour.
    TPalette shared = PaletteOf({{103, 103, 103, 0}, {100, 100, 100, 0}});
    TFastColorLookup lookup(&shared);
    std::uint8_t r, g, bl;
    EXPECT_EQ(lookup.MapColor(100, 100, 100, r, g, bl), 0);
    EXPECT_EQ(qRgb(r, g, bl), qRgb(103, 103, 103));
}

TEST(FastColorLookup, FirstColourLookedUpDecidesAnEmptyCell) {
    // (100,100,100) ties between the two and takes 0; (103,103,103) in the same cell would
    // be nearer to 1 but gets the cell's 0 without a search. Asked first, it decides 1.
    TPalette palette = PaletteOf({{90, 90, 90, 0}, {110, 110, 110, 0}});
    TFastColorLookup used(&palette), fresh(&palette);
    EXPECT_EQ(Map(used, 100, 100, 100), 0);
    EXPECT_EQ(Map(used, 103, 103, 103), 0);
    EXPECT_EQ(Map(fresh, 103, 103, 103), 1);
    EXPECT_EQ(Map(fresh, 100, 100, 100), 1);
}

TEST(FastColorLookup, EntryCountFollowsThePalette) {
    TPalette many;
    many.count = 300;
    TPalette negative;
    negative.count = -4;
    EXPECT_EQ(TFastColorLookup(nullptr).EntryCount(), 0);
    EXPECT_EQ(TFastColorLookup(&many).EntryCount(), 256);
    EXPECT_EQ(TFastColorLookup(&negative).EntryCount(), 0);
}

TEST(FastColorLookup, SearchMatchesAPlainScanOnRandomPalettes) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 60; ++round) {
        const int count = std::uniform_int_distribution<int>(1, 256)(rng);
        TPalette palette = RandomPalette(rng, count);
        if (count > 1) palette.entries[count - 1] = palette.entries[0]; // a duplicate
        TFastColorLookup lookup(&palette);
        std::set<int> askedCells;
        for (int k = 0; k < 400; ++k) {
            const int r = byte(rng), g = byte(rng), b = byte(rng);
            const int cell = TFastColorLookup::CellOf(r, g, b);
            const int index = Map(lookup, r, g, b);
            int owner = -1, best = 0x30000, nearest = 0;
            for (int i = 0; i < count; ++i) {
                const TPaletteEntry& e = palette.entries[i];
                if (owner < 0 && TFastColorLookup::CellOf(e.red, e.green, e.blue) == cell)
                    owner = i;
                const int d = std::abs(e.red - r) + std::abs(e.green - g) + std::abs(e.blue - b);
                if (d < best) best = d, nearest = i;
            }
            if (owner >= 0) {
                ASSERT_EQ(index, owner);
            } else if (askedCells.insert(cell).second) {
                ASSERT_EQ(index, nearest) << "palette of " << count;
            }
        }
    }
}
