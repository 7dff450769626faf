#include "race/timing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "app/game_tick.h"
#include "race/timing_gates.h"

namespace {

// A course built in memory: checkpoints given as (x, z, direction x, direction
// z, radius), then the first-lap and normal-lap sequences.
struct gate_spec {
  float x, z, dx, dz, radius;
};

void make_course(std::initializer_list<gate_spec> gates, std::initializer_list<int32_t> first,
                 std::initializer_list<int32_t> normal) {
  timing_gates_reset();
  for (const gate_spec &g : gates) {
    timing_gate &c = race_course.gates[race_course.gate_count++];
    c.position[0] = g.x;
    c.position[2] = g.z;
    c.direction[0] = g.dx;
    c.direction[2] = g.dz;
    c.radius = g.radius;
  }
  for (int32_t e : first) race_course.sequence[race_course.first_count++] = e;
  for (int32_t e : normal) race_course.sequence[race_course.first_count + race_course.normal_count++] = e;
  race_course.first_segments = race_course.first_count;
  race_course.normal_segments = race_course.normal_count;
  race_course.active = true;
}

// Six checkpoints along +x at x = 10, 20, ... 60 (radius 2); F = 1 (gate 0),
// N = 5 (gates 1..5). Laps end at gate indices 0, 5, 10, ...
void straight_course() {
  make_course({{10, 0, 1, 0, 2}, {20, 0, 1, 0, 2}, {30, 0, 1, 0, 2}, {40, 0, 1, 0, 2}, {50, 0, 1, 0, 2},
               {60, 0, 1, 0, 2}},
              {0}, {1, 2, 3, 4, 5});
}

struct timing_test : ::testing::Test {
  void SetUp() override {
    timing_bikes_reset();
    for (int i = 0; i < TIMING_SLOTS; i++) timing_set_present(i, false);
    race_timing.race_laps = 1000;
    race_start_tick = 0;
  }
  void TearDown() override {
    timing_bikes_reset();
    for (int i = 0; i < TIMING_SLOTS; i++) timing_set_present(i, false);
    timing_gates_reset();
    timing_line_crossing_hook = nullptr;
    standings_rebuilt_hook = nullptr;
  }
  // Stands just past the checkpoint of gate index k and runs one update.
  bool ride_through(int slot, int32_t k, int32_t tick) {
    const timing_gate &g = race_course.gates[sequence_gate(k)];
    return timing_update_at(slot, g.position[0] + 0.5 * g.direction[0], g.position[2] + 0.5 * g.direction[2], tick);
  }
  // Rides gate indices from..to in order, one crossing every `step` ticks.
  void ride(int slot, int32_t from, int32_t to, int32_t first_tick, int32_t step) {
    for (int32_t k = from; k <= to; k++) ASSERT_TRUE(ride_through(slot, k, first_tick + (k - from) * step)) << k;
  }
  std::vector<int32_t> crossings(int slot) {
    const bike_timing &b = race_timing.bikes[slot];
    return std::vector<int32_t>(b.crossing, b.crossing + b.crossing_count);
  }
};

}  // namespace

TEST_F(timing_test, gate_needs_the_disc_and_the_far_side) {
  make_course({{0, 0, 1, 1, 2}}, {0}, {0});  // the direction need not be unit length
  timing_set_present(0, true);
  struct {
    double x, z;
    bool crossed;
  } cases[] = {
      {1, 0.5, true},     // ahead, inside
      {2, 0, true},       // on the rim
      {-1, 0.5, false},   // behind
      {1, -1, true},      // level with the centre counts as past
      {1.5, 1.5, false},  // ahead but beyond the reach
  };
  for (const auto &c : cases) {
    timing_bike_clear(0);
    EXPECT_EQ(timing_update_at(0, c.x, c.z, 5), c.crossed) << c.x << " " << c.z;
  }
}

