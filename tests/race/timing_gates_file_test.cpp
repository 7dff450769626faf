#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/message_log.h"
#include "data/data.h"
#include "race/timing_gates.h"
#include "support/test_env.h"

namespace {

struct timing_file : ::testing::Test {
  temp_dir home;
  scoped_env xdg{"XDG_DATA_HOME", home.path.c_str()};
  scoped_env kv_home{"KV_HOME", home.path.c_str()};

  void SetUp() override { data_reset(); }
  void TearDown() override {
    timing_gates_reset();
    timing_lines_prepare_hook = nullptr;
    data_reset();
  }
  void load(const std::string &text) {
    ASSERT_TRUE(write_file(home.file("track/timing_gates"), text));
    timing_gates_load(home.file("track/timing_gates").c_str());
  }
};

const char *CHECKPOINTS3 =
    "checkpoints:\n"
    "4 [0 0 0] [0 0 -1]\n"
    "5 [10 1 0] [1 0 0]\n"
    "6 [20 2 0] [1 0 0]\n";

std::string checkpoints(int n) {
  std::string t = "checkpoints:\n";
  for (int i = 0; i < n; i++) t += "3 [" + std::to_string(i) + " 0 0] [1 0 0]\n";
  return t;
}

int prepared_segments;

}  // namespace

TEST_F(timing_file, reads_every_section) {
  prepared_segments = -1;
  timing_lines_prepare_hook = [](int segments) { prepared_segments = segments; };
  load("startinggate:\n"
       "[1 2 3] 0.5\n"
       "  [ -4.5 0 7 ]  4.0  \n"  // outside [-pi, pi]: wrapped
       + std::string(CHECKPOINTS3) +
       "firstlap:\n1 2 \n"
       "normallap:\n0 100001 2 \n");
  ASSERT_EQ(race_course.start_count, 2);
  EXPECT_FLOAT_EQ(race_course.starts[0].position[2], 3);
  EXPECT_FLOAT_EQ(race_course.starts[0].heading, 0.5f);
  EXPECT_NEAR(race_course.starts[1].heading, 4.0 - 2 * M_PI, 1e-5);
  // The start gate object stands 3 units ahead: (x - 3 sin h, y, z - 3 cos h).
  EXPECT_NEAR(race_course.starts[0].gate_object[0], 1 - 3 * std::sin(0.5), 1e-5);
  EXPECT_NEAR(race_course.starts[0].gate_object[1], 2, 1e-6);
  EXPECT_NEAR(race_course.starts[0].gate_object[2], 3 - 3 * std::cos(0.5), 1e-5);

  ASSERT_EQ(race_course.gate_count, 3);
  EXPECT_FLOAT_EQ(race_course.gates[1].radius, 5);
  EXPECT_FLOAT_EQ(race_course.gates[2].position[1], 2);
  EXPECT_FLOAT_EQ(race_course.gates[0].direction[2], -1);
  ASSERT_EQ(race_course.first_count, 2);
  ASSERT_EQ(race_course.normal_count, 3);
  const int32_t expected[] = {1, 2, 0, 100001, 2};
  for (int i = 0; i < 5; i++) EXPECT_EQ(race_course.sequence[i], expected[i]) << i;
  EXPECT_EQ(race_course.first_segments, 2);
  EXPECT_EQ(race_course.normal_segments, 2);
  EXPECT_TRUE(race_course.active);
  EXPECT_EQ(prepared_segments, 4);
}

TEST_F(timing_file, sequence_entries_are_normalised) {
  load(std::string(CHECKPOINTS3) + "firstlap: -4 7 100005 250001\nnormallap: 1");
  ASSERT_EQ(race_course.first_count, 4);
  EXPECT_EQ(race_course.sequence[0], 0);       // negative
  EXPECT_EQ(race_course.sequence[1], 2);       // limited to the last checkpoint
  EXPECT_EQ(race_course.sequence[2], 100002);  // flag kept, index limited
  EXPECT_EQ(race_course.sequence[3], 100002);
  EXPECT_EQ(race_course.first_segments, 2);
}

