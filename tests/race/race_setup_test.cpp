// The race set-up's generator draws, the grid, the lineup rules and a whole
// set-up on a small flat track: placing, the start gate, false starts and
// the time trial's flying start.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/game_tick.h"
#include "app/message_log.h"
#include "config/settings.h"
#include "data/data.h"
#include "race/lineup.h"
#include "race/race_session.h"
#include "race/race_setup.h"
#include "race/timing.h"
#include "race/timing_gates.h"
#include "robot/roster.h"
#include "sim/bike.h"
#include "sim/world.h"
#include "support/test_env.h"
#include "track/statues.h"
#include "track/terrain_files.h"
#include "track/track_load.h"

namespace {

// Seed 5489 is the generator's default: its first outputs are published
// (3499211612, 581869302, 3890346734), so the first three swaps are known:
// entry 79 <-> 53393 mod 79 = 68, 78 <-> 8878 mod 78 = 64, 77 <-> 59361 mod 77 = 71.
TEST(race_draws, shuffle_and_gate_drop_follow_the_generator) {
  int32_t order[PERSONALITY_ORDER_SIZE], drop;
  race_shuffle_and_drop(5489, order, &drop);
  EXPECT_EQ(order[79], 68);
  EXPECT_EQ(order[78], 64);
  EXPECT_EQ(order[77], 71);
  std::set<int32_t> all(order, order + PERSONALITY_ORDER_SIZE);
  EXPECT_EQ(all.size(), 80u);
  EXPECT_EQ(*all.begin(), 0);
  EXPECT_EQ(*all.rbegin(), 79);

  // The drop is the 80th output, top bit cleared, as 13 + 2u seconds.
  std::mt19937 reference(5489);
  reference.discard(79);
  double u = (reference() & 0x7fffffffu) / 2147483648.0;
  EXPECT_EQ(drop, (int32_t)((2 * u + 13) * 128));
  for (uint32_t seed : {0u, 1u, 38400u, 4000000000u}) {
    race_shuffle_and_drop(seed, order, &drop);
    EXPECT_GE(drop, 13 * 128);
    EXPECT_LT(drop, 15 * 128);
  }
}

struct grid : ::testing::Test {
  void TearDown() override { timing_gates_reset(); }
};

TEST_F(grid, rows_stand_ten_units_apart_behind_the_start_positions) {
  timing_gates_reset();
  race_course.start_count = 6;
  for (int k = 0; k < 6; k++) {
    race_course.starts[k].position[0] = 10.0f * k;
    race_course.starts[k].position[2] = 50;
    race_course.starts[k].heading = k == 1 ? (float)(M_PI / 2) : 0;
  }
  // Heading 0 faces -z, so "behind" is +z; heading pi/2 faces -x.
  grid_spot g0 = race_grid_spot(0, 100), g6 = race_grid_spot(6, 100), g7 = race_grid_spot(7, 100);
  EXPECT_NEAR(g0.z, 50.625, 1e-9);
  EXPECT_NEAR(g6.x, 0, 1e-9);
  EXPECT_NEAR(g6.z, 60.625, 1e-9);
  EXPECT_NEAR(g7.x, 10 + 10.625, 1e-6);
  EXPECT_NEAR(g7.z, 50, 1e-6);
  EXPECT_FLOAT_EQ((float)g7.heading, (float)(M_PI / 2));

  race_course.start_count = 0;
  grid_spot g3 = race_grid_spot(3, 128);
  EXPECT_DOUBLE_EQ(g3.x, 64 + 15);
  EXPECT_DOUBLE_EQ(g3.z, 64);
  EXPECT_DOUBLE_EQ(g3.heading, 0);
}

TEST(lineup_rules, working_lineup) {
  int32_t given[LINEUP_GATES] = {};
  struct row {
    std::vector<std::pair<int, int32_t>> set;
    bool demo;
    int viewed;
    std::vector<std::pair<int, int32_t>> expect;
  } rows[] = {
      {{}, false, 0, {{0, LINEUP_ROBOT}}},                       // nobody: a robot in gate 1
      {{}, true, -1, {{0, LINEUP_EMPTY}}},                       // a played demo fills the gates
      {{{3, LINEUP_ROBOT}, {5, LINEUP_HUMAN}, {9, LINEUP_HUMAN}}, false, 5, {{5, LINEUP_HUMAN}, {9, LINEUP_EMPTY}}},
      {{{2, 77}, {4, 1045}}, false, 4, {{2, LINEUP_EMPTY}, {4, 1045}}},  // unknown values are empty
  };
  for (const row &r : rows) {
    for (int32_t &g : given) g = 0;
    for (auto [gate, v] : r.set) given[gate] = v;
    working_lineup w = lineup_working(given, r.demo);
    EXPECT_EQ(w.viewed_slot, r.viewed);
    for (auto [gate, v] : r.expect) EXPECT_EQ(w.gates[gate], v) << gate;
  }
  working_lineup tt = lineup_working(nullptr, false);
  EXPECT_EQ(tt.gates[0], LINEUP_HUMAN);
  EXPECT_EQ(tt.gates[1], LINEUP_EMPTY);

  for (int32_t &g : given) g = 0;
  given[0] = 1, given[39] = 2;
  lineup_rotate(given, 1);
  EXPECT_EQ(given[1], 1);
  EXPECT_EQ(given[0], 2);
  lineup_rotate(given, -41);
  EXPECT_EQ(given[0], 1);
}

TEST(lineup_rules, personalities_by_kind_and_number) {
  personality_draw d;
  for (int i = 0; i < PERSONALITY_ORDER_SIZE; i++) d.order[i] = PERSONALITY_ORDER_SIZE - 1 - i;  // numbers 99, 98 ...
  d.taken = 0;
  EXPECT_EQ(robot_roster_at(personality_take(&d, LINEUP_ROBOT))->number, 99);
  int32_t two = personality_take(&d, LINEUP_ROBOT_2T);
  EXPECT_NE(std::string(robot_roster_at(two)->bike).find("125"), std::string::npos);
  EXPECT_EQ(robot_roster_at(personality_take(&d, LINEUP_ROBOT_NUMBER + 45))->number, 45);
  // The ones passed over keep their order at the front.
  EXPECT_EQ(robot_roster_at(personality_take(&d, LINEUP_ROBOT))->number, 98);
  d.taken = PERSONALITY_ORDER_SIZE;
  EXPECT_EQ(personality_take(&d, LINEUP_ROBOT), -1);
}

// A flat 128 x 128 track with six start positions along z = 100 facing -z
// and three checkpoints ahead of them.
struct session : ::testing::Test {
  temp_dir home;
  scoped_env xdg{"XDG_DATA_HOME", home.path.c_str()};
  scoped_env kv_home{"KV_HOME", home.path.c_str()};

