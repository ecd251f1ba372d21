#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "reduce/Palette.h"

class TDIBReader;

// One node of the colour tree. Nodes live in their quantizer's arena and refer to each other
// by arena index; NoNode marks an empty link.
struct TOctreeNode {
    static constexpr std::int32_t NoNode = -1;

    bool Leaf = false;
    std::int32_t Hits = 0; // pixels that ended in this leaf
    // Channel sums of those pixels. 64 bits wide so that no picture size can overflow
    // them; for any picture whose 32-bit sums fit the averages are the same.
    std::int64_t SumR = 0;
    std::int64_t SumG = 0;
    std::int64_t SumB = 0;
    std::int32_t NextReducible = NoNode; // next inner node of the same level, newest first
    std::array<std::int32_t, 8> Child{NoNode, NoNode, NoNode, NoNode,
                                      NoNode, NoNode, NoNode, NoNode};
};

// Octree colour quantizer. Pixels are added one at a time; after every pixel the tree is
// folded until it holds at most ColorLimit leaves. Which node folds depends only on its
// depth and on the order in which nodes were created (newest first), never on pixel counts.
class TColorQuantizer {
public:
    static constexpr int LevelCount = 8;

    // colorLimit: the most leaves kept after a pixel, 1..256. leafLevel: the level at which
    // nodes are created as leaves, 1..8 (8: every unfolded leaf is one exact colour).
    TColorQuantizer(int colorLimit, int leafLevel);
    ~TColorQuantizer();
    TColorQuantizer(const TColorQuantizer&) = delete;
    TColorQuantizer& operator=(const TColorQuantizer&) = delete;

    // Every pixel of the reader's picture (24 bits per pixel), rows from the top, each row
    // from the left.
    void ScanPicture(TDIBReader& reader);
    // One pixel: insert it, then fold while there are more leaves than ColorLimit.
    void AddColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

    // Folds the newest inner node of the deepest level that has one into a leaf.
    void MergeDeepest();
    // Writes the leaf colours into `table` in tree-path order from index 0 and returns how
    // many it wrote; entries after them are left as they are.
    int ReadPalette(std::array<TPaletteEntry, TPalette::MaxEntries>& table) const;

    // Inspection, for checking the tree's invariants.
    std::int32_t Root() const { return RootNode; }
    const TOctreeNode& Node(std::int32_t index) const { return Nodes[index]; }
    std::int32_t LeafTotal() const { return Leaves; }
    std::int32_t ReducibleHead(int level) const { return ReducibleByLevel[level]; }
    int ColorLimit() const { return Limit; }

private:
    // Adds one pixel below the node in `link` (a link outside the arena), creating nodes on
    // the way; a pixel reaching a leaf at any level is counted there.
    void InsertColor(std::int32_t& link, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                     int level);
    // Frees the subtree below `link` and clears the link; LeafTotal is the caller's business.
    void DestroyTree(std::int32_t& link);
    std::int32_t NewNode(int level);
    void FreeNode(std::int32_t index);
    void ReadNode(std::int32_t index, std::array<TPaletteEntry, TPalette::MaxEntries>& table,
                  int& next) const;

    std::vector<TOctreeNode> Nodes;
    std::vector<std::int32_t> FreeNodes;
    std::int32_t RootNode = TOctreeNode::NoNode;
    std::int32_t Leaves = 0;
    std::array<std::int32_t, LevelCount> ReducibleByLevel{};
    int Limit;
    int LeafLevel;
};

// The palette of `colorCount` (1..256) colours for the reader's picture (24 bits per pixel,
// at least one pixel): the octree's leaves in tree-path order, then black up to colorCount.
TPalette BuildOctreePalette(TDIBReader& reader, int colorCount);
