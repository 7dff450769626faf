// The auto-pilot on a flat test course: it follows a straight and a curved
// line, starts from the gate with its personality's reaction time, and the
// roster matches its fixed table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "../sim/world_fixture.h"
#include "app/game_tick.h"
#include "robot/autopilot.h"
#include "robot/roster.h"
#include "sim/bike.h"
#include "sim/contact.h"
#include "sim/rider.h"
#include "sim/step.h"
#include "track/heightfield.h"
#include "track/terrain_files.h"
#include "track/surface.h"

namespace {

constexpr int SHIFT = 9;
constexpr float SPACING = 4;
constexpr float MIDDLE = 2048;

void make_flat_terrain() { ASSERT_TRUE(heightfield_create(SHIFT, SPACING, 0)); }

struct autopilot : world_test {
  void SetUp() override {
    world_test::SetUp();
    make_flat_terrain();
    lines_prepare_counts(1, 1);
    robot_random_seed(1);
  }
  void TearDown() override {
    autopilot_clear_all();
    lines_clear();
    heightfield_release();
    world_test::TearDown();
  }
  bike *place_robot(int slot, float x, float z, int personality) {
    bike *b = make("crf250(2009)", slot);
    bike_slot_set(slot, b, BIKE_ROBOT);
    bike_set_option(b, OPTION_AUTO_DAB, true);
    bike_translate(b, x, 0.15, z);
    autopilot_reset(slot, personality);
    return b;
  }
  // The game tick's order for the bikes: contacts, world step, controller, bike step.
  void tick() {
    for (int s = 0; s < BIKE_SLOT_COUNT; s++)
      if (bike *b = bike_slot_bike(s)) bike_ground_contacts(b);
    sim_world_step();
    for (int s = 0; s < BIKE_SLOT_COUNT; s++)
      if (bike *b = bike_slot_bike(s)) {
        autopilot_step(s);
        bike_step(b, true);
      }
    sim.sim_tick++;
  }
};

// Points every 0.25 s along a path given by a function of arc length.
template <typename F>
std::vector<line_point> sample(F at, float speed, int n, float s0 = 0) {
  std::vector<line_point> p;
  for (int i = 0; i < n; i++) {
    double x, z;
    at(s0 + i * speed * 0.25, &x, &z);
    p.push_back({(float)x, 0.5f, (float)z, speed, 0});
  }
  return p;
}

TEST_F(autopilot, follows_a_straight_line) {
  bike *b = place_robot(0, MIDDLE, MIDDLE, PERSONALITY_VASK);
  auto north = [](double s, double *x, double *z) { *x = MIDDLE, *z = MIDDLE - s; };
  // Group 0 from the start, then the lap's group continuing the same line.
  std::vector<line_point> a = sample(north, 30, 40), c = sample(north, 30, 200, 40 * 30 * 0.25f);
  line_add(0, 0, a.data(), (int)a.size(), 1000, 2000);
  line_add(1, 0, c.data(), (int)c.size(), 1000, 2000);
  race_start_tick = -10 * 128;  // the start lies in the past
  sim.sim_tick = 0;
  double worst = 0;
  for (int i = 0; i < 12 * 128; i++) {
    tick();
    const dReal *p = dBodyGetPosition(b->chassis);
    if (i > 3 * 128) worst = std::fmax(worst, std::fabs(p[0] - MIDDLE));
  }
  const dReal *p = dBodyGetPosition(b->chassis);
  std::printf("straight: %.0f ft along, worst offset %.2f ft, speed %.1f\n", MIDDLE - p[2], worst, bike_speed(b));
  EXPECT_GT(MIDDLE - p[2], 200);
  EXPECT_LT(worst, 3);
  EXPECT_NEAR(bike_speed(b), 30, 6);
  EXPECT_FALSE(bike_is_crashed(b));
}

TEST_F(autopilot, follows_a_curved_line) {
  const double radius = 100, cx = MIDDLE - radius, cz = MIDDLE;
  bike *b = place_robot(0, MIDDLE, MIDDLE, PERSONALITY_VASK);
  // Straight for 60 ft, then a left-hand circle of radius 100 ft.
  auto path = [=](double s, double *x, double *z) {
    if (s < 60) {
      *x = MIDDLE, *z = MIDDLE + 60 - s;
      return;
    }
    double a = -(s - 60) / radius;  // anticlockwise seen from above the -z heading
    *x = cx + radius * std::cos(a), *z = cz + radius * std::sin(a);
  };
  b = bike_slot_bike(0);
  bike_translate(b, 0, 0, 60);
  const float speed = 25;
  std::vector<line_point> a = sample(path, speed, 30), c = sample(path, speed, 300, 30 * speed * 0.25f);
  line_add(0, 0, a.data(), (int)a.size(), 1000, 2000);
  line_add(1, 0, c.data(), (int)c.size(), 1000, 2000);
  race_start_tick = -10 * 128;
  sim.sim_tick = 0;
  double worst = 0;
  for (int i = 0; i < 20 * 128; i++) {
    tick();
    const dReal *p = dBodyGetPosition(b->chassis);
    if (i > 8 * 128) worst = std::fmax(worst, std::fabs(std::hypot(p[0] - cx, p[2] - cz) - radius));
  }
  std::printf("curve: worst radius error %.2f ft, speed %.1f\n", worst, bike_speed(b));
  EXPECT_LT(worst, 6);
  EXPECT_GT(bike_speed(b), 15);
  EXPECT_FALSE(bike_is_crashed(b));
}

// A bank across the line stops the bike dead: once full throttle has moved
// nothing for a while, the recovering robot walks the bike back from it.
TEST_F(autopilot, backs_away_from_a_bank_it_is_wedged_against) {
  const float wall_z = MIDDLE - 24;
  for (int j = 0; j < terrain.samples_per_side; j++)
    for (int i = 0; i < terrain.samples_per_side; i++)
      if (j * SPACING <= wall_z && std::fabs(i * SPACING - MIDDLE) < 60)
        terrain.heights[j * terrain.samples_per_side + i] = 40;
  bike *b = place_robot(0, MIDDLE, MIDDLE, PERSONALITY_VASK);
  auto north = [](double s, double *x, double *z) { *x = MIDDLE, *z = MIDDLE - s; };
  std::vector<line_point> a = sample(north, 8, 40), c = sample(north, 8, 200, 40 * 8 * 0.25f);
  line_add(0, 0, a.data(), (int)a.size(), 1000, 2000);
  line_add(1, 0, c.data(), (int)c.size(), 1000, 2000);
  sim.sim_tick = 3840;  // the first line holds recovery off until then
  race_start_tick = sim.sim_tick - 10 * 128;
  double nearest = MIDDLE, after = 0;
  bool backed = false;
  for (int i = 0; i < 25 * 128; i++) {
    tick();
    const double z = dBodyGetPosition(b->chassis)[2];
    if (!backed) nearest = std::fmin(nearest, z);
    if (b->controls.back_up > 0) backed = true;
    if (backed) after = std::fmax(after, z - nearest);
  }
  std::printf("wedged: nearest %.1f ft from the bank, backed %d, %.1f ft back\n", nearest - wall_z, backed, after);
  EXPECT_LT(nearest - wall_z, 10);  // it did ride up to the bank
  EXPECT_TRUE(backed);
  EXPECT_GT(after, 2);
}

// Stopped with its path behind it (as after a crash), the recovering robot
// walks the bike round and rides on along the path instead of circling.
TEST_F(autopilot, turns_round_to_a_path_behind_it) {
  bike *b = place_robot(0, MIDDLE, MIDDLE, PERSONALITY_VASK);
  auto south = [](double s, double *x, double *z) { *x = MIDDLE + 6, *z = MIDDLE + 12 + s; };
  std::vector<line_point> a = sample(south, 20, 60), c = sample(south, 20, 200, 60 * 20 * 0.25f);
  line_add(0, 0, a.data(), (int)a.size(), 1000, 2000);
  line_add(1, 0, c.data(), (int)c.size(), 1000, 2000);
  sim.sim_tick = 3840;
  race_start_tick = sim.sim_tick - 10 * 128;
  robot_states[0].mode = 3;  // recovering, as after a crash
  int faced = -1;
  for (int i = 0; i < 20 * 128 && faced < 0; i++) {
    tick();
    dVector3 f;
    dBodyVectorToWorld(b->chassis, 0, 0, -1, f);
    if (f[2] > 0.9 && bike_speed(b) > 5) faced = i;
  }
  const int32_t start_index = robot_states[0].path_index;
  for (int i = 0; i < 8 * 128; i++) tick();
  const dReal *p = dBodyGetPosition(b->chassis);
  std::printf("path behind: facing it after %.2f s, then at (%.1f, %.1f)\n", faced / 128.0, p[0] - MIDDLE, p[2] - MIDDLE);
  ASSERT_GE(faced, 0);
  EXPECT_LT(faced, 7 * 128);
  EXPECT_GT(robot_states[0].path_index, start_index + 4);  // riding the path again
  EXPECT_LT(std::fabs(p[0] - (MIDDLE + 6)), 8);
  EXPECT_GT(p[2], MIDDLE + 60);
}

TEST_F(autopilot, stands_with_brakes_on_without_lines) {
  bike *b = place_robot(0, MIDDLE, MIDDLE, PERSONALITY_VASK);
  race_start_tick = -10 * 128;
  for (int i = 0; i < 3 * 128; i++) tick();
  EXPECT_EQ(b->controls.front_brake, 1);
  EXPECT_EQ(b->controls.throttle, 0);
  EXPECT_LT(bike_speed(b), 1);
}

// The clutch starts to bite at the drawn reaction time after the drop.
TEST_F(autopilot, reacts_to_the_gate_within_its_personality_times) {
  struct {
    int personality;
    double lo, hi;
  } cases[] = {{PERSONALITY_BROM, 0.0, 0.1}, {PERSONALITY_VASK, 0.2, 0.4}};
  auto north = [](double s, double *x, double *z) { *x = MIDDLE, *z = MIDDLE - s; };
  std::vector<line_point> a = sample(north, 30, 40);
  line_add(0, 0, a.data(), (int)a.size(), 1000, 2000);
  for (auto &c : cases) {
    for (uint32_t seed = 1; seed <= 3; seed++) {
      robot_random_seed(seed);
      bike *b = place_robot(0, MIDDLE, MIDDLE, c.personality);
      race_start_tick = 6 * 128;
      sim.sim_tick = 0;
      double bite = -1;
      for (int i = 0; i < 8 * 128 && bite < 0; i++) {
        tick();
        if (sim.sim_tick > race_start_tick && b->controls.clutch > 0 && b->controls.front_brake == 0)
          bite = (sim.sim_tick - 1 - race_start_tick) / 128.0;
      }
      EXPECT_GE(bite, c.lo - 1.0 / 128) << personality_name(c.personality) << " seed " << seed;
      EXPECT_LE(bite, c.hi + 1.0 / 64) << personality_name(c.personality) << " seed " << seed;
      bike_slot_set(0, nullptr, BIKE_REMOTE);
      bike_destroy(b);
    }
  }
}

TEST(roster, personalities_and_riders_as_listed) {
  EXPECT_EQ(robot_roster_count(), 80);
  struct {
    int number;
    const char *personality, *bike;
  } cases[] = {{20, "quorel", "kx125"},          {39, "quorel", "rm125"}, {40, "vask", "crf250"},
               {59, "vask", "yz250f_se(2006)"},  {60, "quorel", "crf250"}, {79, "quorel", "yz250f_se(2006)"},
               {80, "brom", "crf250"},           {94, "brom", "yz250f"},   {99, "brom", "rmz250"}};
  for (auto &c : cases) {
    const robot_rider *r = robot_roster_find(c.number);
    ASSERT_NE(r, nullptr) << c.number;
    EXPECT_STREQ(personality_name(r->personality), c.personality) << c.number;
    EXPECT_STREQ(r->bike, c.bike) << c.number;
    EXPECT_EQ(std::atoi(r->number_text), c.number);
    EXPECT_EQ(strncmp(r->rider_body, "@rider_body-alt", 15), 0);
  }
  EXPECT_EQ(robot_roster_find(19), nullptr);
  EXPECT_EQ(robot_roster_find(100), nullptr);
  EXPECT_STRNE(robot_roster_find(85)->graphics, "");
  EXPECT_STREQ(robot_roster_find(41)->graphics, "");
  EXPECT_STRNE(robot_roster_find(23)->wheels, "");
  const personality *q = personality_at(PERSONALITY_QUOREL);
  EXPECT_EQ(q->rule, 2);
  EXPECT_EQ(q->leading_rule, 1);
  EXPECT_EQ(personality_find("tester"), PERSONALITY_TESTER);
  EXPECT_EQ(personality_find("nobody"), PERSONALITY_VASK);
}

}  // namespace