  void SetUp() override {
    data_reset();
    message_log_clear();
    settings_defaults();
    std::vector<uint16_t> flat(65 * 65, 0);
    ASSERT_TRUE(write_terrain_raw(home.file("flat/terrain.hf").c_str(), 5, 2, 0, 10, flat.data()));
    std::vector<unsigned char> shade(65 * 65 * 3, 64), tiles(32 * 32, 0);
    ASSERT_TRUE(write_shading(home.file("flat/shading.ppm").c_str(), shade.data(), 65, true));
    tileinfo_surface dirt = {};
    dirt.texture = "@dirt.png";
    ASSERT_TRUE(write_tileinfo(home.file("flat/tileinfo").c_str(), &dirt, 1));
    ASSERT_TRUE(write_tilemap(home.file("flat/tilemap").c_str(), tiles.data(), (int)tiles.size()));
    std::string gates = "startinggate:\n";
    for (int k = 0; k < 6; k++) gates += "[" + std::to_string(30 + 10 * k) + " 0 100] 0\n";
    gates += "checkpoints:\n8 [55 0 80] [0 0 -1]\n8 [55 0 50] [0 0 -1]\n8 [55 0 20] [0 0 -1]\n"
             "firstlap:\n0 1 2\nnormallap:\n0 1 2\n";
    ASSERT_TRUE(write_file(home.file("flat/timing_gates"), gates));
    session_world_create();
    session_clear_slots();
  }
  void TearDown() override {
    session_shutdown();
    standings_rebuilt_hook = nullptr;
    timing_lines_prepare_hook = nullptr;
    data_reset();
  }
  bool setup(const int32_t *lineup, int32_t time_limit = 0, int32_t laps = 3) {
    race_setup_args a = {lineup, false, false, time_limit, laps, 0, "flat"};
    bool ok = race_setup(a);
    for (int i = 0; !ok && i < message_log.write_index; i++) printf("posted: %s\n", message_log.lines[i]);
    return ok;
  }
  static const dReal *chassis(int slot) { return dBodyGetPosition(bike_slot_bike(slot)->chassis); }
};

TEST_F(session, eight_riders_on_six_positions_and_the_start_gate) {
  int32_t lineup[LINEUP_GATES] = {};
  for (int g = 0; g < 8; g++) lineup[g] = LINEUP_ROBOT;
  sim.sim_tick = 5489;
  ASSERT_TRUE(setup(lineup));
  EXPECT_EQ(sim.sim_tick, 0);
  EXPECT_GE(race_start_tick, 13 * 128);
  EXPECT_LT(race_start_tick, 15 * 128);
  EXPECT_EQ(race_timing.race_laps, 3);
  EXPECT_EQ(race_session.halfway_lap, 2);
  EXPECT_EQ(race_timing.standings_count, 8);
  for (int s = 0; s < 8; s++) EXPECT_EQ(bike_slot_kind(s), BIKE_ROBOT);
  EXPECT_EQ(bike_slot_bike(8), nullptr);
  // Gates 7 and 8 stand a row (10 units) behind gates 1 and 2, which stand
  // 0.625 behind the line; bikes face -z.
  EXPECT_NEAR(chassis(6)[2] - chassis(0)[2], 10, 1e-6);
  EXPECT_NEAR(chassis(7)[0] - chassis(1)[0], 0, 1e-6);
  EXPECT_NEAR(chassis(7)[2] - chassis(1)[2], 10, 1e-6);
  EXPECT_NEAR(race_grid_spot(7, 128).z, 110.625, 1e-6);
  EXPECT_NEAR(chassis(2)[0] - chassis(1)[0], 10, 1e-6);
  // The robots drew distinct personalities from the shuffled order.
  std::set<int32_t> drawn(race_session.slot_personality, race_session.slot_personality + 8);
  EXPECT_EQ(drawn.size(), 8u);

  ASSERT_EQ(track_state.start_gate_count, 6);
  for (int k = 0; k < 6; k++) EXPECT_EQ(race_session.start_gate_raise[k], 1);
  sim.sim_tick = race_start_tick;
  start_gate_update();  // not yet
  EXPECT_EQ(race_session.start_gate_raise[0], 1);
  // A bike resting on gate 2 holds it; the others fall in 1/8 s.
  statue &held = statues.items[track_state.start_gate_first + 1];
  for (int t = 0; t < 20; t++) {
    sim.sim_tick++;
    held.last_contact_tick = sim.sim_tick;
    start_gate_update();
  }
  EXPECT_EQ(race_session.start_gate_raise[0], 0);
  EXPECT_EQ(race_session.start_gate_raise[1], 1);
  float down[9];
  upright_orientation(statues.items[track_state.start_gate_first].heading, 0, down);
  for (int i = 0; i < 9; i++) EXPECT_NEAR(statues.items[track_state.start_gate_first].orientation[i], down[i], 1e-6);
  sim.sim_tick++;  // it backs off
  start_gate_update();
  EXPECT_FLOAT_EQ(race_session.start_gate_raise[1], 1 - 1.0f / 16);
}

TEST_F(session, false_start_at_three_units_before_the_drop) {
  int32_t lineup[LINEUP_GATES] = {};
  lineup[2] = LINEUP_ROBOT, lineup[0] = LINEUP_HUMAN;
  ASSERT_TRUE(setup(lineup));
  ASSERT_EQ(bike_slot_kind(0), BIKE_LOCAL);
  bike *b = bike_slot_bike(0);
  const float *start = race_session.false_start_position;
  EXPECT_FLOAT_EQ(start[2], (float)chassis(0)[2]);

  const int posted = message_log.write_index;
  sim.sim_tick = race_start_tick - 100;
  dBodySetPosition(b->chassis, start[0], start[1], start[2] - 2.9);
  false_start_check(0);
  EXPECT_EQ(race_session.false_start_penalty, 0);
  EXPECT_EQ(message_log.write_index, posted);
  dBodySetPosition(b->chassis, start[0], start[1] + 3.0, start[2]);
  false_start_check(0);
  EXPECT_EQ(race_session.false_start_penalty, 15 * 128 + 100);
  EXPECT_STREQ(message_log.lines[posted], "15 second false start penalty");

  // Held: both brakes, clutch out, no throttle, foot down.
  bike_set_throttle(b, 1);
  bike_set_clutch(b, 1);
  false_start_check(0);
  EXPECT_EQ(race_session.false_start_penalty, 15 * 128 + 99);
  EXPECT_EQ(b->controls.throttle, 0);
  EXPECT_EQ(b->controls.clutch, 0);
  EXPECT_EQ(b->controls.front_brake, 1);
  EXPECT_EQ(b->controls.rear_brake, 1);
  EXPECT_EQ(b->controls.dab, 1);

  // After the drop nobody is penalised for moving.
  race_session.false_start_penalty = 0;
  sim.sim_tick = race_start_tick + 1;
  false_start_check(0);
  EXPECT_EQ(race_session.false_start_penalty, 0);
}

TEST_F(session, time_trial_starts_and_restarts_two_gates_before_the_line) {
  ASSERT_TRUE(setup(nullptr));
  EXPECT_EQ(sim.sim_tick, 38400);
  ASSERT_TRUE(time_trial_attempt_running());
  EXPECT_EQ(bike_slot_kind(0), BIKE_LOCAL);
  // F = 3: the rider stands on checkpoint 1, facing along it (-z).
  EXPECT_EQ(race_timing.bikes[0].gates_passed, 1);
  EXPECT_NEAR(chassis(0)[0], 55, 1e-6);
  EXPECT_LT(dBodyGetPosition(bike_slot_bike(0)->front_wheel)[2], chassis(0)[2]);

  // Ride on through checkpoint 1 and 2, then back up: the attempt starts over.
  const double start_z = chassis(0)[2];
  int32_t t = sim.sim_tick;
  ASSERT_TRUE(timing_update_at(0, 55, 49, t + 10));
  ASSERT_TRUE(timing_update_at(0, 55, 19, t + 20));
  EXPECT_EQ(race_timing.bikes[0].gates_passed, 3);
  dBodySetPosition(bike_slot_bike(0)->chassis, 55, 0, 10);
  time_trial_abort_attempt();
  EXPECT_EQ(race_timing.bikes[0].gates_passed, 1);
  EXPECT_FALSE(has_crossing(0, 1));
  EXPECT_NEAR(chassis(0)[0], 55, 1e-6);
  EXPECT_NEAR(chassis(0)[2], start_z, 1e-6);
}

TEST_F(session, a_track_that_does_not_load_fails_the_set_up) {
  int32_t lineup[LINEUP_GATES] = {LINEUP_ROBOT};
  race_setup_args a = {lineup, false, false, 0, 3, 0, "missing"};
  EXPECT_FALSE(race_setup(a));
  EXPECT_FALSE(track_is_loaded());
  EXPECT_EQ(bike_slot_bike(0), nullptr);
}

}  // namespace