TEST_F(timing_file, timing_is_active_only_with_gates_and_both_laps) {
  struct {
    const char *name;
    std::string text;
    bool active;
    int starts, gates;
  } cases[] = {
      {"complete", std::string(CHECKPOINTS3) + "firstlap: 0 normallap: 1 2", true, 0, 3},
      {"no firstlap", std::string(CHECKPOINTS3) + "normallap: 1 2", false, 0, 3},
      {"no normallap", std::string(CHECKPOINTS3) + "firstlap: 0", false, 0, 3},
      {"empty normal lap", std::string(CHECKPOINTS3) + "firstlap: 0 normallap:", false, 0, 3},
      {"only flagged normal gates", std::string(CHECKPOINTS3) + "firstlap: 0 normallap: 100001 100002", false, 0, 3},
      {"only flagged first gates", std::string(CHECKPOINTS3) + "firstlap: 100000 normallap: 1", false, 0, 3},
      {"no checkpoints", "checkpoints:\nfirstlap: 0 normallap: 0", false, 0, 0},
      {"starts only", "startinggate: [0 0 0] 0 [5 0 0] 0", false, 2, 0},
      {"sections out of order", std::string(CHECKPOINTS3) + "normallap: 1 firstlap: 0", false, 0, 3},
      {"unknown keyword", "startinggate: [0 0 0] 0 checkpoint: 4 [0 0 0] [0 0 1]", false, 1, 0},
      {"broken start entry", "startinggate: [0 0 0] 0 [1 2] 0 " + std::string(CHECKPOINTS3), false, 1, 0},
      {"broken checkpoint", "checkpoints: 4 [0 0 0] [0 0 1] 5 [1 1 1] 0 0 1 firstlap: 0 normallap: 0", false, 0,
       1},
      {"empty file", "", false, 0, 0},
  };
  for (const auto &c : cases) {
    load(c.text);
    EXPECT_EQ(race_course.active, c.active) << c.name;
    EXPECT_EQ(race_course.start_count, c.starts) << c.name;
    EXPECT_EQ(race_course.gate_count, c.gates) << c.name;
  }
}

TEST_F(timing_file, missing_file_leaves_timing_inactive_and_resets_the_old_course) {
  load(std::string("startinggate: [0 0 0] 0 ") + CHECKPOINTS3 + "firstlap: 0 normallap: 1");
  ASSERT_TRUE(race_course.active);
  timing_gates_load(home.file("elsewhere/timing_gates").c_str());
  EXPECT_FALSE(race_course.active);
  EXPECT_EQ(race_course.start_count, 0);
  EXPECT_EQ(race_course.gate_count, 0);
}

// Entries past a table's size are skipped; the sections after them still read.
TEST_F(timing_file, entries_beyond_the_tables_are_skipped) {
  std::string starts = "startinggate:\n";
  for (int i = 0; i < START_POSITION_MAX + 3; i++) starts += "[" + std::to_string(i) + " 0 0] 0\n";
  std::string lap = "firstlap:";
  for (int i = 0; i < LAP_SEQUENCE_MAX + 5; i++) lap += " 1";
  load(starts + checkpoints(TIMING_GATE_MAX + 2) + lap + "\nnormallap: 3 4\n");
  EXPECT_EQ(race_course.start_count, START_POSITION_MAX);
  EXPECT_FLOAT_EQ(race_course.starts[START_POSITION_MAX - 1].position[0], START_POSITION_MAX - 1);
  EXPECT_EQ(race_course.gate_count, TIMING_GATE_MAX);
  EXPECT_EQ(race_course.first_count, LAP_SEQUENCE_MAX);
  ASSERT_EQ(race_course.normal_count, 2);
  EXPECT_EQ(race_course.sequence[LAP_SEQUENCE_MAX], 3);
  EXPECT_TRUE(race_course.active);
}

TEST_F(timing_file, entries_with_non_finite_numbers_are_skipped) {
  load("startinggate: [1e999 0 0] 0 [1 0 0] 1e400\n[2 0 0] 0\n"
       "checkpoints: 1e999 [0 0 0] [1 0 0] 3 [5 0 0] [1 -1e999 0] 4 [9 0 0] [0 0 1]\n"
       "firstlap: 0 normallap: 0");
  ASSERT_EQ(race_course.start_count, 1);
  EXPECT_FLOAT_EQ(race_course.starts[0].position[0], 2);
  ASSERT_EQ(race_course.gate_count, 1);
  EXPECT_FLOAT_EQ(race_course.gates[0].radius, 4);
  EXPECT_TRUE(race_course.active);
}

