// A bike dropped on the ground with the game's own collision shapes: it stays
// finite for a simulated minute and comes to rest; on flat ground it rests on
// its tyres with the suspension sagging and no other part touching.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "sim/contact.h"
#include "sim/step.h"
#include "track/heightfield.h"
#include "track/terrain_files.h"
#include "world_fixture.h"

namespace {

const char *const SHAPE_FILES[] = {"generic_frame.shp", "generic_fork_upper.shp", "generic_fork_lower.shp",
                                   "generic_swingarm.shp", "front_wheel.shp", "rear_wheel.shp",
                                   "generic_rider.shp"};

bool body_finite(dBodyID b) {
  const dReal *p = dBodyGetPosition(b), *v = dBodyGetLinearVel(b), *w = dBodyGetAngularVel(b);
  for (int k = 0; k < 3; k++)
    if (!std::isfinite(p[k]) || !std::isfinite(v[k]) || !std::isfinite(w[k])) return false;
  return true;
}

}  // namespace

class bike_drop : public world_test {
 protected:
  // The generated shape files copied into the data root; false when the
  // data kit has not produced them in this build.
  bool install_shapes() {
    for (const char *name : SHAPE_FILES) {
      std::string bytes = read_file(std::string(KV_BUILD_DIR) + "/datakit-staging/" + name);
      if (bytes.empty() || !write_file(home.file(name), bytes)) return false;
    }
    data_reset();
    shape_cache_clear();
    return true;
  }
  void TearDown() override {
    heightfield_release();
    world_test::TearDown();
  }
  // Runs the contact pass, the world step and the bike's own step.
  void step(bike *b) {
    bike_ground_contacts(b);
    sim_world_step();
    bike_step(b, true);
    sim.sim_tick++;
  }
  // Contact joints between a part other than the wheels and the static world.
  int part_ground_contacts(bike *b) {
    int n = 0;
    for (int i : {BODY_CHASSIS, BODY_FORK_UPPER, BODY_FORK_LOWER, BODY_SWINGARM, BODY_RIDER}) {
      dBodyID body = bike_body(b, i);
      for (int k = 0; k < dBodyGetNumJoints(body); k++) {
        dJointID j = dBodyGetJoint(body, k);
        if (dJointGetType(j) == dJointTypeContact && (!dJointGetBody(j, 0) || !dJointGetBody(j, 1))) n++;
      }
    }
    return n;
  }
};

TEST_F(bike_drop, rests_on_its_tyres_on_flat_ground) {
  if (!install_shapes()) GTEST_SKIP() << "the generated shape files are not in this build";
  ASSERT_TRUE(heightfield_create(5, 2, 0));
  bike *b = make();
  ASSERT_TRUE(b);
  for (int i = 0; i < SHAPE_COUNT; i++) ASSERT_TRUE(b->shapes[i]) << i;
  bike_translate(b, 32, 0.5, 32);
  // Settling: only the wheels touch, no contact joint on any other part.
  const int settle = 4 * 128;
  for (int t = 0; t < settle; t++) {
    bike_ground_contacts(b);
    ASSERT_EQ(part_ground_contacts(b), 0) << "step " << t;
    sim_world_step();
    bike_step(b, true);
    sim.sim_tick++;
    for (int i = 0; i < BODY_COUNT; i++) ASSERT_TRUE(body_finite(bike_body(b, i))) << "step " << t;
  }
  EXPECT_EQ(b->down_flag, 0);
  EXPECT_LT(bike_speed(b), 0.05);
  EXPECT_GT(b->wheels[0].depth, 0);
  EXPECT_GT(b->wheels[1].depth, 0);
  // Sagging under the bike's weight, short of the stops.
  double fork = dJointGetSliderPosition(b->fork_slider), arm = dJointGetHingeAngle(b->swingarm_pivot);
  EXPECT_LT(fork, -0.02);
  EXPECT_GT(fork, -b->spec.fork_travel + 0.02);
  EXPECT_LT(arm, -0.01);
  EXPECT_GT(arm, -b->spec.swingarm_travel + 0.01);
  EXPECT_LT(std::fabs(bike_chassis_lean(b)), 0.05);

  // Nothing holds it upright yet: over the rest of the minute it may topple,
  // but it stays finite and ends at rest.
  for (int t = settle; t < 60 * 128; t++) {
    step(b);
    for (int i = 0; i < BODY_COUNT; i++) ASSERT_TRUE(body_finite(bike_body(b, i))) << "step " << t;
  }
  EXPECT_LT(bike_speed(b), 0.2);
}

TEST_F(bike_drop, settles_on_a_slope) {
  if (!install_shapes()) GTEST_SKIP() << "the generated shape files are not in this build";
  // A 64 ft square rising 1 ft in 10 along z, flat beyond its edges.
  ASSERT_TRUE(heightfield_create(4, 2, 0));
  for (int j = 0; j < terrain.samples_per_side; j++)
    for (int i = 0; i < terrain.samples_per_side; i++)
      terrain.heights[j * terrain.samples_per_side + i] = 0.1f * (float)j * terrain.spacing;
  terrain.max_height = 0.1f * terrain.extent;
  bike *b = make();
  ASSERT_TRUE(b);
  // Across the slope, so that it does not simply roll away.
  bike_rotate(b, 0, 1, 0, M_PI / 2);
  bike_translate(b, 32, 3.5, 30);
  for (int t = 0; t < 60 * 128; t++) {
    step(b);
    for (int i = 0; i < BODY_COUNT; i++) ASSERT_TRUE(body_finite(bike_body(b, i))) << "step " << t;
  }
  EXPECT_LT(bike_speed(b), 0.2);
}
