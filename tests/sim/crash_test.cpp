// The crash tests, the crashed rider's ropes, recovery and remount, the foot
// particles, and the packed state's crash marker.
#include <gtest/gtest.h>

#include "collide_fixture.h"
#include "replay/packed_state.h"
#include "sim/crash.h"

namespace {

int rope_joints(const bike *b) {
  int n = 0;
  for (int i = 0; i < dBodyGetNumJoints(b->rider); i++) {
    dJointID j = dBodyGetJoint(b->rider, i);
    if (dJointGetType(j) == dJointTypeContact && dJointGetBody(j, 0) && dJointGetBody(j, 1)) n++;
  }
  return n;
}

bool mounted(const bike *b) { return dJointGetBody(b->rider_mount, 0) == b->rider; }

}  // namespace

using crash_tests = world_test;

TEST_F(crash_tests, impact_and_thrown_off_thresholds) {
  bike *b = make();
  ASSERT_TRUE(b);
  sim.sim_tick = 9;
  float *old = b->rider_velocity_ring[9 % 4];
  struct row {
    const char *what;
    double then_vy, now_vy, now_vz;
    bool impact, thrown;
  } rows[] = {
      {"free fall: gravity's change only", 0, -32 * 4.0 / 128, 0, false, false},
      {"stopped by 41 ft/s within four steps", -41, 0, 0, false, false},
      {"stopped by 43 ft/s within four steps", -43, 0, 0, true, false},
      {"30 ft/s past the bike", 0, 0, 30, false, false},
      {"32 ft/s past the bike", 0, 0, 32, false, true},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    old[0] = old[2] = 0;
    old[1] = (float)r.then_vy;
    dBodySetLinearVel(b->rider, 0, r.now_vy, r.now_vz);
    EXPECT_EQ(rider_hard_impact(b, sim.sim_tick), r.impact);
    EXPECT_EQ(rider_thrown_off(b), r.thrown);
  }

  // Crash immunity: no test fires.
  b->bump_timer = -1;
  crash_step(b);
  EXPECT_EQ(b->crash_timer, 0);
  b->bump_timer = 0;
  crash_step(b);
  EXPECT_EQ(b->crash_timer, CRASH_TIMER_START);
  EXPECT_FALSE(mounted(b));
}

TEST_F(crash_tests, a_moving_rider_is_tied_to_the_bars_and_the_clock_waits) {
  bike *b = make();
  ASSERT_TRUE(b);
  crash_rider(b);
  ASSERT_EQ(b->crash_timer, CRASH_TIMER_START);
  dBodySetLinearVel(b->rider, 3, 0, 0);
  // Pull the rider away so that both hand ropes and the hip rope are taut.
  const dReal *rp = dBodyGetPosition(b->rider);
  dBodySetPosition(b->rider, rp[0] + 5, rp[1], rp[2] - 4);
  crash_step(b);
  EXPECT_EQ(b->crash_timer, CRASH_TIMER_START);
  EXPECT_EQ(rope_joints(b), 3);
  dJointGroupEmpty(sim.contact_group);

  // At rest the clock runs and the three recovery ropes pull.
  dBodySetLinearVel(b->rider, 1, 0, 0);
  crash_step(b);
  EXPECT_EQ(b->crash_timer, CRASH_TIMER_START - 1);
  EXPECT_EQ(rope_joints(b), 3);
}

TEST_F(crash_tests, rope_is_slack_up_to_its_length) {
  dBodyID a = dBodyCreate(sim.physics_world), c = dBodyCreate(sim.physics_world);
  dBodySetPosition(c, 0, 0, 3);
  const float o[3] = {0, 0, 0};
  EXPECT_FALSE(rope(a, o, c, o, 3.5f));
  ASSERT_TRUE(rope(a, o, c, o, 2));
  dJointID j = dBodyGetJoint(a, 0);
  dWorldStep(sim.physics_world, TICK_LENGTH);
  // Taut: the points are pulled together.
  EXPECT_GT(dBodyGetLinearVel(a)[2], 0);
  EXPECT_LT(dBodyGetLinearVel(c)[2], 0);
  (void)j;
}

