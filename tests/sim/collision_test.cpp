// Sphere pairs, wheels as tori, bike against bike (bump timers, force mode,
// the followed-line records) and bike against placed object (the struck
// rider, the start gate's last contact), then two bikes driven into each
// other and a packed start of 40 bikes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "collide_fixture.h"
#include "sim/crash.h"
#include "race/race_setup.h"
#include "track/placed_objects.h"
#include "track/track_load.h"

namespace {

collision_sphere sphere(float x, float y, float z, float r, float mu = 1, float k = 2500, float c = 250) {
  return collision_sphere{{x, y, z}, r, mu, k, c};
}

// A private shape of the given spheres (freed by the caller).
collision_shape *make_shape(std::vector<collision_sphere> spheres) {
  collision_shape s;
  s.count = (int)spheres.size();
  s.spheres = spheres.data();
  s.world_centres = nullptr;
  s.bounding_radius = 0;
  for (const collision_sphere &sp : spheres) {
    float r = std::sqrt(sp.centre[0] * sp.centre[0] + sp.centre[1] * sp.centre[1] + sp.centre[2] * sp.centre[2]) +
              sp.radius;
    if (r > s.bounding_radius) s.bounding_radius = r;
  }
  return shape_copy(&s);
}

// A ".shp" file of the spheres.
std::string shape_text(const std::vector<collision_sphere> &spheres) {
  std::string t = std::to_string(spheres.size()) + "\n";
  char line[256];
  for (const collision_sphere &c : spheres) {
    std::snprintf(line, sizeof line, "%f %f %f %f %f %f %f\n", c.centre[0], c.centre[1], c.centre[2], c.radius,
                  c.friction, c.stiffness, c.damping);
    t += line;
  }
  return t;
}

int contact_joints(dBodyID body) {
  int n = 0;
  for (int i = 0; i < dBodyGetNumJoints(body); i++)
    if (dJointGetType(dBodyGetJoint(body, i)) == dJointTypeContact) n++;
  return n;
}

int bike_contact_joints(const bike *b) {
  int n = 0;
  for (int i = 0; i < BODY_COUNT; i++) n += contact_joints(bike_body(b, i));
  return n;
}

const double *pos(dBodyID b) { return dBodyGetPosition(b); }

}  // namespace

using sphere_pairs = world_test;

TEST_F(sphere_pairs, contact_joint_force_pair_and_static_cases) {
  const collision_sphere s1 = sphere(0, 0, 0, 1), s2 = sphere(0, 0, 0, 1, 0.5f, 5000, 100);
  const float c1[3] = {0, 0, 0}, c2[3] = {1.5f, 0, 0}, far[3] = {2.01f, 0, 0};
  dBodyID b1 = dBodyCreate(sim.physics_world), b2 = dBodyCreate(sim.physics_world);

  EXPECT_FALSE(sphere_contact(s1, c1, b1, s2, far, b2, false, nullptr));
  EXPECT_TRUE(sphere_contact(s1, c1, nullptr, s2, c2, nullptr, false, nullptr));  // nothing to push
  const collision_sphere inverted = sphere(0, 0, 0, -1.2f);  // from a bad shape file
  EXPECT_FALSE(sphere_contact(inverted, c1, b1, inverted, c2, b2, false, nullptr));
  EXPECT_EQ(contact_joints(b1) + contact_joints(b2), 0);

  sphere_hit h;
  ASSERT_TRUE(sphere_contact(s1, c1, b1, s2, c2, b2, false, &h));
  EXPECT_FLOAT_EQ(h.depth, 0.5f);
  EXPECT_FLOAT_EQ(h.point[0], 0.75f);  // half-way through the overlap
  EXPECT_FLOAT_EQ(h.normal[0], 1);
  EXPECT_EQ(contact_joints(b1), 1);
  EXPECT_EQ(contact_joints(b2), 1);
  // A static second side still gets its joint, on the moving body alone.
  ASSERT_TRUE(sphere_contact(s1, c1, b1, s2, c2, nullptr, false, nullptr));
  EXPECT_EQ(contact_joints(b1), 2);

  // Force mode: 0.5 ft deep at k 2500 would be 1250 lbf; capped at 1000,
  // sphere 2 pushed along +x, sphere 1 the opposite way, and no joint.
  ASSERT_TRUE(sphere_contact(s1, c1, b1, s2, c2, b2, true, nullptr));
  EXPECT_DOUBLE_EQ(dBodyGetForce(b2)[0], 1000);
  EXPECT_DOUBLE_EQ(dBodyGetForce(b1)[0], -1000);
  EXPECT_EQ(contact_joints(b2), 1);
  // A disabled body takes no force.
  dBodySetForce(b1, 0, 0, 0);
  dBodyDisable(b1);
  ASSERT_TRUE(sphere_contact(s1, c1, b1, s2, c2, b2, true, nullptr));
  EXPECT_DOUBLE_EQ(dBodyGetForce(b1)[0], 0);

  // NaN centres never touch.
  const float bad[3] = {NAN, 0, 0};
  EXPECT_FALSE(sphere_contact(s1, bad, b1, s2, c2, b2, false, nullptr));
}

