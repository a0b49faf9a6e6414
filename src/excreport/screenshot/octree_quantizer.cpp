#include "excreport/screenshot/octree_quantizer.h"

#include <cstdint>
#include <vector>

namespace kestrova {
namespace {

constexpr std::size_t MaxLeaves = 256;
constexpr int LeafDepth = 8;
constexpr std::int32_t NoNode = -1;

struct OctreeNode {
  bool IsLeaf = false;
  // 64-bit sums: a single colour may cover far more than 2^24 pixels of a large screen.
  std::uint64_t PixelCount = 0;
  std::uint64_t RedSum = 0;
  std::uint64_t GreenSum = 0;
  std::uint64_t BlueSum = 0;
  std::int32_t Children[8] = {NoNode, NoNode, NoNode, NoNode, NoNode, NoNode, NoNode, NoNode};
  // Next inner node of the same level, towards the older ones.
  std::int32_t NextReducible = NoNode;
  std::uint8_t PaletteIndex = 0;
};

int ChildIndex(RgbColor Color, int Level) {
  const int shift = 7 - Level;
  return ((Color.Red >> shift) & 1) << 2 | ((Color.Green >> shift) & 1) << 1 |
         ((Color.Blue >> shift) & 1);
}

// Nodes live in one pool addressed by index; freed slots are reused, so a noisy picture that
// keeps creating and folding nodes does not keep allocating.
class Octree final {
 public:
  Octree() { root_ = NewNode(0); }

  void Add(RgbColor Color) {
    std::int32_t node = root_;
    for (int level = 0; !nodes_[node].IsLeaf; ++level) {
      const int child = ChildIndex(Color, level);
      if (nodes_[node].Children[child] == NoNode) {
        const std::int32_t created = NewNode(level + 1);  // may move nodes_
        nodes_[node].Children[child] = created;
      }
      node = nodes_[node].Children[child];
    }
    OctreeNode& leaf = nodes_[node];
    ++leaf.PixelCount;
    leaf.RedSum += Color.Red;
    leaf.GreenSum += Color.Green;
    leaf.BlueSum += Color.Blue;
    while (leafCount_ > MaxLeaves) ReduceOne();
  }

  // Numbers the leaves in tree order and stores their average colours.
  void BuildPalette(PalettedImage& Image) { NumberLeaves(root_, Image); }

  std::uint8_t IndexOf(RgbColor Color) const {
    std::int32_t node = root_;
    // Every colour looked up was added, so its path leads to a leaf.
    for (int level = 0; !nodes_[node].IsLeaf; ++level) {
      node = nodes_[node].Children[ChildIndex(Color, level)];
    }
    return nodes_[node].PaletteIndex;
  }

 private:
  std::int32_t NewNode(int Level) {
    std::int32_t index;
    if (free_.empty()) {
      index = static_cast<std::int32_t>(nodes_.size());
      nodes_.emplace_back();
    } else {
      index = free_.back();
      free_.pop_back();
      nodes_[index] = OctreeNode{};
    }
    if (Level == LeafDepth) {
      nodes_[index].IsLeaf = true;
      ++leafCount_;
    } else {
      nodes_[index].NextReducible = reducible_[Level];
      reducible_[Level] = index;
    }
    return index;
  }

  // Folds the newest inner node of the deepest level that has one into a leaf. Its children are
  // leaves already: any inner node below would sit on a deeper, non-empty list.
  void ReduceOne() {
    int level = LeafDepth - 1;
    while (reducible_[level] == NoNode) --level;
    const std::int32_t index = reducible_[level];
    reducible_[level] = nodes_[index].NextReducible;

    std::size_t children = 0;
    for (std::int32_t& child : nodes_[index].Children) {
      if (child == NoNode) continue;
      const OctreeNode& leaf = nodes_[child];
      OctreeNode& node = nodes_[index];
      node.PixelCount += leaf.PixelCount;
      node.RedSum += leaf.RedSum;
      node.GreenSum += leaf.GreenSum;
      node.BlueSum += leaf.BlueSum;
      free_.push_back(child);
      child = NoNode;
      ++children;
    }
    nodes_[index].IsLeaf = true;
    leafCount_ -= children - 1;
  }

  void NumberLeaves(std::int32_t Index, PalettedImage& Image) {
    OctreeNode& node = nodes_[Index];
    if (node.IsLeaf) {
      node.PaletteIndex = static_cast<std::uint8_t>(Image.ColorCount);
      Image.Palette[Image.ColorCount++] = {
          static_cast<std::uint8_t>(node.RedSum / node.PixelCount),
          static_cast<std::uint8_t>(node.GreenSum / node.PixelCount),
          static_cast<std::uint8_t>(node.BlueSum / node.PixelCount)};
      return;
    }
    for (const std::int32_t child : node.Children) {
      if (child != NoNode) NumberLeaves(child, Image);
    }
  }

  std::vector<OctreeNode> nodes_;
  std::vector<std::int32_t> free_;
  std::int32_t reducible_[LeafDepth] = {NoNode, NoNode, NoNode, NoNode,
                                        NoNode, NoNode, NoNode, NoNode};
  std::int32_t root_ = NoNode;
  std::size_t leafCount_ = 0;
};

}  // namespace

PalettedImage ReduceTo256Colors(const RgbImage& Image) {
  PalettedImage result;
  result.Width = Image.Width;
  result.Height = Image.Height;
  if (Image.Pixels.empty()) return result;

  Octree tree;
  for (const RgbColor pixel : Image.Pixels) tree.Add(pixel);
  tree.BuildPalette(result);
  result.Indices.reserve(Image.Pixels.size());
  for (const RgbColor pixel : Image.Pixels) result.Indices.push_back(tree.IndexOf(pixel));
  return result;
}

}  // namespace kestrova
