#include "reduce/ColorQuantizer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <stdexcept>

#include "reduce/DIB.h"

TColorQuantizer::TColorQuantizer(int colorLimit, int leafLevel)
    : Limit(colorLimit), LeafLevel(leafLevel) {
    if (colorLimit < 1 || colorLimit > TPalette::MaxEntries)
        throw std::invalid_argument("colour limit outside 1..256");
    if (leafLevel < 1 || leafLevel > LevelCount)
        throw std::invalid_argument("leaf level outside 1..8");
    ReducibleByLevel.fill(TOctreeNode::NoNode);
    // Folding keeps the tree small: at most Limit + 1 leaves, each with at most LeafLevel
    // nodes above it.
    Nodes.reserve(static_cast<std::size_t>(Limit + 1) * (LeafLevel + 1));
}

TColorQuantizer::~TColorQuantizer() = default;

TOctreeNode::Link TColorQuantizer::GrowArena() {
    // At most ColorLimit + 1 leaves with at most LeafLevel nodes above each: far below the
    // reach of a link.
    if (Nodes.size() >= 0x7FFF) throw std::length_error("colour tree too large");
    Nodes.emplace_back();
    return static_cast<TOctreeNode::Link>(Nodes.size() - 1);
}

inline TOctreeNode::Link TColorQuantizer::NewNode(int level, bool leaf) {
    TOctreeNode::Link index = FreeNodes;
    if (index != TOctreeNode::NoNode) {
        FreeNodes = Nodes[index].NextReducible;
        Nodes[index] = TOctreeNode{};
    } else {
        index = GrowArena();
    }
    TOctreeNode& node = Nodes[index];
    node.Leaf = leaf;
    if (leaf) {
        ++Leaves;
    } else {
        node.NextReducible = ReducibleByLevel[level];
        ReducibleByLevel[level] = index;
    }
    return index;
}

inline void TColorQuantizer::FreeNode(TOctreeNode::Link index) {
    Nodes[index].NextReducible = FreeNodes;
    FreeNodes = index;
}

namespace {

// Spreads the eight bits of a channel three places apart, so that the path of a colour
// through the tree, red 7, green 7, blue 7, red 6, ..., is one number of 24 bits.
constexpr std::array<std::uint32_t, 256> SpreadBits = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t v = 0; v < 256; ++v)
        for (int bit = 0; bit < 8; ++bit)
            table[v] |= ((v >> bit) & 1u) << (3 * bit);
    return table;
}();

} // namespace

inline void TColorQuantizer::InsertColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    // The child at level L is ((red AND mask) >> shift) * 4 + ... with mask 0x80 >> L: three
    // bits of the path, taken from the top. Nodes are reached by index, since creating one
    // may move the arena.
    const std::uint32_t path = SpreadBits[red] << 2 | SpreadBits[green] << 1 | SpreadBits[blue];
    int level = 0;
    if (RootNode == TOctreeNode::NoNode) {
        RootNode = NewNode(0, LeafLevel == 0);
        PathNodes[0] = RootNode;
    } else {
        // The node at level L depends on the first L groups of three path bits only.
        const int sharedGroups = std::countl_zero((path ^ LastPath) << 8) / 3;
        level = std::min(sharedGroups, PathDepth - 1);
    }
    TOctreeNode::Link index = PathNodes[level];
    while (!Nodes[index].Leaf) {
        const unsigned child = (path >> (3 * (7 - level))) & 7u;
        ++level;
        TOctreeNode::Link next = Nodes[index].Child[child];
        if (next == TOctreeNode::NoNode) {
            // A new node just above the leaf level, with the tree already full, would be the
            // first node folded after this pixel: it is the newest node of the deepest level
            // that has inner nodes, and folding its one leaf leaves a leaf with this pixel in
            // it. It is made that leaf at once; the tree and every later fold are the same.
            const bool foldedAtOnce = level == LeafLevel - 1 && Leaves == Limit;
            next = NewNode(level, level == LeafLevel || foldedAtOnce);
            Nodes[index].Child[child] = next;
            Nodes[index].ChildMask |= static_cast<std::uint8_t>(1u << child);
        }
        index = next;
        PathNodes[level] = index;
    }
    PathDepth = level + 1;
    LastPath = path;
    TOctreeNode& leaf = Nodes[index];
    ++leaf.Hits;
    leaf.SumR += red;
    leaf.SumG += green;
    leaf.SumB += blue;
}

