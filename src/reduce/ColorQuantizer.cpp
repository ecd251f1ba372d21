#include "reduce/ColorQuantizer.h"

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

void TColorQuantizer::ScanPicture(TDIBReader& reader) {
    const int width = reader.Width();
    const int height = reader.Height();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* pixel = reader.RowAddress(y);
        for (int x = 0; x < width; ++x, pixel += 3)
            AddColor(pixel[2], pixel[1], pixel[0]);
    }
}

void TColorQuantizer::AddColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    InsertColor(RootNode, red, green, blue, 0);
    while (Leaves > Limit)
        MergeDeepest();
}

std::int32_t TColorQuantizer::NewNode(int level) {
    std::int32_t index;
    if (!FreeNodes.empty()) {
        index = FreeNodes.back();
        FreeNodes.pop_back();
        Nodes[index] = TOctreeNode{};
    } else {
        index = static_cast<std::int32_t>(Nodes.size());
        Nodes.emplace_back();
    }
    TOctreeNode& node = Nodes[index];
    node.Leaf = level == LeafLevel;
    if (node.Leaf) {
        ++Leaves;
    } else {
        node.NextReducible = ReducibleByLevel[level];
        ReducibleByLevel[level] = index;
    }
    return index;
}

void TColorQuantizer::FreeNode(std::int32_t index) {
    FreeNodes.push_back(index);
}

void TColorQuantizer::InsertColor(std::int32_t& link, std::uint8_t red, std::uint8_t green,
                                  std::uint8_t blue, int level) {
    // Walks down iteratively; `link` is only the starting link. Node indices are taken
    // fresh after every NewNode because the arena may move.
    if (link == TOctreeNode::NoNode) link = NewNode(level);
    std::int32_t index = link;
    while (!Nodes[index].Leaf) {
        const int shift = 7 - level;
        const int mask = 0x80 >> level;
        const int child =
            ((red & mask) >> shift) * 4 + ((green & mask) >> shift) * 2 + ((blue & mask) >> shift);
        ++level;
        std::int32_t next = Nodes[index].Child[child];
        if (next == TOctreeNode::NoNode) {
            next = NewNode(level);
            Nodes[index].Child[child] = next;
        }
        index = next;
    }
    TOctreeNode& leaf = Nodes[index];
    ++leaf.Hits;
    leaf.SumR += red;
    leaf.SumG += green;
    leaf.SumB += blue;
}

void TColorQuantizer::MergeDeepest() {
    int level = LeafLevel - 1;
    while (level > 0 && ReducibleByLevel[level] == TOctreeNode::NoNode)
        --level;
    const std::int32_t index = ReducibleByLevel[level];
    if (index == TOctreeNode::NoNode) return; // nothing left to fold: a lone root leaf
    TOctreeNode& node = Nodes[index];
    ReducibleByLevel[level] = node.NextReducible;
    node.NextReducible = TOctreeNode::NoNode;

    std::int64_t sumR = 0, sumG = 0, sumB = 0;
    int folded = 0;
    for (std::int32_t& link : node.Child) {
        if (link == TOctreeNode::NoNode) continue;
        const TOctreeNode& child = Nodes[link];
        sumR += child.SumR;
        sumG += child.SumG;
        sumB += child.SumB;
        node.Hits += child.Hits;
        DestroyTree(link);
        ++folded;
    }
    node.Leaf = true;
    node.SumR = sumR;
    node.SumG = sumG;
    node.SumB = sumB;
    Leaves -= folded - 1;
}

void TColorQuantizer::DestroyTree(std::int32_t& link) {
    if (link == TOctreeNode::NoNode) return;
    TOctreeNode& node = Nodes[link];
    for (int i = 7; i >= 0; --i)
        DestroyTree(node.Child[i]);
    FreeNode(link);
    link = TOctreeNode::NoNode;
}

int TColorQuantizer::ReadPalette(std::array<TPaletteEntry, TPalette::MaxEntries>& table) const {
    int next = 0;
    if (RootNode != TOctreeNode::NoNode) ReadNode(RootNode, table, next);
    return next;
}

void TColorQuantizer::ReadNode(std::int32_t index,
                               std::array<TPaletteEntry, TPalette::MaxEntries>& table,
                               int& next) const {
    const TOctreeNode& node = Nodes[index];
    if (node.Leaf) {
        // ColorLimit <= 256 keeps the leaves within the table; the test only guards it.
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
    for (const std::int32_t child : node.Child)
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
