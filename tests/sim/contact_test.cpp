// Tyre contact values, the lean angle, the fork and shock force laws, and a
// bike's contacts with a flat terrain.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/contact.h"
#include "sim/suspension.h"
#include "track/heightfield.h"
#include "track/surface.h"
#include "track/terrain_files.h"
#include "world_fixture.h"

TEST(tyre_softness, grows_with_the_cube_of_the_squash) {
  tyre_softness t = tyre_softness_at(0.0766663, 0.333333);
  EXPECT_NEAR(t.squash, 0.23, 1e-5);
  EXPECT_NEAR(t.stiffness, 1000 + 24000 * 0.23 * 0.23 * 0.23, 0.05);
  EXPECT_NEAR(t.stiffness, 1292, 0.1);
  EXPECT_NEAR(t.damping, 228, 0.1);
  double h = 1.0 / 128;
  EXPECT_NEAR(t.erp, h * t.stiffness / (t.damping + h * t.stiffness), 1e-12);
  EXPECT_NEAR(t.cfm, 1 / (t.damping + h * t.stiffness), 1e-12);

  tyre_softness full = tyre_softness_at(0.5, 0.333333);
  EXPECT_EQ(full.squash, 1);
  EXPECT_EQ(full.stiffness, 25000);
  EXPECT_EQ(full.damping, 2500);
}

TEST(tyre_friction_direction, follows_the_slide_else_the_axle) {
  const float n[3] = {0, 1, 0}, axle[3] = {1, 0, 0};
  float f[3];
  const float sliding[3] = {10, 0, 0};
  ASSERT_TRUE(tyre_friction_direction(n, sliding, axle, f));
  EXPECT_NEAR(f[2], -1, 1e-6);  // n x v
  const float resting[3] = {0, 0, 0.01f};
  ASSERT_TRUE(tyre_friction_direction(n, resting, axle, f));
  EXPECT_NEAR(f[2], -1, 1e-6);  // n x axle
  const float along_normal[3] = {0, 1, 0};
  EXPECT_FALSE(tyre_friction_direction(n, resting, along_normal, f));
}

TEST(rolling_resistance_force, full_above_one_foot_per_second_proportional_below) {
  const float n[3] = {0, 1, 0};
  double f[3];
  const double slow[3] = {0, -3, 0.5}, fast[3] = {0, 0, 2};
  rolling_resistance_force(slow, n, 5, 15, 0.5, f);
  EXPECT_NEAR(f[2], -10 * 0.5, 1e-9);
  EXPECT_NEAR(f[1], 0, 1e-9);  // the part along the normal does not count
  rolling_resistance_force(fast, n, 5, 15, 0.5, f);
  EXPECT_NEAR(f[2], -10, 1e-9);
}

TEST(lean_angle, upright_sides_and_vertical_chassis) {
  struct row {
    double up[3], forward[3], lean;
  } rows[] = {
      {{0, 1, 0}, {0, 0, -1}, 0},
      {{-1, 0, 0}, {0, 0, -1}, M_PI / 2},   // lying on its left side
      {{1, 0, 0}, {0, 0, -1}, -M_PI / 2},
      {{0, 0, 1}, {0, 1, 0}, 0},            // nose straight up
      {{0, 0, -1}, {0, -1, 0}, 0},          // nose straight down
  };
  for (const row &r : rows) EXPECT_NEAR(lean_angle(r.up, r.forward), r.lean, 1e-9);
}

namespace {

struct fork_row {
  double x, v, force;
};

}  // namespace

class suspension_laws : public world_test {};

