// Riding a bike through its control inputs over a small test terrain: flat
// ground for the straight runs and the circle, and a kicker for a jump.
#include <cmath>
#include <cstdio>

#include "sim/bike.h"
#include "sim/contact.h"
#include "sim/rider.h"
#include "sim/step.h"
#include "sim/test_rider.h"
#include "sim/world_fixture.h"
#include "track/heightfield.h"
#include "track/terrain_files.h"

namespace {

constexpr int SHIFT = 9;         // 1024 x 1024 tiles
constexpr float SPACING = 4;     // 4096 ft square
constexpr float MIDDLE = 2048;

// A flat terrain at height 0; `ramp` adds a kicker across x, rising 8 ft
// over the 40 ft before z = ramp_z (riding towards -z) and dropping at once.
void make_terrain(bool ramp, float ramp_z = 0) {
  ASSERT_TRUE(heightfield_create(SHIFT, SPACING, 0));
  heightfield &t = terrain;
  int n = t.samples_per_side;
  if (ramp)
    for (int j = 0; j < n; j++) {
      float z = j * SPACING, rise = ramp_z + 40 - z;
      if (rise > 0 && z > ramp_z) {
        for (int i = 0; i < n; i++) t.heights[(size_t)j * n + i] = rise * 0.2f;
      }
    }
  t.max_height = ramp ? 8 : 0;
}

struct riding : world_test {
  void SetUp() override {
    world_test::SetUp();
    make_terrain(false);
  }
  void TearDown() override {
    heightfield_release();
    world_test::TearDown();
  }

  // A bike with the creation assists (plus auto shift and auto dab), its
  // tyres just above the ground at (x, z), facing -z.
  bike *place(float x, float z) {
    bike *b = make();
    bike_set_option(b, OPTION_AUTO_SHIFT, true);
    bike_set_option(b, OPTION_AUTO_DAB, true);
    bike_translate(b, x, 0.15, z);
    return b;
  }

  void tick(bike *b) {
    bike_ground_contacts(b);
    sim_world_step();
    bike_step(b, true);
    sim.sim_tick++;
  }
  void ride(bike *b, const test_rider_goal &goal, int ticks) {
    for (int i = 0; i < ticks; i++) {
      bike_apply_controls(b, test_rider_controls(b, goal));
      tick(b);
    }
  }
  // Settles on the ground; skips when there are no ground contacts yet.
  bool settle(bike *b) {
    for (int i = 0; i < 128; i++) tick(b);
    return b->wheels[0].depth > 0 && b->wheels[1].depth > 0;
  }
  static double up_y(const bike *b) {
    dVector3 up;
    dBodyVectorToWorld(b->chassis, 0, 1, 0, up);
    return up[1];
  }
  static double ground_speed(const bike *b) {
    const dReal *v = dBodyGetLinearVel(b->chassis);
    return std::sqrt(v[0] * v[0] + v[2] * v[2]);
  }
};

#define SETTLE_OR_SKIP(b) \
  if (!settle(b)) GTEST_SKIP() << "the tyres find no ground contact yet"

}  // namespace

TEST_F(riding, bike_at_rest_with_auto_dab_stays_up) {
  bike *b = place(MIDDLE, MIDDLE);
  SETTLE_OR_SKIP(b);
  for (int i = 0; i < 10 * 128; i++) tick(b);
  EXPECT_GT(up_y(b), 0.9);
  EXPECT_LT(ground_speed(b), 1.0);
}

// Full throttle from rest on flat ground: through the gears to a top speed,
// then both brakes to a stop. The figures are printed for the record.
TEST_F(riding, full_throttle_through_the_gears_then_both_brakes) {
  bike *b = place(MIDDLE, 4000);
  SETTLE_OR_SKIP(b);
  double top[GEAR_COUNT] = {};
  double time_to_60 = -1, worst_lean = 0;
  int highest = 0;
  for (int i = 0; i < 30 * 128; i++) {
    bike_controls c = test_rider_controls(b, {1000, 0});
    c.throttle = 1;
    c.front_brake = c.rear_brake = 0;
    bike_apply_controls(b, c);
    tick(b);
    double v = ground_speed(b);
    if (v > top[b->gear]) top[b->gear] = v;
    if (b->gear > highest) highest = b->gear;
    if (time_to_60 < 0 && v >= 60) time_to_60 = (i + 1) * TICK_LENGTH;
    worst_lean = std::fmax(worst_lean, std::fabs(bike_lean_angle(b)));
  }
  for (int g = 0; g <= highest; g++) std::printf("gear %d: top speed %.1f ft/s\n", g + 1, top[g]);
  std::printf("0-60 ft/s: %.2f s\n", time_to_60);
  EXPECT_GE(highest, 3);
  EXPECT_GT(top[highest], 70);
  EXPECT_LT(top[highest], 160);
  EXPECT_GT(time_to_60, 1.0);
  EXPECT_LT(time_to_60, 10.0);
  EXPECT_LT(worst_lean, 0.35);

  const dReal *p0 = dBodyGetPosition(b->chassis);
  double start[2] = {p0[0], p0[2]}, from = ground_speed(b);
  int ticks = 0;
  while (ground_speed(b) > 0.5 && ticks < 20 * 128) {
    bike_controls c = test_rider_controls(b, {0, 0});
    c.throttle = 0;
    c.front_brake = c.rear_brake = 1;
    bike_apply_controls(b, c);
    tick(b);
    ticks++;
  }
  const dReal *p = dBodyGetPosition(b->chassis);
  double distance = std::hypot(p[0] - start[0], p[2] - start[1]);
  std::printf("stopping from %.1f ft/s: %.1f ft in %.2f s\n", from, distance, ticks * TICK_LENGTH);
  EXPECT_LT(ground_speed(b), 0.5);
  EXPECT_GT(distance, 30);
  EXPECT_LT(distance, 600);
  EXPECT_GT(up_y(b), 0.8);
}

