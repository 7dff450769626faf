// A race of several bikes ridden through the game tick is recorded, played
// back bike by bike, and recorded twice from scratch to the same bytes.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/game_tick.h"
#include "replay/demo_fixture.h"
#include "sim/bike.h"
#include "sim/test_rider.h"
#include "track/heightfield.h"
#include "track/terrain_files.h"
#include "track/surface.h"

namespace {

constexpr int SHIFT = 7;  // 128 x 128 tiles of 8 ft: a 1024 ft square
constexpr int TICKS = 3 * 128;
const int SLOTS[] = {0, 2, 3, 7};

void make_flat_terrain() { ASSERT_TRUE(heightfield_create(SHIFT, 4, 0)); }

// Field widths of a record, for comparing within one quantisation step.
const int WIDTHS[] = {3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 2};

// The first field of the record that differs from the expected one by more
// than one step (the wheel angles count around the turn), or -1. The
// foot-down bit only has to follow the record when it is set: a replayed
// foot comes down at once but goes back up at its own decay rate.
int differing_field(const uint8_t *got, const uint8_t *want) {
  int offset = 0;
  for (int f = 0; f < (int)(sizeof WIDTHS / sizeof WIDTHS[0]); f++) {
    long a = 0, b = 0;
    for (int i = 0; i < WIDTHS[f]; i++) {
      a |= (long)got[offset + i] << (8 * i);
      b |= (long)want[offset + i] << (8 * i);
    }
    long d = labs(a - b);
    if (offset == 34 || offset == 35) d = d < 255 - d ? d : 255 - d;
    if (offset == 36) {
      bool same = (a & ~8) == (b & ~8) && (!(b & 8) || (a & 8));
      if (!same) return offset;
    } else if (d > 1) {
      return offset;
    }
    offset += WIDTHS[f];
  }
  return -1;
}

struct determinism : demo_test {
  void SetUp() override {
    demo_test::SetUp();
    make_flat_terrain();
    sim_ground.extent = terrain.extent;
  }
  void TearDown() override {
    heightfield_release();
    demo_test::TearDown();
  }

  void fresh_world() {
    demo_stop_playback();
    demo_stop_recording();
    sim_world_destroy();
    ASSERT_TRUE(sim_world_create());
    sim.sim_tick = 0;
  }

  // Bikes in a local slot and robot slots, each ridden by the test rider to
  // its own speed and heading; returns the recorded demo's bytes.
  std::string record_race() {
    fresh_world();
    for (int i = 0; i < 4; i++) {
      bike *b = bike_create("crf250(2009)", SLOTS[i], "1", nullptr, nullptr, nullptr, nullptr);
      if (!b) return "";
      bike_set_option(b, OPTION_AUTO_SHIFT, true);
      bike_set_option(b, OPTION_AUTO_DAB, true);
      bike_translate(b, 400 + 20 * i, 0.15, 700);
      bike_slot_set(SLOTS[i], b, i == 0 ? BIKE_LOCAL : BIKE_ROBOT);
    }
    demo_race race = {0, 2, 1792, false};
    if (!demo_start_recording("trk", &race)) return "";
    demo_record_tick();
    for (int t = 0; t < TICKS; t++) {
      for (int i = 0; i < 4; i++) {
        bike *b = bike_slot_bike(SLOTS[i]);
        test_rider_goal goal = {t < 64 ? 0.0 : 20.0 + 8 * i, 0.15 * (i - 1.5)};
        bike_apply_controls(b, test_rider_controls(b, goal));
      }
      game_tick();
    }
    demo_stop_recording();
    return read_file(personal("demos/default.kvdemo"));
  }
};

}  // namespace

TEST_F(determinism, a_recorded_race_plays_back_bike_for_bike) {
  std::string demo = record_race();
  ASSERT_FALSE(demo.empty());
  ASSERT_TRUE(write_file(home.file("race.kvdemo"), demo));

  fresh_world();
  ASSERT_TRUE(demo_open_playback(home.file("race.kvdemo").c_str(), nullptr, 0));
  ASSERT_EQ(demo_create_ghosts(0), 4);
  const int n = 4;
  size_t header = demo.size() - (size_t)(TICKS + 1) * n * PACKED_STATE_SIZE;
  demo_tick();  // block 0, as at the end of race set-up
  for (int k = 0; k <= TICKS; k++) {
    if (k > 0) game_tick();
    for (int i = 0; i < n; i++) {
      uint8_t got[PACKED_STATE_SIZE];
      pack_bike_state(bike_slot_bike(i), got);
      const uint8_t *want = (const uint8_t *)demo.data() + header + ((size_t)k * n + i) * PACKED_STATE_SIZE;
      int f = differing_field(got, want);
      ASSERT_EQ(f, -1) << "tick " << k << ", bike " << i << ", byte " << f << ": " << (f >= 0 ? (int)got[f] : 0) \
                        << " for " << (f >= 0 ? (int)want[f] : 0);
    }
  }
  // The bikes really moved during the recording.
  const uint8_t *first = (const uint8_t *)demo.data() + header;
  const uint8_t *last = first + (size_t)TICKS * n * PACKED_STATE_SIZE;
  EXPECT_NE(memcmp(first + 6, last + 6, 3), 0);
}

TEST_F(determinism, two_identical_races_give_identical_demo_files) {
  std::string a = record_race(), b = record_race();
  ASSERT_FALSE(a.empty());
  ASSERT_EQ(a.size(), b.size());
  if (a != b) {
    size_t header = a.size() - (size_t)(TICKS + 1) * 4 * PACKED_STATE_SIZE;
    size_t at = 0;
    while (a[at] == b[at]) at++;
    if (at < header) FAIL() << "headers differ at byte " << at;
    size_t r = at - header;
    FAIL() << "first difference: tick " << r / (4 * PACKED_STATE_SIZE) << ", bike "
           << r / PACKED_STATE_SIZE % 4 << ", byte " << r % PACKED_STATE_SIZE;
  }
}
