#include <gtest/gtest.h>

#include <vector>

#include "render/image.h"

TEST(mip_chain, level_counts_and_sizes) {
  struct {
    int w, h, channels;
    int levels;
    uint64_t bytes;
  } cases[] = {
      {1, 1, 4, 1, 4},                 // one level, one pixel
      {4, 1, 4, 3, (4 + 2 + 1) * 4},   // lines halve along their long side
      {5, 3, 3, 3, (15 + 2 + 1) * 3},  // odd sides round down
      {64, 64, 1, 7, 5461},
      {1, 16384, 1, 15, 32767},
      {0, 4, 3, 0, 0},
      {4, 16385, 3, 0, 0},
      {4, 4, 5, 3, 0},  // channel count out of range
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << "x" << c.channels);
    EXPECT_EQ(mip_level_count(c.w, c.h), c.levels);
    EXPECT_EQ(mip_chain_bytes(c.w, c.h, c.channels), c.bytes);
  }
  // The largest accepted picture is sized without overflow.
  EXPECT_EQ(mip_chain_bytes(16384, 16384, 4), 4ull * 357913941ull);
}

TEST(mip_chain, rgba_blocks_weight_colour_by_alpha) {
  // Alphas 255, 255, 255, 0: the transparent red texel must not bleed.
  const unsigned char block[16] = {30, 60, 90, 255, 60, 90, 120, 255,
                                   90, 120, 150, 255, 255, 0, 0, 0};
  for (bool max_alpha : {false, true}) {
    std::vector<unsigned char> chain(20);
    std::copy(block, block + 16, chain.begin());
    build_mip_chain(chain.data(), 2, 2, 4, max_alpha);
    EXPECT_EQ(chain[16], 60);
    EXPECT_EQ(chain[17], 90);
    EXPECT_EQ(chain[18], 120);
    EXPECT_EQ(chain[19], max_alpha ? 255 : 191);
  }
  // Wholly transparent blocks fall back to the plain average (no division by 0).
  std::vector<unsigned char> clear = {10, 0, 0, 0, 20, 0, 0, 0, 30, 0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0};
  build_mip_chain(clear.data(), 2, 2, 4, false);
  EXPECT_EQ(clear[16], 25);
  EXPECT_EQ(clear[19], 0);
}

TEST(mip_chain, rgba_line_uses_pairs) {
  // 4x1: level 1 is 2x1 from pairs, level 2 the 1x1 from level 1's pair.
  std::vector<unsigned char> chain(7 * 4, 0xEE);
  const unsigned char row[16] = {200, 0, 0, 255, 0, 200, 0, 0, 10, 20, 30, 255, 30, 40, 50, 255};
  std::copy(row, row + 16, chain.begin());
  build_mip_chain(chain.data(), 4, 1, 4, false);
  const unsigned char expect[12] = {200, 0, 0, 127, 20, 30, 40, 255,
                                    // (200*127 + 20*255) / 382 = 79, and so on
                                    79, 20, 26, 191};
  for (int i = 0; i < 12; i++) EXPECT_EQ(chain[16 + i], expect[i]) << i;
}

TEST(mip_chain, grey_drops_odd_edges_and_columns_pair_vertically) {
  // 3x3 grey: the last row and column do not reach the 1x1 level.
  std::vector<unsigned char> square = {10, 20, 99, 30, 40, 99, 99, 99, 99, 0};
  build_mip_chain(square.data(), 3, 3, 1, false);
  EXPECT_EQ(square[9], 25);
  // 1x3 RGB column: pairs along the column, the odd last pixel dropped.
  std::vector<unsigned char> column = {10, 20, 30, 50, 60, 71, 200, 200, 200, 0, 0, 0};
  build_mip_chain(column.data(), 1, 3, 3, false);
  EXPECT_EQ(column[9], 30);
  EXPECT_EQ(column[10], 40);
  EXPECT_EQ(column[11], 50);
}
