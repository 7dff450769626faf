// The timing_gates writer: the exact text the timing reader scans, sections
// left out by count, and counts the reader could not hold refused.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "race/timing_gates_write.h"
#include "support/test_env.h"

TEST(TimingGatesWrite, WritesTheSectionsExactly) {
  temp_dir dir;
  auto g = std::make_unique<timing_file>();
  memset(g.get(), 0, sizeof *g);
  g->start_count = 2;
  g->starts[0] = {{1, 0, 2.25f}, -1.5707964f};
  g->starts[1] = {{1, 0, 6.75f}, -1.5707964f};
  g->checkpoint_count = 2;
  g->checkpoints[0] = {18, {10, 1.5f, 20}, {1, 0, 0}};
  g->checkpoints[1] = {18, {30, 0, 20}, {0, 0, -1}};
  g->first_count = 3;
  g->first_lap[0] = 1, g->first_lap[1] = 100001, g->first_lap[2] = 0;
  g->normal_count = 2;
  g->normal_lap[0] = 1, g->normal_lap[1] = 0;
  std::string path = dir.file("timing_gates");
  ASSERT_TRUE(timing_gates_write_file(path.c_str(), g.get()));
  EXPECT_EQ(read_file(path),
            "startinggate:\n"
            "[1.000000 0.000000 2.250000] -1.570796\n"
            "[1.000000 0.000000 6.750000] -1.570796\n"
            "checkpoints:\n"
            "18.000000 [10.000000 1.500000 20.000000] [1.000000 0.000000 0.000000]\n"
            "18.000000 [30.000000 0.000000 20.000000] [0.000000 0.000000 -1.000000]\n"
            "firstlap:\n1 100001 0 \n"
            "normallap:\n1 0 \n");

  // Only start positions: the other sections are left out.
  g->checkpoint_count = g->first_count = g->normal_count = 0;
  ASSERT_TRUE(timing_gates_write_file(path.c_str(), g.get()));
  EXPECT_EQ(read_file(path), "startinggate:\n[1.000000 0.000000 2.250000] -1.570796\n"
                             "[1.000000 0.000000 6.750000] -1.570796\n");
}

TEST(TimingGatesWrite, RefusesCountsTheReaderCannotHold) {
  temp_dir dir;
  auto g = std::make_unique<timing_file>();
  int32_t timing_file::*counts[] = {&timing_file::start_count, &timing_file::checkpoint_count,
                                    &timing_file::first_count, &timing_file::normal_count};
  const int limits[] = {TIMING_FILE_STARTS, TIMING_FILE_CHECKPOINTS, TIMING_FILE_SEQUENCE, TIMING_FILE_SEQUENCE};
  for (int k = 0; k < 4; k++)
    for (int bad : {-1, limits[k] + 1}) {
      memset(g.get(), 0, sizeof *g);
      g.get()->*counts[k] = bad;
      std::string path = dir.file("gates" + std::to_string(k));
      EXPECT_FALSE(timing_gates_write_file(path.c_str(), g.get())) << k << " " << bad;
      EXPECT_FALSE(file_exists(path));
    }
}