TEST_F(sphere_pairs, a_wheel_off_the_ground_takes_its_contact_with_a_shape) {
  bike *b = make();
  ASSERT_TRUE(b);
  bike_translate(b, 0, 20, 0);  // well off the ground
  const double *c = pos(b->front_wheel);
  double R = b->wheels[0].major_radius;
  // A ball under the tyre, and one on the axle (no radial direction of its own).
  const float under[3] = {(float)c[0], (float)(c[1] - R - 0.3), (float)c[2]};
  const float on_axle[3] = {(float)c[0], (float)c[1], (float)c[2]};
  collision_shape *ball = make_shape({sphere(0, 0, 0, 0.5f)});

  b->wheels[0].depth = 0;
  EXPECT_TRUE(wheel_vs_shape(b, 0, ball, static_pose(under, nullptr), false));
  EXPECT_GT(b->wheels[0].depth, 0);
  EXPECT_LT(b->wheels[0].normal[1], -0.99);  // from the wheel towards the ball
  EXPECT_TRUE(std::isfinite(b->wheels[0].velocity[0]));

  // A wheel that touched the terrain keeps its terrain contact.
  b->wheels[1].depth = 0.01f;
  const float under_rear[3] = {(float)pos(b->rear_wheel)[0], (float)(pos(b->rear_wheel)[1] - R - 0.3),
                               (float)pos(b->rear_wheel)[2]};
  EXPECT_TRUE(wheel_vs_shape(b, 1, ball, static_pose(under_rear, nullptr), false));
  EXPECT_FLOAT_EQ(b->wheels[1].depth, 0.01f);

  collision_shape *big = make_shape({sphere(0, 0, 0, 1.0f)});
  b->wheels[0].depth = 0;
  EXPECT_TRUE(wheel_vs_shape(b, 0, big, static_pose(on_axle, nullptr), false));
  EXPECT_GT(b->wheels[0].depth, 0);
  for (int k = 0; k < 3; k++) EXPECT_TRUE(std::isfinite(b->wheels[0].normal[k]));
  shape_free(ball);
  shape_free(big);
}

// Bike pairs placed by their wheels.
struct bike_pairs : collide_test {
  void SetUp() override {
    collide_test::SetUp();
    if (!install_shapes()) GTEST_SKIP() << "the generated shape files are not in this build";
  }
  // Moves b so that its body `part` sits at `target` + (0, 0, dz).
  void put(bike *b, dBodyID part, dBodyID target, double dz) {
    const double *p = pos(part), *t = pos(target);
    bike_translate(b, t[0] - p[0], t[1] - p[1], t[2] + dz - p[2]);
  }
};

TEST_F(bike_pairs, bump_timers_follow_who_struck_whom) {
  struct row {
    const char *what;
    bool head_on;
    double speed_a, speed_b;
    float start_b, want_a, want_b;
  } rows[] = {
      {"head-on at 10 ft/s each", true, 10, 10, 0, 192, 192},
      {"front into the rear wheel at 3 ft/s", false, 3, 0, 0, 0, 0},
      {"front into the rear wheel at 8 ft/s", false, 8, 0, 0, 256, 0},
      {"a struck bike's immunity is extended", false, 8, 0, -10, 256, -640},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    bike *a = place(0, 100, 100);
    bike *b = place(1, 0, 0, r.head_on ? M_PI : 0);
    ASSERT_TRUE(a && b);
    double reach = a->wheels[0].major_radius + b->wheels[r.head_on ? 0 : 1].major_radius - 0.2;
    put(b, r.head_on ? b->front_wheel : b->rear_wheel, a->front_wheel, -reach);
    set_velocity(a, 0, -r.speed_a);
    set_velocity(b, 0, r.speed_b);
    b->bump_timer = r.start_b;
    EXPECT_TRUE(bike_collide(a, b));
    EXPECT_EQ(a->bump_timer, r.want_a);
    EXPECT_EQ(b->bump_timer, r.want_b);
    EXPECT_EQ(a->last_collision_tick, sim.sim_tick);
    EXPECT_EQ(b->last_collision_tick, sim.sim_tick);
    bike_destroy(a);
    bike_destroy(b);
    dJointGroupEmpty(sim.contact_group);
  }
}