TEST_F(timing_file, sequence_helpers_follow_the_first_and_normal_laps) {
  // F = 3, N = 5; the normal lap has one gate that begins no segment.
  load(checkpoints(8) + "firstlap: 0 1 2 normallap: 3 4 100005 6 7");
  ASSERT_TRUE(race_course.active);
  struct {
    int32_t k, position, gate;
    bool ends_lap;
  } cases[] = {{0, 0, 0, false}, {2, 2, 2, true},  {3, 3, 3, false}, {5, 5, 5, false},
               {7, 7, 7, true},  {8, 3, 3, false}, {12, 7, 7, true}, {13, 3, 3, false}};
  for (const auto &c : cases) {
    EXPECT_EQ(sequence_position(c.k), c.position) << c.k;
    EXPECT_EQ(sequence_gate(c.k), c.gate) << c.k;
    EXPECT_EQ(gate_ends_lap(c.k), c.ends_lap) << c.k;
  }
  EXPECT_FALSE(sequence_is_line_gate(5));
  EXPECT_FALSE(sequence_is_line_gate(10));
  const int32_t segments[][2] = {{0, 0}, {3, 3}, {5, 5}, {6, 5}, {8, 7}, {11, 9}, {13, 11}, {18, 15}};
  for (const auto &s : segments) EXPECT_EQ(segment_index(s[0]), s[1]) << s[0];
}

TEST_F(timing_file, saving_writes_what_loading_reads) {
  load("startinggate: [1.5 0 -2] 0.25\n"
       "checkpoints: 4 [0 1 2] [0 0 -1] 5.5 [10 0 0] [1 0 0.5]\n"
       "firstlap: 1 normallap: 0 100001\n");
  ASSERT_TRUE(race_course.active);
  ASSERT_TRUE(timing_gates_save("trk"));
  std::string saved = read_file(std::string(data_roots(0)) + "trk/timing_gates");
  EXPECT_EQ(saved,
            "startinggate:\n[1.500000 0.000000 -2.000000] 0.250000\n"
            "checkpoints:\n4.000000 [0.000000 1.000000 2.000000] [0.000000 0.000000 -1.000000]\n"
            "5.500000 [10.000000 0.000000 0.000000] [1.000000 0.000000 0.500000]\n"
            "firstlap:\n1 \nnormallap:\n0 100001 \n");
  timing_gates_load((std::string(data_roots(0)) + "trk/timing_gates").c_str());
  EXPECT_TRUE(race_course.active);
  EXPECT_EQ(race_course.start_count, 1);
  EXPECT_EQ(race_course.gate_count, 2);
  EXPECT_EQ(race_course.sequence[2], 100001);
}

// A course still being laid out (no normal lap yet) keeps its checkpoints.
TEST_F(timing_file, saving_keeps_checkpoints_while_timing_is_inactive) {
  load("checkpoints: 4 [0 0 0] [1 0 0] firstlap: 0");
  ASSERT_FALSE(race_course.active);
  ASSERT_TRUE(timing_gates_save("draft"));
  timing_gates_load((std::string(data_roots(0)) + "draft/timing_gates").c_str());
  EXPECT_EQ(race_course.gate_count, 1);
  EXPECT_EQ(race_course.first_count, 1);
}

TEST_F(timing_file, saving_reports_a_file_that_cant_be_created) {
  // A file where the track folder should be, in the personal folder and the data root.
  ASSERT_TRUE(write_file(std::string(data_roots(0)) + "blocker", "a file, not a folder"));
  ASSERT_TRUE(write_file(std::string(data_roots(1)) + "blocker", "a file, not a folder"));
  message_log_clear();
  EXPECT_FALSE(timing_gates_save("blocker"));
  const char *last = nullptr;
  for (int i = 0; message_log_visible(i); i++) last = message_log_visible(i);
  ASSERT_NE(last, nullptr);
  EXPECT_STREQ(last, "Can't open 'timing_gates'\n");
}

// Every truncation of a good file reads without harm, keeping what came before the cut.
TEST_F(timing_file, truncated_files_keep_what_was_read) {
  const std::string full = "startinggate: [1 2 3] 0.5 [4 5 6] -0.5\n" + std::string(CHECKPOINTS3) +
                           "firstlap: 0 1\nnormallap: 2 100000 1\n";
  for (size_t n = 0; n <= full.size(); n++) {
    load(full.substr(0, n));
    ASSERT_LE(race_course.start_count, 2) << n;
    ASSERT_LE(race_course.gate_count, 3) << n;
    EXPECT_EQ(race_course.active, n >= full.find("normallap: 2") + 12) << n;
    for (int i = 0; i < race_course.first_count + race_course.normal_count; i++)
      ASSERT_LT(race_course.sequence[i] % GATE_NO_SEGMENT, race_course.gate_count) << n;
  }
}
