// Flagger pictures over the race: the start flagger's walk, the lap board and alerts.
#include <cmath>

#include "race/timing.h"
#include "race/timing_gates.h"
#include "race/timing_gates_write.h"
#include "sim/world.h"
#include "track/billboards.h"
#include "track/flaggers.h"
#include "track/track_load.h"
#include "track_fixture.h"

namespace {

struct flagger_race : track_files {
  void TearDown() override {
    track_unload();
    flagger_bike_down = nullptr;
    race_timing.standings_count = 0;
    flaggers_race_set(5, 1000000, 1000000);
    track_files::TearDown();
  }
  // Four checkpoints: first lap 2 gates, normal lap `normal` gates.
  void load(const std::string &flaggers, int normal = 4) {
    write_track();
    timing_file g = {};
    g.checkpoint_count = 4;
    for (int k = 0; k < 4; k++) g.checkpoints[k] = {3, {4.0f + 6 * k, 0, 16}, {1, 0, 0}};
    g.first_count = 2;
    g.first_lap[0] = 2, g.first_lap[1] = 3;
    g.normal_count = normal;
    for (int k = 0; k < normal; k++) g.normal_lap[k] = k;
    ASSERT_TRUE(timing_gates_write_file(path("timing_gates").c_str(), &g));
    ASSERT_TRUE(write_file(path("flaggers"), flaggers));
    ASSERT_TRUE(track_load("tracks/test"));
  }
  static int32_t at(double seconds) { return (int32_t)std::lround(seconds / TICK_LENGTH); }
  void leader_at(int32_t gates_passed) {
    race_timing.standings_count = 1;
    race_timing.standings[0] = {0, gates_passed, 0};
  }
};

const char *STARTER_ONLY =
    "[4 0 4] [8 2 4] 3 0.5 2\n"
    "@a0.png @a1.png @a2.png @a3.png @a4.png\n";
const char *FULL =
    "[4 0 4] [8 2 4] 3 0.5 2\n"
    "@a0.png @a1.png @a2.png @a3.png @a4.png\n"
    "[20 0 4] 4 1 @l0.png @l1.png @l2.png @l3.png\n"
    "[9 0 9] 2 1 1 -1 -1 -1 @flag.png @alert.png\n"
    "[9 0 12] 2 1 3 0 -1 -1 @flag.png @alert.png\n";

bool slot_down(int slot) { return slot == 1; }

}  // namespace

TEST_F(flagger_race, start_flagger_walks_and_changes_pictures) {
  load(STARTER_ONLY);
  EXPECT_GE(track_flaggers.starter.billboard, 0);
  EXPECT_EQ(track_flaggers.board.billboard, -1);  // no lap board line
  flaggers_race_set(5.7f, 3, 2);  // whole seconds of the cue: 5
  struct {
    double t;
    int picture;
    float x;
  } cases[] = {{0, 0, 4}, {5.05, 0, 4}, {5.2, 1, 4}, {5.5, 2, 4}, {6.0, 3, 4}, {7.0, 3, 6}, {7.5, 3, 7},
               {8.0, 4, 8}, {30, 4, 8}};
  const billboard &b = billboards.items[track_flaggers.starter.billboard];
  for (const auto &c : cases) {
    update_flaggers(at(c.t));
    EXPECT_EQ(track_flaggers.starter.picture, c.picture) << c.t;
    EXPECT_NEAR(b.x, c.x, 1e-3) << c.t;
  }
  EXPECT_FLOAT_EQ(b.y_offset, 2);
  EXPECT_FLOAT_EQ(b.y, height_at(8, 4) + 2);
}

TEST_F(flagger_race, lap_board_pictures_by_leader_lap) {
  // (laps, halfway) and the picture for leader laps 0..6.
  struct {
    int laps, halfway;
    int pictures[7];
  } cases[] = {
      {3, 2, {0, 0, 2, 3, 3, 3, 3}},  // half-way equals n - 1: L1 never shows
      {5, 3, {0, 0, 0, 1, 2, 3, 3}},
      {1000000, 1000000, {0, 0, 0, 0, 0, 0, 0}},  // run by time
  };
  for (const auto &c : cases)
    for (int lap = 0; lap < 7; lap++)
      EXPECT_EQ(lap_board_picture(lap, c.laps, c.halfway), c.pictures[lap]) << c.laps << " laps, lap " << lap;

  load(FULL);
  // First lap 2 gates, normal lap 4: g = gates passed + 1.
  const int32_t laps_for_gates[][2] = {{0, 0}, {1, 1}, {4, 1}, {5, 2}, {9, 3}};
  for (const auto &c : laps_for_gates) EXPECT_EQ(lap_board_leader_lap(c[0]), c[1]) << c[0];

  flaggers_race_set(5, 3, 2);
  leader_at(5);  // lap value 2
  update_flaggers(at(100));
  EXPECT_EQ(track_flaggers.board.picture, 2);
  leader_at(9);
  update_flaggers(at(101));
  EXPECT_EQ(track_flaggers.board.picture, 3);
}