TEST_F(riding, front_antilock_keeps_the_wheel_turning) {
  bike *b = place(MIDDLE, 4000);
  SETTLE_OR_SKIP(b);
  ride(b, {50, 0}, 8 * 128);
  ASSERT_GT(ground_speed(b), 35);
  int locked = 0, steps = 0;
  while (ground_speed(b) > 10 && steps < 10 * 128) {
    bike_controls c = test_rider_controls(b, {0, 0});
    c.front_brake = 1;
    c.rear_brake = 0;
    bike_apply_controls(b, c);
    tick(b);
    steps++;
    if (dJointGetHingeAngleRate(b->front_axle) < 1) locked++;
  }
  EXPECT_LT(locked, steps / 10);
  EXPECT_GT(up_y(b), 0.8);
}

TEST_F(riding, steering_turns_both_ways_and_stays_up) {
  for (double turn : {M_PI / 2, -M_PI / 2}) {
    bike *b = place(MIDDLE, 3000);
    SETTLE_OR_SKIP(b);
    ride(b, {30, 0}, 4 * 128);
    ride(b, {30, turn}, 8 * 128);
    EXPECT_NEAR(std::remainder(bike_heading(b) - turn, 2 * M_PI), 0, 0.3) << turn;
    EXPECT_GT(up_y(b), 0.8);
    bike_destroy(b);
  }
}

// Steering for a point a little ahead on a 200 ft circle, for one lap.
TEST_F(riding, rides_a_200_ft_circle) {
  const double radius = 100, cx = MIDDLE - radius, cz = MIDDLE;
  bike *b = place(MIDDLE, MIDDLE);  // on the circle, facing -z: a left-hand lap
  SETTLE_OR_SKIP(b);
  double travelled = 0, worst = 0, last = std::atan2(MIDDLE - cz, MIDDLE - cx);
  for (int i = 0; i < 40 * 128 && travelled < 2 * M_PI; i++) {
    const dReal *p = dBodyGetPosition(b->chassis);
    double a = std::atan2(p[2] - cz, p[0] - cx);
    double d = std::remainder(last - a, 2 * M_PI);  // counter-clockwise seen from above is -angle here
    travelled += d;
    last = a;
    if (i > 4 * 128) worst = std::fmax(worst, std::fabs(std::hypot(p[0] - cx, p[2] - cz) - radius));
    double ahead = a - 0.3;
    double tx = cx + radius * std::cos(ahead) - p[0], tz = cz + radius * std::sin(ahead) - p[2];
    ride(b, {i < 128 ? 20.0 : 30.0, std::atan2(-tx, -tz)}, 1);
  }
  std::printf("circle: lap %.2f turns, worst radius error %.1f ft\n", travelled / (2 * M_PI), worst);
  EXPECT_GE(travelled, 2 * M_PI);
  EXPECT_LT(worst, 25);
  EXPECT_GT(up_y(b), 0.8);
}

TEST_F(riding, jumps_a_ramp_and_lands_upright) {
  make_terrain(true, 3400);
  bike *b = place(MIDDLE, 4000);
  SETTLE_OR_SKIP(b);
  int airborne = 0;
  double worst_after = 0;
  bool landed = false;
  for (int i = 0; i < 25 * 128; i++) {
    ride(b, {55, 0}, 1);
    const dReal *p = dBodyGetPosition(b->chassis);
    bool air = b->wheels[0].depth <= 0 && b->wheels[1].depth <= 0;
    if (air && p[2] < 3400) airborne++;
    if (airborne > 32 && !air) landed = true;
    if (landed) worst_after = std::fmax(worst_after, std::fabs(bike_lean_angle(b)));
    if (p[2] < 3000) break;
  }
  std::printf("jump: %.2f s in the air\n", airborne * TICK_LENGTH);
  EXPECT_GT(airborne, 32);
  EXPECT_TRUE(landed);
  EXPECT_LT(worst_after, 0.5);
  EXPECT_GT(up_y(b), 0.8);
}