inline void TColorQuantizer::MergeDeepest() {
    int level = LeafLevel - 1;
    while (level > 0 && ReducibleByLevel[level] == TOctreeNode::NoNode)
        --level;
    const TOctreeNode::Link index = ReducibleByLevel[level];
    if (index == TOctreeNode::NoNode) return; // nothing left to fold: a lone root leaf
    TOctreeNode& node = Nodes[index];
    ReducibleByLevel[level] = node.NextReducible;
    PathDepth = std::min(PathDepth, level + 1);
    node.NextReducible = TOctreeNode::NoNode;

    std::int64_t sumR = 0, sumG = 0, sumB = 0;
    int folded = 0;
    for (unsigned mask = node.ChildMask; mask != 0; mask &= mask - 1) {
        TOctreeNode::Link& link = node.Child[std::countr_zero(mask)];
        const TOctreeNode& child = Nodes[link];
        sumR += child.SumR;
        sumG += child.SumG;
        sumB += child.SumB;
        node.Hits += child.Hits;
        // The deepest level folds first, so the children are leaves.
        if (child.ChildMask == 0) {
            FreeNode(link);
            link = TOctreeNode::NoNode;
        } else {
            DestroyTree(link);
        }
        ++folded;
    }
    node.ChildMask = 0;
    node.Leaf = true;
    node.SumR = sumR;
    node.SumG = sumG;
    node.SumB = sumB;
    Leaves -= folded - 1;
}

void TColorQuantizer::DestroyTree(TOctreeNode::Link& link) {
    TOctreeNode& node = Nodes[link];
    for (unsigned mask = node.ChildMask; mask != 0; mask &= mask - 1)
        DestroyTree(node.Child[std::countr_zero(mask)]);
    FreeNode(link);
    link = TOctreeNode::NoNode;
}

// One pixel: insert it, then fold while the tree has too many leaves. Inlined into the scan.
inline void TColorQuantizer::AddPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    InsertColor(red, green, blue);
    while (Leaves > Limit)
        MergeDeepest();
}

void TColorQuantizer::ScanPicture(TDIBReader& reader) {
    const int width = reader.Width();
    const int height = reader.Height();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* pixel = reader.RowAddress(y);
        for (int x = 0; x < width; ++x, pixel += 3)
            AddPixel(pixel[2], pixel[1], pixel[0]);
    }
}

void TColorQuantizer::AddColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    AddPixel(red, green, blue);
}

int TColorQuantizer::ReadPalette(std::array<TPaletteEntry, TPalette::MaxEntries>& table) const {
    int next = 0;
    if (RootNode != TOctreeNode::NoNode) ReadNode(RootNode, table, next);
    return next;
}

void TColorQuantizer::ReadNode(TOctreeNode::Link index,
                               std::array<TPaletteEntry, TPalette::MaxEntries>& table,
                               int& next) const {
    const TOctreeNode& node = Nodes[index];
    if (node.Leaf) {
        // ColorLimit <= 256 keeps the leaves within the table; this is only a guard.
        if (next >= TPalette::MaxEntries) return;
        TPaletteEntry& entry = table[next++];
        if (node.Hits == 0) {
            entry = TPaletteEntry{};
        } else {
            entry.red = static_cast<std::uint8_t>(node.SumR / node.Hits);
            entry.green = static_cast<std::uint8_t>(node.SumG / node.Hits);
            entry.blue = static_cast<std::uint8_t>(node.SumB / node.Hits);
            entry.flags = 0;
        }
        return;
    }
    for (const TOctreeNode::Link child : node.Child)
        if (child != TOctreeNode::NoNode) ReadNode(child, table, next);
}

TPalette BuildOctreePalette(TDIBReader& reader, int colorCount) {
    std::array<TPaletteEntry, TPalette::MaxEntries> table{};
    {
        TColorQuantizer quantizer(colorCount, TColorQuantizer::LevelCount);
        quantizer.ScanPicture(reader);
        quantizer.ReadPalette(table);
    }
    TPalette palette;
    palette.count = colorCount;
    for (int i = 0; i < colorCount; ++i)
        palette.entries[i] = table[i];
    return palette;
}