TEST_F(flagger_race, flagger_alerts_for_a_rider_down_before_its_gate) {
  load(FULL);
  flagger_bike_down = slot_down;
  race_timing.standings_count = 2;
  race_timing.standings[0] = {0, 3, 0};  // heading for normal-lap entry 1: gate 1, but not down
  race_timing.standings[1] = {1, 8, 0};  // down; entry (8 - 2) mod 4 = 2: gate 2
  update_flaggers(at(50));
  EXPECT_FALSE(track_flaggers.items[0].alerted);
  EXPECT_FALSE(track_flaggers.items[1].alerted);
  race_timing.standings[1].gates_passed = 7;  // entry 1: gate 1
  update_flaggers(at(51));
  EXPECT_TRUE(track_flaggers.items[0].alerted);
  EXPECT_FALSE(track_flaggers.items[1].alerted);
  race_timing.standings[1].gates_passed = 1;  // first lap entry 1: gate 3
  update_flaggers(at(52));
  EXPECT_FALSE(track_flaggers.items[0].alerted);
  EXPECT_TRUE(track_flaggers.items[1].alerted);
}

TEST_F(flagger_race, no_normal_lap_leaves_board_and_alerts_alone) {
  load(FULL, 0);  // timing inactive: N = 0
  EXPECT_FALSE(race_course.active);
  flagger_bike_down = slot_down;
  leader_at(7);
  flaggers_race_set(5, 3, 2);
  update_flaggers(at(100));  // must not divide by N
  EXPECT_EQ(track_flaggers.board.picture, 0);
  EXPECT_EQ(lap_board_leader_lap(7), 0);
}

// The writer's file reads back into the same start flagger, lap board and
// flaggers; content the sequence can't hold is refused with nothing written.
TEST_F(flagger_race, written_file_reads_back) {
  start_flagger_record a = {{4, 0, 4}, {8, 2, 4}, 3, 0.5f, 2, {"@a0.png", "@a1.png", "@a2.png", "@a3.png", "@a4.png"}};
  lap_board_record b = {{20, 0, 4}, 4, 1, {"@l0.png", "@l1.png", "@l2.png", "@l3.png"}};
  flagger_record f[2] = {{{9, 0, 9}, 2, 1, {1, -1, -1, -1}, "@flag.png", "@alert.png"},
                         {{9, 0.5f, 12}, 2, 1, {3, 0, -1, -1}, "@flag.png", "@alert.png"}};
  flaggers_file file = {&a, &b, f, 2};
  ASSERT_TRUE(flaggers_write(path("flaggers-out").c_str(), &file));
  load(read_file(path("flaggers-out")));
  const flagger_state &s = track_flaggers;
  EXPECT_GE(s.starter.billboard, 0);
  EXPECT_FLOAT_EQ(s.starter.end[1], 2);
  EXPECT_FLOAT_EQ(s.starter.travel_time, 2);
  EXPECT_GE(s.board.billboard, 0);
  ASSERT_EQ(s.count, 2);
  EXPECT_EQ(s.items[1].gates[0], 3);
  EXPECT_EQ(s.items[1].gates[1], 0);
  EXPECT_EQ(s.items[1].gates[2], -1);
  EXPECT_FLOAT_EQ(billboards.items[s.items[1].billboard].y_offset, 0.5f);

  struct refusal {
    const char *what;
    flaggers_file file;
  };
  flagger_record spaced = f[0];
  spaced.alert = "@two words.png";
  start_flagger_record still = a;
  still.travel_time = 0;
  const refusal bad[] = {
      {"board without starter", {nullptr, &b, nullptr, 0}},
      {"flaggers without board", {&a, nullptr, f, 1}},
      {"name with a space", {&a, &b, &spaced, 1}},
      {"zero travel time", {&still, nullptr, nullptr, 0}},
  };
  for (const refusal &r : bad) {
    std::string out = path("refused");
    EXPECT_FALSE(flaggers_write(out.c_str(), &r.file)) << r.what;
    EXPECT_FALSE(file_exists(out)) << r.what;
  }
}
