#include "comport/device/frame_assembler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrova {
namespace {

std::vector<std::string> FeedAll(FrameAssembler& assembler, const std::vector<std::string>& pieces) {
  std::vector<std::string> frames;
  for (const std::string& piece : pieces) {
    assembler.Feed(std::span<const char>(piece.data(), piece.size()),
                   [&](std::span<const char> frame) { frames.emplace_back(frame.begin(), frame.end()); });
  }
  return frames;
}

TEST(FrameAssemblerTest, FramesEndWithByte13WhateverThePieces) {
  struct Case {
    std::vector<std::string> pieces;
    std::vector<std::string> frames;
    std::size_t pending;
  } cases[] = {
      {{"_040000_\r"}, {"_040000_\r"}, 0},
      {{"_04", "0000_", "\r"}, {"_040000_\r"}, 0},
      {{"a\rb\r\rc"}, {"a\r", "b\r", "\r"}, 1},
      {{"no end"}, {}, 6},
      {{""}, {}, 0},
  };
  for (const Case& c : cases) {
    FrameAssembler assembler;
    EXPECT_EQ(FeedAll(assembler, c.pieces), c.frames);
    EXPECT_EQ(assembler.Pending(), c.pending);
  }
}

TEST(FrameAssemblerTest, OverlongRunIsHandedOnInPiecesOfTheLimit) {
  FrameAssembler assembler;
  const std::string run(FrameAssembler::kLimit * 2 + 5, 'x');
  const auto frames = FeedAll(assembler, {run, "\r"});
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].size(), FrameAssembler::kLimit);
  EXPECT_EQ(frames[1].size(), FrameAssembler::kLimit);
  EXPECT_EQ(frames[2], "xxxxx\r");
}

}  // namespace
}  // namespace kestrova
