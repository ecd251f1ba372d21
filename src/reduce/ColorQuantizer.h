#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "reduce/Palette.h"

class TDIBReader;

// One node of the colour tree. Nodes live in their quantizer's arena and refer to each other
// by arena index; NoNode marks an empty link. Folding keeps the tree to a few thousand
// nodes, so 16-bit links do; small nodes keep the walk down the tree in the cache.
struct TOctreeNode {
    using Link = std::int16_t;
    static constexpr Link NoNode = -1;

    std::array<Link, 8> Child{NoNode, NoNode, NoNode, NoNode, NoNode, NoNode, NoNode, NoNode};
    Link NextReducible = NoNode; // next inner node of the same level, newest first
    bool Leaf = false;
    std::uint8_t ChildMask = 0; // bit i set when Child[i] is
    std::int32_t Hits = 0;      // pixels that ended in this leaf
    // Channel sums of those pixels. 64 bits wide so that no picture size can overflow
    // them; for any picture whose 32-bit sums fit the averages are the same.
    std::int64_t SumR = 0;
    std::int64_t SumG = 0;
    std::int64_t SumB = 0;
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
    // Writes the leaf colours into `table` in tree-path order from index 0 and returns how
    // many it wrote; entries after them are left as they are.
    int ReadPalette(std::array<TPaletteEntry, TPalette::MaxEntries>& table) const;

    // Inspection, for checking the tree's invariants.
    TOctreeNode::Link Root() const { return RootNode; }
    const TOctreeNode& Node(TOctreeNode::Link index) const { return Nodes[index]; }
    std::int32_t LeafTotal() const { return Leaves; }
    TOctreeNode::Link ReducibleHead(int level) const { return ReducibleByLevel[level]; }

private:
    // Adds one pixel to the tree, creating nodes on the way down; a pixel reaching a leaf at
    // any level is counted there.
    void InsertColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    // Folds the newest inner node of the deepest level that has one into a leaf.
    void MergeDeepest();
    void AddPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    // Frees the subtree below `link` and clears the link; LeafTotal is the caller's business.
    void DestroyTree(TOctreeNode::Link& link);
    TOctreeNode::Link NewNode(int level, bool leaf);
    TOctreeNode::Link GrowArena();
    void FreeNode(TOctreeNode::Link index);
    void ReadNode(TOctreeNode::Link index, std::array<TPaletteEntry, TPalette::MaxEntries>& table,
                  int& next) const;

    std::vector<TOctreeNode> Nodes;
    // Freed nodes, chained through NextReducible (a freed node is in no reducible list).
    TOctreeNode::Link FreeNodes = TOctreeNode::NoNode;
    TOctreeNode::Link RootNode = TOctreeNode::NoNode;
    std::int32_t Leaves = 0;
    std::array<TOctreeNode::Link, LevelCount> ReducibleByLevel{};
    // The nodes on the last pixel's path, levels 0 to PathDepth - 1: the next pixel starts
    // below the levels it shares with it. A fold at level L frees nodes of level L + 1, so it
    // shortens the path to L + 1 levels.
    std::array<TOctreeNode::Link, LevelCount + 1> PathNodes{};
    int PathDepth = 0;
    std::uint32_t LastPath = 0;
    int Limit;
    int LeafLevel;
};

// The palette of `colorCount` (1..256) colours for the reader's picture (24 bits per pixel,
// at least one pixel): the octree's leaves in tree-path order, then black up to colorCount.
TPalette BuildOctreePalette(TDIBReader& reader, int colorCount);
