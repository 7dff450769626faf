#include "replay/state_history.h"

#include <cmath>
#include <cstring>

#include "sim/world_fixture.h"

namespace {

uint32_t field(const uint8_t *p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; i++) v |= (uint32_t)p[i] << (8 * i);
  return v;
}

void put(uint8_t *p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; i++) p[i] = (uint8_t)(v >> (8 * i));
}

// A record whose x position field carries `marker`, with the identity
// quaternions (w = 1 packs to FF FF, zero components to FF 7F).
void record_with(uint8_t *r, uint32_t marker) {
  memset(r, 0, PACKED_STATE_SIZE);
  put(r, marker, 3);
  for (int q : {9, 26}) {
    put(r + q, 65535, 2);
    for (int k = 1; k < 4; k++) put(r + q + 2 * k, 32767, 2);
  }
}

double component(const uint8_t *q, int k) { return 2 * (field(q + 2 * k, 2) / 65535.0) - 1; }

}  // namespace

TEST(interpolate, linear_fields_wheels_and_status) {
  uint8_t p[PACKED_STATE_SIZE], q[PACKED_STATE_SIZE], out[PACKED_STATE_SIZE];
  record_with(p, 1000);
  record_with(q, 3000);
  p[17] = 0, q[17] = 200;
  put(p + 37, 0, 2), put(q + 37, 40000, 2);
  p[36] = 0x70 | 8 | 1, q[36] = 0xF0 | 8 | 5;  // throttle nibble from p, low bits blended
  struct {
    uint8_t a, b, expected;
  } wheels[] = {
      {250, 5, 0},     // forward through zero, not back through a half turn
      {5, 245, 252},   // backwards through zero: the blend goes negative and wraps
      {0, 200, 100},   // 200/255 forward is within the 7/8 window
  };
  for (const auto &w : wheels) {
    p[34] = p[35] = w.a;
    q[34] = q[35] = w.b;
    interpolate_packed_states(p, q, 0.5, out);
    EXPECT_EQ(out[34], w.expected) << (int)w.a << " -> " << (int)w.b;
    EXPECT_EQ(out[35], w.expected);
  }
  EXPECT_EQ(field(out, 3), 2000u);
  EXPECT_EQ(out[17], 100);
  EXPECT_EQ(field(out + 37, 2), 20000u);
  EXPECT_EQ(out[36], 0x70 | 11);  // 9 + 0.5 * (13 - 9)
  interpolate_packed_states(p, q, 0, out);  // s = 0 gives p back, every step exact
  EXPECT_EQ(memcmp(out, p, 9), 0);
  EXPECT_EQ(memcmp(out + 17, p + 17, 9), 0);
  EXPECT_EQ(memcmp(out + 34, p + 34, 3), 0);
  EXPECT_EQ(field(out + 37, 2), 0u);
}

TEST(interpolate, opposite_quaternions_stay_the_same_rotation) {
  uint8_t p[PACKED_STATE_SIZE], q[PACKED_STATE_SIZE], out[PACKED_STATE_SIZE];
  record_with(p, 0);
  // q = (0.6, 0.8, 0, 0), and p its negation: a blend must not collapse to zero.
  const double qv[4] = {0.6, 0.8, 0, 0};
  for (int k = 0; k < 4; k++) {
    put(q + 9 + 2 * k, (uint32_t)std::floor((qv[k] + 1) / 2 * 65535), 2);
    put(p + 9 + 2 * k, (uint32_t)std::floor((-qv[k] + 1) / 2 * 65535), 2);
  }
  interpolate_packed_states(p, q, 0.3, out);
  for (int k = 0; k < 4; k++) EXPECT_NEAR(component(out + 9, k), qv[k], 1e-3) << k;
}

struct history : world_test {
  void SetUp() override {
    world_test::SetUp();
    history_reset_all();
  }
  void TearDown() override {
    history_reset_all();
    world_test::TearDown();
  }
  uint32_t lookup(int slot, int32_t t) {
    uint8_t out[PACKED_STATE_SIZE];
    history_lookup(slot, t, out);
    return field(out, 3);
  }
};

TEST_F(history, lookups_inside_and_around_the_stored_ticks) {
  uint8_t r[PACKED_STATE_SIZE];
  for (int32_t tick : {10, 20, 30}) {
    record_with(r, (uint32_t)tick * 100);
    history_append(3, tick, r);
  }
  record_with(r, 99999);
  history_append(3, 30, r);  // same tick as the newest: ignored
  EXPECT_EQ(lookup(3, 5), 1000u);   // older than all, ring not full: the oldest entry
  EXPECT_EQ(lookup(3, 10), 1000u);
  EXPECT_EQ(lookup(3, 15), 1500u);  // halfway between 10 and 20
  EXPECT_EQ(lookup(3, 30), 3000u);
  EXPECT_EQ(lookup(3, 99), 3000u);  // newer than all: the newest
  EXPECT_EQ(history_of(3)->head, 3);
}

TEST_F(history, full_ring_or_empty_ring_falls_back_to_the_live_bike) {
  sim_ground.extent = 1024;
  uint8_t r[PACKED_STATE_SIZE], live[PACKED_STATE_SIZE];
  for (int32_t tick = 100; tick < 100 + HISTORY_LENGTH + 5; tick++) {  // wraps past 127
    record_with(r, (uint32_t)tick);
    history_append(0, tick, r);
  }
  EXPECT_EQ(lookup(0, 200), 200u);
  EXPECT_EQ(history_of(0)->head, (HISTORY_LENGTH + 5) % HISTORY_LENGTH);
  // Older than every entry of a full ring: the live state, or zeros without a bike.
  EXPECT_EQ(lookup(0, 50), 0u);
  bike *b = make("crf250(2009)", 0);
  bike_translate(b, 512, 0, 0);
  pack_bike_state(b, live);
  EXPECT_EQ(lookup(0, 50), field(live, 3));
  EXPECT_EQ(lookup(7, 50), 0u);  // an empty ring and no bike
}