// A bike circling a round course of four gates crosses each once per lap, in
// order, and its lap times follow from the crossing ticks.
TEST_F(timing_test, bike_riding_a_loop_crosses_every_gate_in_order) {
  const double R = 50, STEP = 2 * M_PI / 512;  // one lap in 512 ticks (4 s)
  make_course({{50, 0, 0, 1, 3}, {0, 50, -1, 0, 3}, {-50, 0, 0, -1, 3}, {0, -50, 1, 0, 3}}, {0}, {1, 2, 3, 0});
  timing_set_present(3, true);
  race_start_tick = -100;
  std::vector<int32_t> ticks;
  for (int32_t t = 0; t < 3 * 512 + 10; t++) {
    double a = (t + 0.5) * STEP;
    if (timing_update_at(3, R * std::cos(a), R * std::sin(a), t)) ticks.push_back(t);
  }
  ASSERT_EQ(ticks.size(), 13u);  // gate 0, then three laps of four
  for (size_t k = 0; k < ticks.size(); k++) EXPECT_EQ(ticks[k], (int32_t)(128 * k)) << k;
  EXPECT_EQ(crossings(3), ticks);
  EXPECT_EQ(race_timing.bikes[3].gates_passed, 13);
  EXPECT_EQ(laps_completed(3), 4);
  EXPECT_FLOAT_EQ(lap_time(3, 1), 100.0f / 128);
  for (int lap = 2; lap <= 4; lap++) EXPECT_FLOAT_EQ(lap_time(3, lap), 4.0f) << lap;
  EXPECT_EQ(lap_time(3, 5), 0);
  EXPECT_EQ(lap_time(3, 0), 0);
  EXPECT_EQ(best_lap(3), 2);  // equal laps: the earliest
}

TEST_F(timing_test, at_most_two_gates_can_be_skipped) {
  straight_course();
  for (int slot = 0; slot < 4; slot++) timing_set_present(slot, true);
  for (int slot = 0; slot < 4; slot++) ASSERT_TRUE(ride_through(slot, 0, 10));
  // From gate index 1: ride straight to gate 1, 2, 3 or 4.
  for (int slot = 0; slot < 4; slot++) EXPECT_EQ(ride_through(slot, 1 + slot, 20), slot < 3) << slot;
  EXPECT_EQ(crossings(0), (std::vector<int32_t>{10, 20}));
  EXPECT_EQ(crossings(1), (std::vector<int32_t>{10, -1, 20}));
  EXPECT_EQ(crossings(2), (std::vector<int32_t>{10, -1, -1, 20}));
  EXPECT_EQ(crossings(3), (std::vector<int32_t>{10}));
  EXPECT_EQ(race_timing.bikes[2].gates_passed, 4);
  EXPECT_EQ(race_timing.bikes[3].gates_passed, 1);
}

TEST_F(timing_test, the_last_gate_of_a_lap_cant_be_skipped) {
  straight_course();
  timing_set_present(0, true);
  ride(0, 0, 3, 10, 10);
  // Gate index 4 is next and 5 closes the lap; gate index 6 (checkpoint 1)
  // lies two ahead but the finish line stands between.
  EXPECT_FALSE(ride_through(0, 6, 100));
  EXPECT_TRUE(ride_through(0, 5, 102));       // skipping gate 4 onto the line is fine
  EXPECT_EQ(crossings(0), (std::vector<int32_t>{10, 20, 30, 40, -1, 102}));
  EXPECT_EQ(laps_completed(0), 2);
}

TEST_F(timing_test, turning_back_fills_a_skipped_gate_and_repeats_are_ignored) {
  straight_course();
  timing_set_present(0, true);
  ride(0, 0, 0, 10, 10);
  ASSERT_TRUE(ride_through(0, 2, 20));  // gate 1 skipped
  EXPECT_FALSE(ride_through(0, 2, 21));  // still on gate 2 the next tick, despite the gap
  ASSERT_TRUE(ride_through(0, 1, 25));  // back through it: offset -2 after a gap
  EXPECT_EQ(race_timing.bikes[0].gates_passed, 2);
  EXPECT_EQ(crossings(0), (std::vector<int32_t>{10, 25, 20}));
  ASSERT_TRUE(ride_through(0, 2, 30));
  EXPECT_EQ(crossings(0), (std::vector<int32_t>{10, 25, 30}));

  // No gap now: going back through gate 1 or staying on gate 2 changes nothing.
  EXPECT_FALSE(ride_through(0, 1, 40));
  EXPECT_FALSE(ride_through(0, 2, 41));
  EXPECT_EQ(race_timing.bikes[0].gates_passed, 3);
}