TEST_F(suspension_laws, default_adjustments_give_the_documented_forces) {
  bike *b = make();
  ASSERT_TRUE(b);
  const float fork[5] = {50, 50, 50, 50, 50}, shock[4] = {50, 50, 50, 50};
  apply_suspension_adjustments(b, fork, shock);
  EXPECT_NEAR(b->fork_spring, 604.772, 1e-3);
  EXPECT_NEAR(b->fork_preload, 0.0416667, 1e-6);
  EXPECT_NEAR(b->fork_air, 0.333333, 1e-6);
  EXPECT_NEAR(b->shock_spring, 3124.655, 2e-3);
  EXPECT_NEAR(b->shock_preload, 0.01375, 1e-6);
  EXPECT_FLOAT_EQ(b->fork_compression, 60);
  EXPECT_FLOAT_EQ(b->shock_rebound, 600);

  const fork_row forks[] = {{-0.25, 0, 195.4}, {-0.5, 0, 377.1}, {-1, 0, 877.4}, {-1.0 / 64, 0, 17.8}, {0, 0, 0}};
  for (const fork_row &r : forks) EXPECT_NEAR(fork_force(b, r.x, r.v), r.force, 0.06) << r.x;
  EXPECT_NEAR(shock_torque(b, -0.275, 0), 618.1, 0.06);
  EXPECT_NEAR(shock_torque(b, -0.55, 0), 1209.7, 0.06);
  EXPECT_EQ(shock_torque(b, 0, 0), 0);

  // Compression and rebound damping act against the motion.
  double rest = fork_force(b, -0.25, 0);
  EXPECT_NEAR(fork_force(b, -0.25, -2) - rest, 2 * 60, 1e-3);
  EXPECT_NEAR(fork_force(b, -0.25, 2) - rest, -2 * 30, 1e-3);
  EXPECT_EQ(fork_force(b, NAN, 0), 0);
}

TEST_F(suspension_laws, setters_clamp_factors_and_fractions) {
  bike *b = make();
  set_fork_adjustments(b, 3, -1, -1, 2, 0.5f);
  EXPECT_FLOAT_EQ(b->fork_compression, 2 * b->spec.fork_compression_damping);
  EXPECT_FLOAT_EQ(b->fork_rebound, 0);
  EXPECT_FLOAT_EQ(b->fork_spring, b->spec.fork_spring_soft);
  EXPECT_FLOAT_EQ(b->fork_preload, b->spec.fork_preload_max);
  const float low[5] = {0, 0, 0, 0, 0}, high[4] = {100, 100, 100, 100};
  apply_suspension_adjustments(b, low, high);
  EXPECT_FLOAT_EQ(b->fork_compression, 0.5f * b->spec.fork_compression_damping);
  EXPECT_FLOAT_EQ(b->shock_compression, 1.5f * b->spec.shock_compression_damping);
}

class bike_contacts : public world_test {
 protected:
  void SetUp() override {
    world_test::SetUp();
    ASSERT_TRUE(heightfield_create(5, 2, 0));
  }
  void TearDown() override {
    heightfield_release();
    world_test::TearDown();
  }
};

TEST_F(bike_contacts, tyres_touch_at_the_design_pose) {
  bike *b = make();
  ASSERT_TRUE(b);
  bike_translate(b, 30, 0, 30);
  int axle_joints = dBodyGetNumJoints(b->front_wheel);
  EXPECT_TRUE(bike_ground_contacts(b));
  const wheel_contact &front = b->wheels[0];
  EXPECT_NEAR(front.depth, 0.076666, 1e-4);
  EXPECT_NEAR(front.normal[1], 1, 1e-6);
  EXPECT_NEAR(front.point[1], -0.076666, 1e-4);  // the bottom of the tube
  EXPECT_GT(b->wheels[1].depth, 0);
  EXPECT_EQ(dBodyGetNumJoints(b->front_wheel), axle_joints + 1);
  EXPECT_EQ(b->down_flag, 0);

  // Lifted clear: the depths go back to 0.
  dJointGroupEmpty(sim.contact_group);
  bike_translate(b, 0, 5, 0);
  EXPECT_FALSE(bike_ground_contacts(b));
  EXPECT_EQ(b->wheels[0].depth, 0);
  EXPECT_EQ(b->wheels[1].depth, 0);
}

TEST_F(bike_contacts, a_touching_part_sets_the_down_flag) {
  bike *b = make();
  ASSERT_TRUE(b);
  // A hand-made rider shape that reaches below the wheels.
  collision_shape *rider = b->shapes[SHAPE_RIDER];
  if (!rider) {
    static collision_sphere sphere = {{0, -4.4f, 0}, 0.5f, 0.7f, 5000, 500};
    collision_shape probe = {1, &sphere, nullptr, 4.9f};
    rider = b->shapes[SHAPE_RIDER] = shape_copy(&probe);
  } else {
    rider->spheres[0] = {{0, -4.4f, 0}, 0.5f, 0.7f, 5000, 500};
  }
  bike_translate(b, 30, 0, 30);
  EXPECT_TRUE(bike_ground_contacts(b));
  EXPECT_EQ(b->down_flag, 1);
  EXPECT_TRUE(bike_is_down(b));
  b->finished = 1;
  EXPECT_FALSE(bike_is_down(b));
}
