#include <cmath>

#include "config/settings.h"
#include "race/rider_settings.h"
#include "sim/bike.h"
#include "sim/drivetrain.h"
#include "sim/rider.h"
#include "sim/step.h"
#include "sim/world_fixture.h"

namespace {

using rider_assists = world_test;

// The steering torque put on the front wheel this step, about the steering axis.
double steering_torque(const bike *b) {
  const bike_spec &s = b->spec;
  double a[3], len = 0;
  for (int i = 0; i < 3; i++) {
    a[i] = s.fork_upper_position[i] - s.fork_lower_position[i];
    len += a[i] * a[i];
  }
  const dReal *t = dBodyGetTorque(b->front_wheel);
  return (t[0] * a[0] + t[1] * a[1] + t[2] * a[2]) / std::sqrt(len);
}

void clear_torques(bike *b) {
  for (int i = 0; i < BODY_COUNT; i++) {
    dBodySetForce(bike_body(b, i), 0, 0, 0);
    dBodySetTorque(bike_body(b, i), 0, 0, 0);
  }
}

// Front wheel on the ground and rolling forwards at 10 rad/s.
void roll_front(bike *b) {
  b->wheels[0].depth = 0.1f;
  dBodySetAngularVel(b->front_wheel, -10, 0, 0);
}

}  // namespace

TEST_F(rider_assists, setters_clamp_to_their_ranges) {
  bike *b = make();
  struct {
    int setting;
    float value, stored;
  } cases[] = {
      {ASSIST_ROLL_DAMPING, 500, 200},       {ASSIST_ROLL_LIMIT_ANGLE, 4, (float)M_PI},
      {ASSIST_SLOW_DAMPING_FACTOR, 0, 1},    {ASSIST_MAX_DAB_SPEED, 5, 16},
      {ASSIST_LAND_DAMPING_FALLOFF, NAN, 0}, {ASSIST_RIDER_ZDAMPING, -1, 0},
      {ASSIST_BRAKE_TORQUE, 1e9f, 500},      {ASSIST_DIRECT_STEERING, 0.5f, 0.5f},
  };
  for (auto &c : cases) {
    bike_set_assist(b, c.setting, c.value);
    EXPECT_FLOAT_EQ(bike_assist(b, c.setting), c.stored) << c.setting;
  }
  bike_set_assist(b, ASSIST_COUNT, 1);  // ignored
  bike_set_steer(b, 2);
  bike_set_lean(b, -3);
  EXPECT_EQ(b->controls.steer, 1);
  EXPECT_EQ(b->controls.lean, -1);
}

TEST_F(rider_assists, largest_target_lean) {
  const double a = M_PI / 4, m = 29.333;
  EXPECT_NEAR(max_target_lean(10, a, m, 4), 0.306, 0.001);
  EXPECT_NEAR(max_target_lean(15.01, a, m, 4), 0.788, 0.001);
  EXPECT_EQ(max_target_lean(0, a, m, 4), 0);
  EXPECT_NEAR(max_target_lean(30, a, m, 4), 2 * M_PI, 1e-9);
  EXPECT_GT(max_target_lean(5, a, m, 32), max_target_lean(5, a, m, 4));
}

// A stopped bike: the input alone (scaled by direct_steering) plus centring.
TEST_F(rider_assists, stopped_bike_steers_by_the_input_only_when_direct) {
  bike *b = make();
  b->controls.steer = 1;
  steering_step(b);
  EXPECT_NEAR(steering_torque(b), 1.5 * 75, 1e-6);
  EXPECT_FLOAT_EQ(b->landing_factor, 2);
  clear_torques(b);
  b->direct_steering = 0;
  steering_step(b);
  EXPECT_NEAR(steering_torque(b), 0, 1e-9);
}

TEST_F(rider_assists, landing_boost_fades_over_the_falloff) {
  bike *b = make();
  steering_step(b);  // airborne
  EXPECT_FLOAT_EQ(b->landing_factor, 2);
  roll_front(b);
  for (int i = 0; i < 16; i++) steering_step(b);
  EXPECT_NEAR(b->landing_factor, 1.5, 1e-5);
  for (int i = 0; i < 16; i++) steering_step(b);
  EXPECT_FLOAT_EQ(b->landing_factor, 1);
  b->land_damping_falloff = 0;
  b->landing_factor = 2;
  steering_step(b);
  EXPECT_FLOAT_EQ(b->landing_factor, 1);
}