TEST_F(timing_test, laps_follow_the_first_and_normal_sequences) {
  // F = 3, N = 5 on eight checkpoints placed apart.
  make_course({{10, 0, 1, 0, 2}, {20, 0, 1, 0, 2}, {30, 0, 1, 0, 2}, {40, 0, 1, 0, 2}, {50, 0, 1, 0, 2},
               {60, 0, 1, 0, 2}, {70, 0, 1, 0, 2}, {80, 0, 1, 0, 2}},
              {0, 1, 2}, {3, 4, 5, 6, 7});
  timing_set_present(0, true);
  const int32_t laps_after[] = {0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 3};
  for (int32_t k = 0; k < 13; k++) {
    ASSERT_TRUE(ride_through(0, k, 100 * (k + 1)));
    EXPECT_EQ(laps_completed(0), laps_after[k + 1]) << "gates passed " << k + 1;
  }
  race_start_tick = 50;
  EXPECT_FLOAT_EQ(lap_time(0, 1), (300 - 50) / 128.0f);
  EXPECT_FLOAT_EQ(lap_time(0, 2), 500 / 128.0f);
  EXPECT_FLOAT_EQ(lap_time(0, 3), 500 / 128.0f);

  // A lap time needs both crossings (a record set by a peer may lack one).
  race_timing.bikes[0].crossing[2] = TIMING_NO_RECORD;
  EXPECT_EQ(lap_time(0, 1), 0);
  EXPECT_EQ(lap_time(0, 2), 0);
  EXPECT_FLOAT_EQ(lap_time(0, 3), 500 / 128.0f);
}

TEST_F(timing_test, best_lap_ignores_lap_one_and_keeps_the_earliest_tie) {
  straight_course();  // laps end at gate indices 0, 5, 10, 15, 20
  struct {
    std::vector<int32_t> lap_ends;
    int32_t best;
  } cases[] = {
      {{10}, 0},
      {{10, 600}, 2},
      {{1, 900, 1200, 1500, 1700}, 5},  // lap 1 is shortest but never counts
      {{10, 510, 810, 1110}, 3},        // laps 3 and 4 tie at 300
  };
  timing_set_present(0, true);
  for (const auto &c : cases) {
    timing_bike_clear(0);
    for (size_t l = 0; l < c.lap_ends.size(); l++) timing_set_crossing(0, 5 * (int32_t)l, c.lap_ends[l]);
    EXPECT_EQ(best_lap(0), c.best) << c.lap_ends.size();
  }
}

TEST_F(timing_test, standings_order_gates_then_time_then_slot) {
  straight_course();
  const int32_t setup[][2] = {  // slot, gates passed (crossing ticks 100 each, last one given)
      {0, 2}, {1, 3}, {2, 2}, {5, 3}, {7, 0}, {9, 2}};
  const int32_t last_tick[] = {400, 300, 350, 300, 0, 350};
  for (int i = 0; i < 6; i++) {
    int slot = setup[i][0];
    timing_set_present(slot, true);
    for (int32_t k = 0; k < setup[i][1]; k++) timing_set_crossing(slot, k, k + 1 == setup[i][1] ? last_tick[i] : 100);
  }
  timing_set_present(3, false);  // an empty slot has no entry
  standings_update();
  ASSERT_EQ(race_timing.standings_count, 6);
  const int32_t order[] = {1, 5, 2, 9, 0, 7};
  for (int i = 0; i < 6; i++) EXPECT_EQ(race_timing.standings[i].slot, order[i]) << i;
  EXPECT_EQ(race_timing.standings[0].latest_tick, 300);
  EXPECT_EQ(race_timing.standings[5].latest_tick, 0);

  EXPECT_EQ(standings_step(2, -1), 5);
  EXPECT_EQ(standings_step(2, 1), 9);
  EXPECT_EQ(standings_step(1, -1), 1);  // not past the first
  EXPECT_EQ(standings_step(7, 1), 7);   // nor the last
  EXPECT_EQ(standings_step(3, 1), 3);   // not in the standings
  EXPECT_EQ(standings_index(3), 6);

  // Final results freeze the order.
  race_timing.results_final = true;
  timing_set_crossing(7, 5, 9000);
  standings_update();
  EXPECT_EQ(race_timing.standings[5].slot, 7);
}

