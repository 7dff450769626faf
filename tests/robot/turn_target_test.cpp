// Where a stopped bike turns to face: the robot's path point, the fastest
// riding line around the bike's section, else the next timing gate; and when
// the race lets it turn on the spot at all.
#include <gtest/gtest.h>

#include <vector>

#include "../sim/world_fixture.h"
#include "race/timing.h"
#include "race/timing_gates.h"
#include "race/turn_hooks.h"
#include "robot/autopilot.h"
#include "robot/lines.h"
#include "robot/turn_target.h"
#include "sim/rider.h"

namespace {

// Three gates along +z; F = 1, N = 2: sections 0, 1, 2 are groups 0, 1, 2 and
// section 3 is group 1 again.
void make_course() {
  timing_gates_reset();
  for (int g = 0; g < 3; g++) {
    timing_gate &c = race_course.gates[race_course.gate_count++];
    c.position[0] = 500;
    c.position[2] = 100.0f * (g + 1);
    c.direction[2] = 1;
    c.radius = 10;
  }
  race_course.sequence[race_course.first_count++] = 0;
  race_course.sequence[race_course.first_count + race_course.normal_count++] = 1;
  race_course.sequence[race_course.first_count + race_course.normal_count++] = 2;
  race_course.first_segments = 1;
  race_course.normal_segments = 2;
  race_course.active = true;
}

// n points at x = x0, z = z0, z0 + 5, ...
std::vector<line_point> line_at(float x0, float z0, int n) {
  std::vector<line_point> p;
  for (int i = 0; i < n; i++) p.push_back({x0, 1, z0 + 5.0f * i, 20, 0});
  return p;
}

struct turn_targets : world_test {
  void SetUp() override {
    world_test::SetUp();
    make_course();
    lines_prepare_counts(1, 2);
    timing_bikes_reset();
    timing_set_present(3, true);
    race_timing.race_laps = 5;
    turn_hooks_install();
  }
  void TearDown() override {
    line_turn_target_hook = nullptr;
    gate_turn_target_hook = nullptr;
    turn_on_spot_allowed_hook = nullptr;
    autopilot_clear_all();
    timing_bikes_reset();
    timing_set_present(3, false);
    lines_clear();
    timing_gates_reset();
    world_test::TearDown();
  }
};

}  // namespace

TEST_F(turn_targets, fastest_line_four_samples_on_then_into_the_next_group) {
  std::vector<line_point> slow = line_at(100, 0, 20), fast = line_at(0, 0, 10), next = line_at(0, 50, 10);
  line_add(0, 0, slow.data(), (int)slow.size(), 900, 1800);
  line_add(0, 1, fast.data(), (int)fast.size(), 800, 1600);
  line_add(1, 0, next.data(), (int)next.size(), 800, 1600);
  struct row {
    const char *what;
    double x, z;
    bool found;
    double want_z;
  } rows[] = {
      {"nearest the 3rd point: the 7th", 1, 10, true, 30},
      {"two before the end: into the next line", 0, 40, true, 60},
      {"at its last point: the next group's line, four on", 0, 46, true, 70},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    double out[3] = {0, 0, 0};
    EXPECT_EQ(line_ahead_target(3, r.x, r.z, out), r.found);
    EXPECT_EQ(out[0], 0);  // always the fastest line, never the slow one at x = 100
    EXPECT_EQ(out[2], r.want_z);
  }
  // The last point of the section's line with no line after it: the nearest
  // point itself; a section without lines gives nothing.
  race_timing.bikes[3].gates_passed = 1;
  double out[3];
  ASSERT_TRUE(line_ahead_target(3, 0, 92, out));
  EXPECT_EQ(out[2], 90);
  race_timing.bikes[3].gates_passed = 2;
  EXPECT_FALSE(line_ahead_target(3, 0, 92, out));
}

TEST_F(turn_targets, robot_path_point_then_lines_then_the_next_gate) {
  bike *b = make("crf250(2009)", 3);
  ASSERT_TRUE(b);
  double out[3];
  // No lines at all: the next gate the slot expects.
  race_timing.bikes[3].gates_passed = 1;
  ASSERT_TRUE(turn_target(b, out));
  EXPECT_EQ(out[2], 200);
  // A line in the bike's section wins over the gate.
  std::vector<line_point> l = line_at(0, 0, 30);
  line_add(1, 0, l.data(), (int)l.size(), 800, 1600);
  ASSERT_TRUE(turn_target(b, out));
  EXPECT_EQ(out[0], 0);
  // A robot aims at its own path point.
  bike_slot_set(3, b, BIKE_ROBOT);
  autopilot_reset(3, 1);
  robot_state &r = robot_states[3];
  r.path = (line_point *)malloc(2 * sizeof(line_point));
  r.path[0] = {7, 1, 8, 20, 0};
  r.path[1] = {9, 1, 10, 20, 0};
  r.path_count = r.path_capacity = 2;
  r.path_index = 1;
  ASSERT_TRUE(turn_target(b, out));
  EXPECT_EQ(out[0], 9);
  EXPECT_EQ(out[2], 10);
}

TEST_F(turn_targets, turning_on_the_spot_needs_a_gate_passed_and_an_unfinished_race) {
  bike *b = make("crf250(2009)", 3);
  ASSERT_TRUE(b);
  EXPECT_FALSE(turn_on_spot_allowed(b));  // no gate passed yet
  race_timing.bikes[3].gates_passed = 1;
  EXPECT_TRUE(turn_on_spot_allowed(b));
  race_timing.bikes[3].finished = true;
  EXPECT_FALSE(turn_on_spot_allowed(b));
  race_timing.bikes[3].finished = false;
  race_course.active = false;
  EXPECT_FALSE(turn_on_spot_allowed(b));
  double out[3];
  EXPECT_FALSE(next_gate_position(b, out));
}