// Roll damping on a rolling bike, and how a recent collision turns it.
TEST_F(rider_assists, bump_timer_reverses_or_limits_the_stabilising_torque) {
  bike *b = make();
  struct {
    float bump;
    double torque;
  } cases[] = {{0, 180}, {256, -180}, {224, -90}, {96, 150}, {192, 0}};
  for (auto &c : cases) {
    bike_reset_pose(b);
    roll_front(b);
    dBodySetAngularVel(b->chassis, 0, 0, 2);  // roll rate 2: R = 2 * 60
    b->bump_timer = c.bump;
    steering_step(b);
    EXPECT_NEAR(steering_torque(b), c.torque, 1e-3) << c.bump;
  }
}

TEST_F(rider_assists, arcade_rolls_towards_the_target_lean) {
  bike *b = make();
  bike_set_option(b, OPTION_ARCADE, true);
  b->roll_damping = 80;
  b->controls.steer = 1;
  for (int i = 0; i < 12; i++) {  // the motor's limit needs a few steps for the whole bike
    steering_step(b);
    sim_world_step();
  }
  EXPECT_NEAR(bike_roll_rate(b), -1, 0.05);
  EXPECT_LT(bike_lean_angle(b), -0.05);  // towards the right
}

TEST_F(rider_assists, back_up_walks_the_bike_only_when_slow) {
  bike *b = make();
  for (double speed : {3.0, 6.0}) {
    bike_reset_pose(b);
    for (int i = 0; i < BODY_COUNT; i++) dBodySetLinearVel(bike_body(b, i), 0, 0, -speed);
    b->controls.back_up = 1;
    rider_low_speed_assists(b);
    const dReal *f = dBodyGetForce(b->chassis);
    if (speed < 5) {
      EXPECT_EQ(b->controls.dab, 1);
      EXPECT_GT(f[2], 1000);  // pushed backwards (+z)
    } else {
      EXPECT_EQ(b->controls.dab, 0);
      EXPECT_EQ(f[2], 0);
    }
  }
}

// Holding still with auto_dab: the foot goes down and both brakes hold for
// that step, and the rider's own controls are what they were.
TEST_F(rider_assists, stopped_bike_is_held_for_one_step) {
  bike *b = make();
  bike_set_option(b, OPTION_AUTO_DAB, true);
  b->wheels[0].depth = b->wheels[1].depth = 0.05f;
  bike_step(b, true);
  EXPECT_DOUBLE_EQ(dJointGetHingeParam(b->front_axle, dParamFMax), 250);
  EXPECT_DOUBLE_EQ(dJointGetHingeParam(b->rear_axle, dParamFMax), 250);
  EXPECT_EQ(b->controls.dab, 0);
  EXPECT_EQ(b->controls.front_brake, 0);
  EXPECT_EQ(b->controls.rear_brake, 0);
  EXPECT_NEAR(b->foot_down, 4 * TICK_LENGTH, 1e-6);
}

TEST_F(rider_assists, configuration_is_applied_with_conversions) {
  settings_defaults();
  settings.roll_limit_angle.value = 45;
  settings.max_dab_speed.value = 20;
  settings.rider_yspring.value = 30;
  settings.front_sprocket_adjustment.value = 1;
  settings.rider_mass_distribution.value = 0.5;
  choice_set_by_name(&settings.front_brake, "Normal");
  choice_set_by_name(&settings.rear_brake, "Antilock");
  choice_set_by_name(&settings.stop_wheelies, "Yes");
  choice_set_by_name(&settings.arcade, "Yes");
  bike *b = make();
  apply_rider_settings(b);
  EXPECT_NEAR(b->roll_limit_angle, M_PI / 4, 1e-6);
  EXPECT_NEAR(b->max_dab_speed, 29.3333, 1e-3);
  EXPECT_FLOAT_EQ(b->rider_yspring, 0.3f);
  EXPECT_FLOAT_EQ(b->final_drive, 51.0f / 14);
  EXPECT_FALSE(bike_option(b, OPTION_FRONT_ANTILOCK));
  EXPECT_TRUE(bike_option(b, OPTION_REAR_ANTILOCK));
  EXPECT_EQ(bike_stop_wheelies(b), STOP_WHEELIES_YES);
  EXPECT_TRUE(bike_option(b, OPTION_ARCADE));
  dMass m;
  dBodyGetMass(b->rider, &m);
  EXPECT_NEAR(m.mass, 0.5 * b->spec.rider_mass, 1e-6);

  arcade_disabled_hook = [] { return true; };
  apply_rider_settings(b);
  arcade_disabled_hook = nullptr;
  EXPECT_FALSE(bike_option(b, OPTION_ARCADE));
  settings_defaults();
}