TEST_F(timing_test, crossings_rebuild_the_standings_and_run_the_seams) {
  straight_course();
  race_course.sequence[2] = GATE_NO_SEGMENT + 2;  // gate index 2 begins no segment
  static std::vector<int32_t> seen;
  static int rebuilds;
  seen.clear();
  rebuilds = 0;
  timing_line_crossing_hook = [](int slot, int32_t k, int32_t before) {
    seen.push_back(slot * 1000 + k * 10 + before);
    EXPECT_EQ(race_timing.bikes[slot].gates_passed, before);
  };
  standings_rebuilt_hook = [] { rebuilds++; };
  timing_set_present(4, true);
  ride(4, 0, 3, 10, 10);
  EXPECT_EQ(seen, (std::vector<int32_t>{4000, 4011, 4033}));
  EXPECT_EQ(rebuilds, 4);
  EXPECT_EQ(race_timing.standings[0].slot, 4);
  EXPECT_EQ(race_timing.standings[0].gates_passed, 4);
}

TEST_F(timing_test, riders_finish_once_the_leader_has_completed_the_race) {
  straight_course();  // F = 1, N = 5
  race_timing.race_laps = 3;  // finish gate F + 2N - 1 = 10
  timing_set_present(0, true);
  timing_set_present(1, true);
  ride(0, 0, 9, 100, 10);
  ride(1, 0, 4, 105, 10);
  EXPECT_FALSE(race_timing.bikes[0].finished);
  ASSERT_TRUE(ride_through(0, 10, 300));
  EXPECT_TRUE(race_timing.bikes[0].finished);
  EXPECT_FALSE(ride_through(0, 11, 310));  // a finished rider is no longer timed
  EXPECT_EQ(race_timing.bikes[0].gates_passed, 11);

  // Rider 1 has completed one lap; its next lap completion ends its race.
  EXPECT_FALSE(rider_finished(1));
  ASSERT_TRUE(ride_through(1, 5, 400));
  EXPECT_TRUE(race_timing.bikes[1].finished);
  EXPECT_EQ(laps_completed(1), 2);
}

TEST_F(timing_test, with_no_laps_every_rider_finishes_at_its_first_lap) {
  straight_course();
  race_timing.race_laps = 0;
  timing_set_present(2, true);
  ASSERT_TRUE(ride_through(2, 0, 50));
  EXPECT_TRUE(race_timing.bikes[2].finished);
}

TEST_F(timing_test, finished_test_compares_lap_ends_with_the_leaders_finish) {
  straight_course();
  race_timing.race_laps = 2;  // finish gate 5
  for (int s = 0; s < 4; s++) timing_set_present(s, true);
  for (int32_t k = 0; k < 6; k++) timing_set_crossing(0, k, 500 + 100 * k);  // finishes at 1000
  timing_set_crossing(1, 0, 900);   // lap 1 ended before the leader's finish
  timing_set_crossing(2, 0, 1000);  // ... at the same tick
  timing_set_crossing(3, 0, 1200);
  timing_set_crossing(3, 1, 1300);  // ... after it, one gate into lap 2
  standings_update();
  EXPECT_TRUE(rider_finished(0));
  EXPECT_FALSE(rider_finished(1));
  EXPECT_TRUE(rider_finished(2));
  EXPECT_TRUE(rider_finished(3));
  EXPECT_TRUE(race_timing.bikes[3].finished);

  // Without the leader's record at the finish gate nobody else counts.
  timing_bike_clear(2);
  timing_bike_clear(3);
  timing_set_crossing(2, 0, 1100);
  timing_set_crossing(0, 5, TIMING_NO_RECORD);
  EXPECT_FALSE(rider_finished(2));
}