TEST_F(bike_pairs, a_bike_that_collided_this_step_exchanges_forces_and_lines_are_forgotten) {
  static std::vector<int> forgotten;
  forgotten.clear();
  forget_followed_lines_hook = [](int slot) { forgotten.push_back(slot); };
  bike *a = place(0, 100, 100), *b = place(1, 0, 0), *far = place(2, 20, 20);
  ASSERT_TRUE(a && b && far);
  put(b, b->rear_wheel, a->front_wheel, -(a->wheels[0].major_radius + b->wheels[1].major_radius - 0.2));

  EXPECT_FALSE(bike_collide(a, far));
  EXPECT_EQ(far->last_collision_tick, -1);
  EXPECT_TRUE(forgotten.empty());

  a->last_collision_tick = sim.sim_tick;  // a already met another bike in this step
  for (bike *x : {a, b})
    for (int i = 0; i < BODY_COUNT; i++) dBodySetForce(bike_body(x, i), 0, 0, 0);
  int joints = bike_contact_joints(a) + bike_contact_joints(b);
  EXPECT_TRUE(bike_collide(a, b));
  EXPECT_EQ(bike_contact_joints(a) + bike_contact_joints(b), joints);
  // Equal and opposite: the pair's forces cancel over both bikes.
  double net[3] = {0, 0, 0}, largest = 0;
  for (bike *x : {a, b})
    for (int i = 0; i < BODY_COUNT; i++) {
      const dReal *f = dBodyGetForce(bike_body(x, i));
      for (int k = 0; k < 3; k++) net[k] += f[k];
      largest = std::fmax(largest, std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]));
    }
  EXPECT_GT(largest, 0);
  for (int k = 0; k < 3; k++) EXPECT_NEAR(net[k], 0, 1e-6 * largest);
  EXPECT_EQ(forgotten, (std::vector<int>{0, 1}));
}

TEST_F(bike_pairs, two_slow_bikes_locked_together_stop_colliding_until_apart) {
  bike *a = place(0, 100, 100), *b = place(1, 0, 0);
  ASSERT_TRUE(a && b);
  // Held in contact (no world step moves them apart), at a standstill.
  put(b, b->rear_wheel, a->front_wheel, -(a->wheels[0].major_radius + b->wheels[1].major_radius - 0.2));
  int touching = 0;
  for (int t = 0; t < 5 * 128 + 2; t++, sim.sim_tick++) {
    touching += bike_collide_pair(a, b);
    dJointGroupEmpty(sim.contact_group);
  }
  // Five seconds in contact, then the pair passes through each other.
  EXPECT_EQ(touching, 5 * 128 + 1);
  EXPECT_FALSE(bike_collide_pair(a, b));
  // Apart by more than 12 ft the pair collides as before once it meets again.
  bike_translate(b, 0, 0, 20);
  EXPECT_FALSE(bike_collide_pair(a, b));
  EXPECT_EQ(a->separating | b->separating, 0u);
  bike_translate(b, 0, 0, -20);
  EXPECT_TRUE(bike_collide_pair(a, b));
  dJointGroupEmpty(sim.contact_group);

  // Moving bikes rubbing for as long are never let through.
  a = place(2, 100, 100), b = place(3, 0, 0);
  ASSERT_TRUE(a && b);
  put(b, b->rear_wheel, a->front_wheel, -(a->wheels[0].major_radius + b->wheels[1].major_radius - 0.2));
  set_velocity(a, 0, -20);
  set_velocity(b, 0, -20);
  for (int t = 0; t < 6 * 128; t++, sim.sim_tick++) {
    ASSERT_TRUE(bike_collide_pair(a, b)) << "tick " << t;
    dJointGroupEmpty(sim.contact_group);
  }
}

