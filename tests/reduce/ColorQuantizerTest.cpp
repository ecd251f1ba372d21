#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

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

// The quantizer as plainly described, nodes owned by their parents, no shortcuts: what the
// arena, the path arithmetic and the early leaf of the real one must reproduce.
struct PlainNode {
    bool leaf = false;
    std::int64_t hits = 0, r = 0, g = 0, b = 0;
    PlainNode* nextReducible = nullptr;
    std::unique_ptr<PlainNode> child[8];
};

struct PlainQuantizer {
    explicit PlainQuantizer(int colorLimit) : limit(colorLimit) {}
    int limit, leaves = 0;
    std::unique_ptr<PlainNode> root;
    PlainNode* reducible[8] = {};

    void Insert(std::unique_ptr<PlainNode>& link, int r, int g, int b, int level) {
        if (!link) {
            link = std::make_unique<PlainNode>();
            link->leaf = level == 8;
            if (link->leaf)
                ++leaves;
            else
                link->nextReducible = std::exchange(reducible[level], link.get());
        }
        if (link->leaf) {
            ++link->hits, link->r += r, link->g += g, link->b += b;
            return;
        }
        const int mask = 0x80 >> level, shift = 7 - level;
        const int i = ((r & mask) >> shift) * 4 + ((g & mask) >> shift) * 2 + ((b & mask) >> shift);
        Insert(link->child[i], r, g, b, level + 1);
    }
    void Fold() {
        int level = 7;
        while (level > 0 && !reducible[level])
            --level;
        PlainNode* node = std::exchange(reducible[level], reducible[level]->nextReducible);
        int n = 0;
        for (auto& c : node->child)
            if (c)
                node->hits += c->hits, node->r += c->r, node->g += c->g, node->b += c->b, c.reset(),
                    ++n;
        node->leaf = true;
        leaves -= n - 1;
    }
    void Read(const PlainNode* node, std::vector<QRgb>& out) const {
        if (node->leaf)
            out.push_back(qRgb(int(node->r / node->hits), int(node->g / node->hits),
                               int(node->b / node->hits)));
        else
            for (auto& c : node->child)
                if (c) Read(c.get(), out);
    }
};

} // namespace

TEST(OctreePalette, MatchesThePlainlyDescribedQuantizer) {
    std::mt19937 rng(17);
    for (int round = 0; round < 300; ++round) {
        const int colorCount = std::vector<int>{1, 2, 5, 16, 64, 256}[round % 6];
        const int spread = std::vector<int>{3, 8, 24, 60, 255}[round % 5];
        const int w = std::uniform_int_distribution<int>(1, 48)(rng);
        const int h = std::uniform_int_distribution<int>(1, 49)(rng);
        QImage picture = round % 2 == 0 ? RandomPicture(rng, w, h, spread)
                                        : ClusteredPicture(rng, w, h, 1 + round % 40);
        PlainQuantizer plain(colorCount);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb c = picture.pixel(x, y);
                plain.Insert(plain.root, qRed(c), qGreen(c), qBlue(c), 0);
                while (plain.leaves > colorCount)
                    plain.Fold();
            }
        std::vector<QRgb> expected;
        plain.Read(plain.root.get(), expected);
        expected.resize(colorCount, qRgb(0, 0, 0));

        TDIBReader reader(picture, 24);
        const TPalette palette = BuildOctreePalette(reader, colorCount);
        for (int i = 0; i < colorCount; ++i)
            ASSERT_EQ(EntryRgb(palette, i), expected[i]) << "round " << round << " entry " << i;
    }
}

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