TEST_F(timing_test, cutting_is_charged_against_the_typical_time) {
  straight_course();  // F = 1, N = 5: the stretch 1 -> 3 lies in the normal lap
  timing_set_present(0, true);
  timing_set_present(1, true);
  // Rider 0 rides 1 -> 3 cleanly in 200 ticks, and in its next lap in 300.
  const int32_t clean[] = {100, 200, 300, 400, 500, 600, 700, 800, 1000};
  for (int32_t k = 0; k < 9; k++) timing_set_crossing(0, k, clean[k]);
  // Rider 1 skips gate 2 and takes 60 ticks from 1 to 3.
  timing_set_crossing(1, 0, 100);
  timing_set_crossing(1, 1, 200);
  timing_set_crossing(1, 3, 260);
  standings_update();
  EXPECT_EQ(reference_time(1, 3), 250);  // the mean of rider 0's two laps
  cut_penalty p = track_cut_penalty(1);
  EXPECT_EQ(p.penalty, 250 + 128 - 60);
  EXPECT_EQ(p.gates_passed, 4);
  EXPECT_EQ(p.total_time, 260 + 318);
  EXPECT_EQ(track_cut_penalty(0).penalty, 0);
  EXPECT_EQ(track_cut_penalty(0).total_time, 1000);

  // A cut slower than the typical time plus a second costs nothing.
  timing_set_crossing(1, 3, 200 + 250 + 128);
  EXPECT_EQ(track_cut_penalty(1).penalty, 0);
}

TEST_F(timing_test, a_penalty_longer_than_the_last_lap_takes_laps_away) {
  straight_course();
  timing_set_present(0, true);
  // Gates 1 and 2 skipped, nobody rode 0 -> 3 cleanly: compared with 60 s.
  const int32_t ticks[] = {100, -1, -1, 150, 200, 300, 400};
  for (int32_t k = 0; k < 7; k++) timing_set_crossing(0, k, ticks[k]);
  standings_update();
  EXPECT_EQ(reference_time(0, 3), 7680);
  ASSERT_EQ(laps_completed(0), 2);
  // Penalty 7680 + 128 - 50 = 7758 against a last lap of 200 ticks: the
  // gate count drops one lap (to 2), and 7558 ticks remain; another lap
  // would leave a negative count, so it stays.
  cut_penalty p = track_cut_penalty(0);
  EXPECT_EQ(p.gates_passed, 2);
  EXPECT_EQ(p.penalty, 7558);
  EXPECT_EQ(p.total_time, 400 + 7558);
  EXPECT_EQ(laps_from_gates(p.gates_passed), 1);
}

TEST_F(timing_test, seeking_back_drops_later_crossings) {
  straight_course();
  race_timing.race_laps = 1;
  timing_set_present(0, true);
  ride(0, 0, 0, 100, 0);
  ASSERT_TRUE(race_timing.bikes[0].finished);
  timing_set_present(1, true);
  ride(1, 0, 0, 100, 0);
  race_timing.results_final = true;
  timing_truncate_after(99);
  EXPECT_EQ(race_timing.bikes[0].gates_passed, 0);
  EXPECT_FALSE(race_timing.bikes[0].finished);
  EXPECT_FALSE(race_timing.results_final);

  timing_bike_clear(0);
  for (int32_t k = 0; k < 4; k++) timing_set_crossing(0, k, k == 2 ? -1 : 100 * (k + 1));
  timing_truncate_after(399);  // the skipped gate goes with the crossing after it
  EXPECT_EQ(race_timing.bikes[0].gates_passed, 2);
  EXPECT_EQ(crossings(0), (std::vector<int32_t>{100, 200}));
}

TEST_F(timing_test, nothing_is_timed_while_inactive_or_absent) {
  straight_course();
  timing_set_present(1, true);
  race_course.active = false;
  EXPECT_FALSE(ride_through(1, 0, 10));
  EXPECT_EQ(laps_completed(1), 0);
  race_course.active = true;
  EXPECT_FALSE(ride_through(0, 0, 10));  // slot 0 takes no part
  EXPECT_FALSE(timing_update_at(-1, 10.5, 0, 10));
  EXPECT_FALSE(timing_update_at(TIMING_SLOTS, 10.5, 0, 10));
  EXPECT_FALSE(timing_set_crossing(1, -1, 10));
  EXPECT_FALSE(timing_set_crossing(1, TIMING_CROSSINGS_MAX, 10));
  EXPECT_EQ(crossing_tick(1, 5), TIMING_NO_RECORD);
}
