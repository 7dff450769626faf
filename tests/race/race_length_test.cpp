// The race length of a time-limited race and of a pure lap race.
#include <gtest/gtest.h>

#include "race/race_setup.h"
#include "race/timing.h"
#include "race/timing_gates.h"
#include "sim/world.h"

namespace {

// One gate per lap (F = N = 1): gate k ends lap k + 1.
struct race_length : ::testing::Test {
  void SetUp() override {
    timing_gates_reset();
    timing_bikes_reset();
    race_course.gate_count = 1;
    race_course.gates[0].radius = 5;
    race_course.first_count = race_course.normal_count = 1;
    race_course.active = true;
    timing_set_present(0, true);
    timing_set_present(1, true);
    standings_rebuilt_hook = race_length_update;
  }
  void TearDown() override {
    standings_rebuilt_hook = nullptr;
    timing_bikes_reset();
    timing_gates_reset();
    race_session = race_session_state{};
    sim.sim_tick = 0;
  }
  void start(int32_t limit, int32_t laps) {
    race_session.time_limit = limit;
    race_session.laps = laps;
    race_timing.race_laps = limit ? RACE_NO_LIMIT_LAPS : laps;
    race_session.halfway_lap = limit ? RACE_NO_LIMIT_LAPS : (laps + 1) / 2;
  }
  // The rider completes a lap at `tick`; the standings follow.
  void lap(int slot, int32_t tick) {
    sim.sim_tick = tick;
    timing_set_crossing(slot, race_timing.bikes[slot].gates_passed, tick);
    standings_update();
  }
};

TEST_F(race_length, ten_minutes_and_two_laps_run_to_lap_eight_for_a_leader_at_five) {
  const int32_t limit = 10 * 60 * 128;
  start(limit, 2);
  for (int l = 1; l <= 5; l++) lap(0, l * 14000);  // lap 5 at 70000
  lap(1, 30000);
  EXPECT_EQ(race_session.halfway_lap, 4);  // the first rebuild after 5 minutes: the leader has 3 laps
  EXPECT_EQ(race_timing.race_laps, RACE_NO_LIMIT_LAPS);
  lap(1, limit + 10);  // time is up: the lap under way (6) and two more
  EXPECT_EQ(race_timing.race_laps, 8);
  lap(0, limit + 500);  // lap 6 ends after the limit: nothing changes
  lap(0, limit + 9000);
  EXPECT_EQ(race_timing.race_laps, 8);
}

TEST_F(race_length, a_lap_ended_after_the_limit_before_any_rebuild_adds_nothing) {
  const int32_t limit = 10 * 60 * 128;
  start(limit, 2);
  for (int l = 1; l <= 5; l++) lap(0, l * 14000);
  lap(0, limit + 100);  // the first rebuild after the limit is the leader's lap 6
  EXPECT_EQ(race_timing.race_laps, 8);
}

TEST_F(race_length, a_pure_lap_race_never_changes_r) {
  start(0, 3);
  for (int l = 1; l <= 6; l++) lap(0, l * 100000);
  EXPECT_EQ(race_timing.race_laps, 3);
  EXPECT_EQ(race_session.halfway_lap, 2);
}

}  // namespace
