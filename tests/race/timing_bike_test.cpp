#include "race/timing_bike.h"

#include "race/timing.h"
#include "race/timing_gates.h"
#include "sim/bike.h"
#include "sim/world_fixture.h"

namespace {

struct timing_bike_test : world_test {
  void TearDown() override {
    timing_bikes_reset();
    timing_gates_reset();
    world_test::TearDown();
  }
};

}  // namespace

// The gate test reads the front wheel; a new gate count clears the down flag.
TEST_F(timing_bike_test, front_wheel_crossing_clears_the_down_flag) {
  timing_gates_reset();
  timing_gate &g = race_course.gates[race_course.gate_count++];
  g.position[0] = 100;
  g.direction[0] = 1;
  g.radius = 2;
  race_course.first_count = race_course.normal_count = 1;
  race_course.first_segments = race_course.normal_segments = 1;
  race_course.active = true;
  race_timing.race_laps = 5;

  bike *b = make();
  ASSERT_NE(b, nullptr);
  timing_sync_present();
  EXPECT_TRUE(race_timing.bikes[0].present);
  EXPECT_FALSE(race_timing.bikes[1].present);

  b->down_flag = 1;
  dBodySetPosition(b->chassis, 100.5, 0, 0);  // the chassis alone is not enough
  dBodySetPosition(b->front_wheel, 98, 0, 0);
  sim.sim_tick = 40;
  timing_update_bike(0);
  EXPECT_EQ(race_timing.bikes[0].gates_passed, 0);
  EXPECT_EQ(b->down_flag, 1);

  dBodySetPosition(b->front_wheel, 100.5, 3, 0.5);
  timing_update_bike(0);
  EXPECT_EQ(race_timing.bikes[0].gates_passed, 1);
  EXPECT_EQ(crossing_tick(0, 0), 40);
  EXPECT_EQ(b->down_flag, 0);
  EXPECT_EQ(b->finished, 0);

  timing_update_bike(7);  // an empty slot: nothing
  EXPECT_FALSE(race_timing.bikes[7].present);
}