TEST_F(crash_tests, a_foot_falling_on_flat_ground_rests_at_a_quarter_foot) {
  bike *b = make();
  ASSERT_TRUE(b);
  bike_translate(b, 0, -1.5, 0);  // low enough for the legs to reach the ground
  crash_rider(b);
  double hip[3];
  dVector3 w;
  dBodyGetRelPointPos(b->rider, b->spec.hip_points[0][0], b->spec.hip_points[0][1], b->spec.hip_points[0][2], w);
  for (int k = 0; k < 3; k++) hip[k] = w[k];
  ASSERT_LT(hip[1] - 0.25, 3.029);  // the leg reaches the ground
  const float start[3] = {(float)hip[0], (float)(hip[1] - 1.5), (float)hip[2]};
  for (int k = 0; k < 3; k++) {
    b->left_foot_position[k] = start[k];
    b->left_foot_velocity[k] = 0;
  }
  for (int t = 0; t < 256; t++) crash_feet_step(b);
  EXPECT_FLOAT_EQ(b->left_foot_position[1], 0.25f);
  for (int k = 0; k < 3; k++) EXPECT_EQ(b->left_foot_velocity[k], 0);
  // A foot flung out and down, high above the ground, is held at the leg's
  // length from the hip.
  bike_translate(b, 0, 30, 0);
  dBodyGetRelPointPos(b->rider, b->spec.hip_points[1][0], b->spec.hip_points[1][1], b->spec.hip_points[1][2], w);
  const float flung[3] = {(float)w[0] + 30, (float)w[1] - 20, (float)w[2]};
  for (int k = 0; k < 3; k++) {
    b->right_foot_position[k] = flung[k];
    b->right_foot_velocity[k] = 0;
  }
  crash_feet_step(b);
  dBodyGetRelPointPos(b->rider, b->spec.hip_points[1][0], b->spec.hip_points[1][1], b->spec.hip_points[1][2], w);
  double d[3] = {b->right_foot_position[0] - w[0], b->right_foot_position[1] - w[1], b->right_foot_position[2] - w[2]};
  EXPECT_NEAR(std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]), 3.029, 1e-3);
}

using crash_ride = collide_test;

TEST_F(crash_ride, a_crashed_rider_comes_to_rest_is_pulled_back_and_rides_on) {
  if (!install_shapes()) GTEST_SKIP() << "the generated shape files are not in this build";
  bike *b = place(0, 100, 100);
  ASSERT_TRUE(b);
  for (int t = 0; t < 128; t++) tick({b});
  crash_rider(b);
  dBodySetLinearVel(b->rider, 6, 2, 0);  // thrown to the right
  int t = 0, lowest = CRASH_TIMER_START;
  for (; t < 20 * 128 && b->crash_timer > 0; t++) {
    tick({b});
    ASSERT_TRUE(bike_finite(b)) << "step " << t;
    lowest = std::min(lowest, b->crash_timer);
    EXPECT_EQ(b->controls.throttle, 0);
  }
  ASSERT_EQ(b->crash_timer, 0) << "still crashed after " << t << " steps, lowest timer " << lowest;
  EXPECT_GE(t, CRASH_TIMER_START);
  EXPECT_TRUE(mounted(b));
  // Back at his rest point on the bike.
  const dReal *r = dBodyGetPosition(b->rider);
  dVector3 rest;
  const bike_spec &s = b->spec;
  dBodyGetRelPointPos(b->chassis, s.rider_position[0] - s.chassis_position[0],
                      s.rider_position[1] - s.chassis_position[1], s.rider_position[2] - s.chassis_position[2], rest);
  EXPECT_NEAR(r[0], rest[0], 1e-6);
  EXPECT_NEAR(r[1], rest[1], 1e-6);
  // And he rides on: a few more seconds stay finite and mounted.
  bike_set_throttle(b, 0.3f);
  for (int k = 0; k < 2 * 128; k++) {
    tick({b});
    ASSERT_TRUE(bike_finite(b));
  }
  EXPECT_TRUE(mounted(b) || b->crash_timer > 0);
}

TEST_F(crash_tests, a_replayed_crash_detaches_the_rider_and_a_riding_state_rejoins_him) {
  bike *live = make("crf250(2009)", 0), *replayed = make("crf250(2009)", 1);
  ASSERT_TRUE(live && replayed);
  crash_rider(live);
  live->crash_timer = 100;
  packed_bike_state state;
  pack_bike_state(live, state.bytes);
  ASSERT_TRUE(bike_apply_packed_state(replayed, state.bytes, 5, 0));
  EXPECT_GT(replayed->crash_timer, 0);
  EXPECT_NEAR(replayed->crash_timer, 100, 127 / 15 + 1);
  EXPECT_FALSE(mounted(replayed));
  for (int k = 0; k < 3; k++) EXPECT_TRUE(std::isfinite(replayed->left_foot_position[k]));

  bike_reset_pose(live);
  pack_bike_state(live, state.bytes);
  ASSERT_TRUE(bike_apply_packed_state(replayed, state.bytes, 5, 0));
  EXPECT_EQ(replayed->crash_timer, 0);
  EXPECT_TRUE(mounted(replayed));
}
