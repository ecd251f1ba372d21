#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "ReduceTestSupport.h"
#include "reduce/ColorQuantizer.h"
#include "reduce/DIB.h"

using namespace reducetest;

namespace {

TPalette PaletteOfPixels(const std::vector<QRgb>& pixels, int colorCount) {
    QImage picture(int(pixels.size()), 1, QImage::Format_BGR888);
    for (int x = 0; x < picture.width(); ++x)
        picture.setPixel(x, 0, pixels[x]);
    TDIBReader reader(picture, 24);
    return BuildOctreePalette(reader, colorCount);
}

QRgb EntryRgb(const TPalette& palette, int i) {
    const TPaletteEntry& e = palette.entries[i];
    return qRgb(e.red, e.green, e.blue);
}

// The path of a colour through the tree: bits red 7, green 7, blue 7, red 6, ...
int PathKey(QRgb c) {
    int key = 0;
    for (int bit = 7; bit >= 0; --bit)
        key = key << 3 | ((qRed(c) >> bit) & 1) << 2 | ((qGreen(c) >> bit) & 1) << 1 |
              ((qBlue(c) >> bit) & 1);
    return key;
}

struct TreeTally {
    int leaves = 0;
    std::int64_t hits = 0, sumR = 0;
    std::map<std::int32_t, int> innerLevel;
};

void Walk(const TColorQuantizer& q, std::int32_t index, int level, TreeTally& tally) {
    const TOctreeNode& node = q.Node(index);
    const int children = int(
        std::count_if(node.Child.begin(), node.Child.end(), [](std::int32_t c) { return c >= 0; }));
    if (node.Leaf) {
        ASSERT_EQ(children, 0);
        ++tally.leaves;
        tally.hits += node.Hits;
        tally.sumR += node.SumR;
        return;
    }
    ASSERT_GE(children, 1);
    ASSERT_LT(level, 8);
    tally.innerLevel[index] = level;
    for (std::int32_t child : node.Child)
        if (child >= 0) Walk(q, child, level + 1, tally);
}

} // namespace

TEST(OctreePalette, FewColoursStayExactInTreePathOrder) {
    const TPalette one = PaletteOfPixels({qRgb(255, 0, 0), qRgb(255, 0, 0)}, 16);
    ASSERT_EQ(one.count, 16);
    EXPECT_EQ(EntryRgb(one, 0), qRgb(255, 0, 0));
    for (int i = 1; i < 16; ++i)
        EXPECT_EQ(EntryRgb(one, i), qRgb(0, 0, 0)) << i;

    const TPalette three = PaletteOfPixels({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)}, 16);
    EXPECT_EQ(EntryRgb(three, 0), qRgb(0, 0, 255));
    EXPECT_EQ(EntryRgb(three, 1), qRgb(0, 255, 0));
    EXPECT_EQ(EntryRgb(three, 2), qRgb(255, 0, 0));

    std::mt19937 rng(3);
    std::vector<QRgb> colours;
    for (int i = 0; i < 16; ++i)
        colours.push_back(rng() & 0xFFFFFF);
    const TPalette sixteen = PaletteOfPixels(colours, 16);
    std::sort(colours.begin(), colours.end(),
              [](QRgb a, QRgb b) { return PathKey(a) < PathKey(b); });
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(EntryRgb(sixteen, i), qRgb(0, 0, 0) | colours[i]);
}

TEST(OctreePalette, FoldsAverageDownwardAndChooseByCreationOrder) {
    // One leaf for everything: (10 + 13 + 13) / 3 = 12, rounded down.
    const TPalette merged = PaletteOfPixels({qRgb(10, 0, 0), qRgb(13, 0, 0), qRgb(13, 0, 0)}, 1);
    EXPECT_EQ(EntryRgb(merged, 0), qRgb(12, 0, 0));

    // Eight level-7 nodes with two leaves each, the first pair seen many times; a 17th
    // colour makes a ninth node with one leaf. That newest node folds without gain, then
    // the pair created last (14, 15) folds, however few pixels it holds.
    std::vector<QRgb> pixels;
    for (int i = 0; i < 16; ++i)
        pixels.push_back(qRgb(i, 0, 0));
    for (int i = 0; i < 20; ++i)
        pixels.push_back(qRgb(i % 2, 0, 0));
    pixels.push_back(qRgb(200, 0, 0));
    const TPalette palette = PaletteOfPixels(pixels, 16);
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(EntryRgb(palette, i), qRgb(i, 0, 0)) << i;
    EXPECT_EQ(EntryRgb(palette, 14), qRgb(14, 0, 0)); // (14 + 15) / 2
    EXPECT_EQ(EntryRgb(palette, 15), qRgb(200, 0, 0));
}

TEST(OctreePalette, InvariantsHoldAfterEveryPixel) {
    std::mt19937 rng(11);
    for (int colorLimit : {1, 2, 7, 16, 256}) {
        for (int round = 0; round < 4; ++round) {
            const QImage picture = RandomPicture(rng, 32, 32);
            TColorQuantizer q(colorLimit, 8);
            std::int64_t pixels = 0, sumR = 0;
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 32; ++x) {
                    const QRgb c = picture.pixel(x, y);
                    q.AddColor(qRed(c), qGreen(c), qBlue(c));
                    ++pixels;
                    sumR += qRed(c);
                    TreeTally tally;
                    Walk(q, q.Root(), 0, tally);
                    ASSERT_EQ(tally.leaves, q.LeafTotal());
                    ASSERT_LE(q.LeafTotal(), colorLimit);
                    ASSERT_EQ(tally.hits, pixels);
                    ASSERT_EQ(tally.sumR, sumR);
                    // Every inner node is in exactly one list: its own level's.
                    std::size_t listed = 0;
                    for (int level = 0; level < 8; ++level)
                        for (std::int32_t n = q.ReducibleHead(level); n >= 0;
                             n = q.Node(n).NextReducible, ++listed)
                            ASSERT_EQ(tally.innerLevel.at(n), level);
                    ASSERT_EQ(listed, tally.innerLevel.size());
                }
            }
        }
    }
}

TEST(OctreePalette, ManyColoursEndNearTheLimit) {
    TColorQuantizer q(256, 8);
    for (int i = 0; i < 1024; ++i)
        q.AddColor(std::uint8_t(i * 37), std::uint8_t(i / 4), std::uint8_t(i * 11));
    EXPECT_GE(q.LeafTotal(), 250);
    EXPECT_LE(q.LeafTotal(), 256);
    std::array<TPaletteEntry, 256> table{};
    EXPECT_EQ(q.ReadPalette(table), q.LeafTotal());
}
