// Roost emission from a wheel's contact: the spray arc, the budget from the
// roost frequency, and the splash emitter of a wheel too slow to throw.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/run_options.h"
#include "render/particles.h"
#include "sim/contact.h"
#include "track/heightfield.h"
#include "track/roost_emit.h"
#include "track/roost_random.h"
#include "track/surface.h"
#include "track/terrain_files.h"
#include "world_fixture.h"

TEST(roost_spray_arc, between_slow_and_fast_on_squared_spin) {
  roost_params e = roost_defaults(ROOST_DIRT);  // pi/2 at 0, pi/16 at 64 rad/s
  struct row {
    bool spinning;
    float omega, limit, arc;
  } rows[] = {
      {false, 100, 7, (float)(M_PI / 64)},
      {true, 0, 7, (float)(M_PI / 2)},
      {true, 32, 7, (float)(M_PI / 2 + 0.25 * (M_PI / 16 - M_PI / 2))},
      {true, 500, 7, (float)(M_PI / 16)},
      {true, 0, (float)(M_PI / 8), (float)(M_PI / 8)},  // the front wheel's limit
  };
  for (const row &r : rows) EXPECT_NEAR(roost_spray_arc(e, r.spinning, r.omega, r.limit), r.arc, 1e-6) << r.omega;
  e.slow_speed = e.fast_speed = 10;  // no range: the fast arc
  EXPECT_NEAR(roost_spray_arc(e, true, 3, 7), e.fast_angle, 1e-7);
}

namespace {

void collect(const roost_particle_spawn &p, void *context) {
  ((std::vector<roost_particle_spawn> *)context)->push_back(p);
}

}  // namespace

class roost_emission : public world_test {
 protected:
  std::vector<roost_particle_spawn> got;
  int saved_frequency = run_opts.roost_frequency;
  void SetUp() override {
    world_test::SetUp();
    ASSERT_TRUE(heightfield_create(5, 2, 0));
    roost_particles_set_observer(collect, &got);
    roost_random_seed(5489);
  }
  void TearDown() override {
    roost_particles_set_observer(nullptr, nullptr);
    run_opts.roost_frequency = saved_frequency;
    heightfield_release();
    world_test::TearDown();
  }
  // The rear wheel spinning on the spot: its surface slides backwards.
  bike *spinning_bike(float spin) {
    bike *b = make();
    bike_translate(b, 30, 0, 30);
    dBodySetAngularVel(b->rear_wheel, spin, 0, 0);
    dBodySetAngularVel(b->front_wheel, 0, 0, 0);
    dBodySetLinearVel(b->rear_wheel, 0, 0, -0.5);
    return b;
  }
};

TEST_F(roost_emission, a_spinning_wheel_throws_up_to_the_budget) {
  terrain.surfaces[0].roost[0] = roost_defaults(ROOST_DIRT);
  terrain.surfaces[0].roost[0].count = 10;
  run_opts.roost_frequency = 300;  // a budget of 3 particles per emitter
  bike *b = spinning_bike(-40);
  bike_ground_contacts(b);
  ASSERT_GT(b->wheels[1].depth, 0);
  roost_emit(b, true);
  // The front wheel does not slide: only the rear throws.
  ASSERT_EQ(got.size(), 3u);
  for (const roost_particle_spawn &p : got) {
    for (int k = 0; k < 3; k++) ASSERT_TRUE(std::isfinite(p.position[k]) && std::isfinite(p.velocity[k]));
    EXPECT_NEAR(p.dig, std::fmin(b->wheels[1].depth, 0.1f), 1e-6);
    EXPECT_GT(p.position[2], b->wheels[1].point[2] - 1e-3);  // thrown round the back
  }

  got.clear();
  run_opts.roost_frequency = 0;
  roost_emit(b, true);
  EXPECT_TRUE(got.empty());

  // A remote bike's contact is queried afresh.
  run_opts.roost_frequency = 300;
  b->wheels[1].depth = 0;
  roost_emit(b, false);
  EXPECT_EQ(got.size(), 3u);
}

TEST_F(roost_emission, splash_needs_the_wheel_to_move_along_the_ground) {
  terrain.surfaces[0].roost[0] = roost_defaults(ROOST_SPLASH);
  terrain.surfaces[0].roost[0].count = 2;
  run_opts.roost_frequency = 200;
  bike *b = make();
  bike_translate(b, 30, 0, 30);
  dBodySetLinearVel(b->front_wheel, 0, 0, -1.0f / 64);
  dBodySetLinearVel(b->rear_wheel, 0, 0, -1.0f / 64);
  bike_ground_contacts(b);
  roost_emit(b, true);
  EXPECT_TRUE(got.empty());

  dBodySetLinearVel(b->front_wheel, 0, 0, -20);
  dBodySetLinearVel(b->rear_wheel, 0, 0, -20);
  roost_emit(b, true);
  ASSERT_EQ(got.size(), 4u);
  for (const roost_particle_spawn &p : got)
    for (int k = 0; k < 3; k++) ASSERT_TRUE(std::isfinite(p.velocity[k]));
}