TEST_F(bike_pairs, driven_into_each_other_they_bounce_apart_and_stay_finite) {
  bike *a = place(0, 100, 100), *b = place(1, 0, 0, M_PI);
  ASSERT_TRUE(a && b);
  put(b, b->front_wheel, a->front_wheel, -12);
  set_velocity(a, 0, -15);
  set_velocity(b, 0, 15);
  bool met = false;
  double closest = 1e9;
  for (int t = 0; t < 3 * 128; t++) {
    tick({a, b});
    ASSERT_TRUE(bike_finite(a) && bike_finite(b)) << "step " << t;
    met = met || a->last_collision_tick >= 0;
    closest = std::fmin(closest, std::fabs(pos(a->front_wheel)[2] - pos(b->front_wheel)[2]));
  }
  EXPECT_TRUE(met);
  // The tyres squash into each other but never pass through.
  EXPECT_GT(closest, 0.8);
  EXPECT_GT(pos(a->front_wheel)[2], pos(b->front_wheel)[2]);
  EXPECT_LT(bike_speed(a), 15);
  EXPECT_LT(bike_speed(b), 15);
}

TEST_F(bike_pairs, a_packed_start_of_forty_stays_finite) {
  // Packed: ten abreast 3.5 ft apart, rows 9 ft apart; spread: 30 ft apart,
  // for the cost of the collision tests beside the bare bounding rejections.
  struct layout {
    const char *what;
    double across, behind;
    bool collides;
  } layouts[] = {{"packed", 3.5, 9, true}, {"spread", 30, 30, false}};
  for (const layout &l : layouts) {
    SCOPED_TRACE(l.what);
    std::vector<bike *> bikes;
    for (int i = 0; i < BIKE_SLOT_COUNT; i++) {
      bike *b = place(i, 40 + l.across * (i % 10), 100 + l.behind * (i / 10));
      ASSERT_TRUE(b);
      bike_set_throttle(b, 1);
      bike_set_clutch(b, 1);
      // The back rows come in faster, and every other row steers across.
      set_velocity(b, 0, -(10 + 4 * (i / 10)));
      bike_set_steer(b, (i / 10) % 2 ? 0.3f : -0.3f);
      bikes.push_back(b);
    }
    auto start = std::chrono::steady_clock::now();
    const int ticks = 2 * 128;
    int collided = 0;
    for (int t = 0; t < ticks; t++) {
      tick(bikes);
      for (bike *b : bikes) {
        ASSERT_TRUE(bike_finite(b)) << "slot " << b->slot << " step " << t;
        ASSERT_LT(bike_speed(b), 150) << "slot " << b->slot << " step " << t;
        if (b->last_collision_tick == sim.sim_tick - 1) collided++;
      }
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s start of 40: %.3f ms per tick, %d bike-steps in collision\n", l.what, ms / ticks, collided);
    EXPECT_EQ(collided > 0, l.collides);
    for (bike *b : bikes) bike_destroy(b);
    sim.sim_tick = 0;
  }
}

using object_hits = bike_pairs;

TEST_F(object_hits, a_rider_struck_above_twenty_feet_per_second_crashes) {
  struct row {
    double speed;
    float bump;
    bool crashes;
  } rows[] = {{25, 0, true}, {15, 0, false}, {25, -100, false}};
  collision_shape *post = make_shape({sphere(0, 0, 0, 0.6f)});
  for (const row &r : rows) {
    SCOPED_TRACE(r.speed);
    bike *b = place(0, 100, 100);
    ASSERT_TRUE(b);
    const double *rp = pos(b->rider);
    const float at[3] = {(float)rp[0], (float)rp[1], (float)rp[2] - 1.0f};
    dBodySetLinearVel(b->rider, 0, 0, -r.speed);
    b->bump_timer = r.bump;
    int mask = collide_with_object(b, post, nullptr, at, nullptr);
    EXPECT_TRUE(mask & PART_RIDER);
    EXPECT_EQ(bike_is_crashed(b), r.crashes);
    EXPECT_EQ(dJointGetBody(b->rider_mount, 0) == nullptr, r.crashes);
    bike_destroy(b);
    dJointGroupEmpty(sim.contact_group);
  }
  shape_free(post);
}

TEST_F(object_hits, a_bike_against_a_statue_marks_its_last_contact) {
  ASSERT_TRUE(write_file(home.file("bar.shp"),
                         shape_text({sphere(-2, 1, 0, 0.5f), sphere(0, 1, 0, 0.5f), sphere(2, 1, 0, 0.5f)})));
  data_reset();
  bike *b = place(0, 100, 100);
  ASSERT_TRUE(b);
  const double *f = pos(b->front_wheel);
  // One bar just ahead of the front tyre, one far away, one without a shape.
  int touching = statue_add((float)f[0], 0, (float)(f[2] - b->wheels[0].major_radius - 0.3), 0, "m", "t", "@bar.shp");
  int away = statue_add(30, 0, 30, 0, "m", "t", "@bar.shp");
  int bare = statue_add((float)f[0], 0, (float)f[2], 0, "m", "t", nullptr);
  ASSERT_GE(touching, 0);
  ASSERT_GE(away, 0);
  ASSERT_GE(bare, 0);
  object_grid_rebuild();
  sim.sim_tick = 77;
  collide_with_objects(b);
  EXPECT_EQ(placed_object(touching)->last_contact_tick, 77);
  EXPECT_NE(placed_object(away)->last_contact_tick, 77);
  EXPECT_NE(placed_object(bare)->last_contact_tick, 77);
  EXPECT_FALSE(bike_collide_object(b, -1));
  EXPECT_FALSE(bike_collide_object(b, 1000));
}

TEST_F(object_hits, a_bike_hitting_a_statue_at_speed_crashes_its_rider) {
  // A bar across the path above the handlebars, at the rider's chest.
  std::vector<collision_sphere> wall;
  for (int i = -4; i <= 4; i++)
    for (int j = 0; j < 2; j++) wall.push_back(sphere((float)i, 5.0f + 0.8f * (float)j, 0, 0.6f, 1, 25000, 2500));
  ASSERT_TRUE(write_file(home.file("wall.shp"), shape_text(wall)));
  data_reset();
  bike *b = place(0, 100, 150);
  ASSERT_TRUE(b);
  ASSERT_GE(statue_add(100, 0, 130, 0, "m", "t", "@wall.shp"), 0);
  object_grid_rebuild();
  set_velocity(b, 0, -35);
  for (int t = 0; t < 2 * 128 && !bike_is_crashed(b); t++) {
    tick({b});
    ASSERT_TRUE(bike_finite(b));
  }
  EXPECT_TRUE(bike_is_crashed(b));
  // The rider did not pass through the bar.
  EXPECT_GT(pos(b->rider)[2], 130);
}

TEST_F(object_hits, a_bike_leaning_on_its_start_gate_holds_that_gate_up) {
  // Two gate bars 6 ft apart; the bike's front tyre rests against the first.
  ASSERT_TRUE(write_file(home.file("gate.shp"), shape_text({sphere(-1, 1, 0, 0.5f), sphere(0, 1, 0, 0.5f), sphere(1, 1, 0, 0.5f)})));
  data_reset();
  bike *b = place(0, 100, 100);
  ASSERT_TRUE(b);
  const double *f = pos(b->front_wheel);
  float gate_z = (float)(f[2] - b->wheels[0].major_radius - 0.3);
  int first = statue_add((float)f[0], 0, gate_z, 0, "m", "t", "@gate.shp");
  ASSERT_GE(statue_add((float)f[0] + 6, 0, gate_z, 0, "m", "t", "@gate.shp"), 0);
  ASSERT_GE(first, 0);
  object_grid_rebuild();
  track_state.start_gate_first = first;
  track_state.start_gate_count = 2;
  race_session.start_gate_raise[0] = race_session.start_gate_raise[1] = 1;
  race_start_tick = 10;
  sim.sim_tick = 11;
  for (int t = 0; t < 64; t++) {
    collide_with_objects(b);
    dJointGroupEmpty(sim.contact_group);
    start_gate_update();
    sim.sim_tick++;
  }
  EXPECT_EQ(race_session.start_gate_raise[0], 1);
  EXPECT_LT(race_session.start_gate_raise[1], 1);
  track_state.start_gate_first = track_state.start_gate_count = 0;
  race_start_tick = 0;
}
