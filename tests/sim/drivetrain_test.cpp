#include <cmath>

#include "sim/bike.h"
#include "sim/drivetrain.h"
#include "sim/world_fixture.h"

namespace {

using drivetrain = world_test;

// Turns the swing-arm and rear wheel about the pivot so the rear suspension
// reads as loaded (the auto-shift rule only shifts then).
void load_rear(bike *b, double angle) {
  dMatrix3 r;
  dRFromAxisAndAngle(r, 1, 0, 0, angle);
  const float *pivot = b->spec.swingarm_pivot;
  for (dBodyID body : {b->swingarm, b->rear_wheel}) {
    const dReal *p = dBodyGetPosition(body);
    double d[3] = {p[0] - pivot[0], p[1] - pivot[1], p[2] - pivot[2]};
    double y = r[4] * d[0] + r[5] * d[1] + r[6] * d[2], z = r[8] * d[0] + r[9] * d[1] + r[10] * d[2];
    dBodySetPosition(body, p[0], pivot[1] + y, pivot[2] + z);
    dBodySetRotation(body, r);
  }
}

void spin_rear(bike *b, double rate) { dBodySetAngularVel(b->rear_wheel, -rate, 0, 0); }

void set_contact(bike *b, int wheel, float depth, float sliding) {
  b->wheels[wheel].depth = depth;
  b->wheels[wheel].velocity[0] = 0;
  b->wheels[wheel].velocity[1] = 0;
  b->wheels[wheel].velocity[2] = sliding;
}

double fmax_of(dJointID axle) { return dJointGetHingeParam(axle, dParamFMax); }

}  // namespace

TEST_F(drivetrain, torque_tables_use_the_nearest_entry) {
  bike *b = make("crf250(2009)");
  struct {
    double rpm, throttle, torque;
  } cases[] = {
      {7000, 1, 19.1}, {7000, 0, -6}, {7000, 0.5, 6.55},  {7249, 1, 19.1}, {7250, 1, 19.9},
      {-300, 1, 5},    {-300, 0, 2},  {15000, 1, -2},     {1000, 0, 0},    {1e9, 0, -23},
  };
  for (auto &c : cases) EXPECT_NEAR(engine_torque(b, c.rpm, c.throttle), c.torque, 1e-4) << c.rpm;
  EXPECT_EQ(torque_index(7249), 14);
  EXPECT_EQ(torque_index(7250), 15);
  EXPECT_EQ(torque_index(-1), 0);
  EXPECT_EQ(torque_index(NAN), 0);
}

TEST_F(drivetrain, reduction_and_sprockets) {
  bike *b = make("crf250(2009)");
  EXPECT_NEAR(drive_reduction(b, 0), 26.62, 0.01);
  EXPECT_NEAR(10 * drive_reduction(b, 0) * 60 / (2 * M_PI), 2542, 1);
  bike_set_sprocket_adjustments(b, -2, 2);
  EXPECT_FLOAT_EQ(b->final_drive, 53.0f / 11);
  bike_set_sprocket_adjustments(b, -20, -60);  // never fewer than 3 teeth
  EXPECT_FLOAT_EQ(b->final_drive, 1.0f);
}

TEST_F(drivetrain, shift_rule_one_gear_per_request_and_missing_gears) {
  bike *five = make("crf250(2009)", 0), *six = make("kx125", 1);
  for (bike *b : {five, six}) {
    bike_set_shift(b, 1);
    bike_set_shift(b, 1);  // held: no second shift
    EXPECT_EQ(b->gear, 1);
    for (int i = 0; i < 8; i++) {
      bike_set_shift(b, 0);
      bike_set_shift(b, 1);
    }
    bike_set_shift(b, 2);  // outside -1..1: ignored
    EXPECT_EQ(b->controls.shift, 1);
  }
  EXPECT_EQ(five->gear, 4);  // no sixth gear on the four-strokes
  EXPECT_EQ(six->gear, 5);
  bike_set_gear(five, 5);
  EXPECT_EQ(five->gear, 4);
  bike_set_gear(five, -3);
  EXPECT_EQ(five->gear, 0);

  five->crash_timer = 100;
  bike_set_shift(five, 0);
  bike_set_shift(five, 1);
  EXPECT_EQ(five->gear, 0);
}

TEST_F(drivetrain, automatic_shifting) {
  bike *b = make("crf250(2009)");
  bike_set_option(b, OPTION_AUTO_SHIFT, true);
  load_rear(b, -0.1);
  ASSERT_LT(dJointGetHingeAngle(b->swingarm_pivot), -0.01);
  set_contact(b, 1, 0.1f, 0);

  struct {
    int gear, tick;
    double wheel_rate;
    float sliding;
    int expect;
  } cases[] = {
      {4, 0, 100, 0, 4},   // up from fifth on a five-speed stays in fifth
      {0, 0, 1, 0, 0},     // never below first
      {1, 0, 70, 0, 2},    // above upshift_rpm in second
      {1, 0, 20, 0, 0},    // below downshift_rpm
      {1, 31, 60, 0, 1},   // only on every 32nd tick
      {1, 64, 60, 3, 1},   // not while the rear wheel spins on the ground
  };
  for (auto &c : cases) {
    b->gear = c.gear;
    sim.sim_tick = c.tick;
    spin_rear(b, c.wheel_rate);
    set_contact(b, 1, 0.1f, c.sliding);
    drivetrain_step(b);
    EXPECT_EQ(b->gear, c.expect) << c.gear << " at " << c.wheel_rate;
  }
}

TEST_F(drivetrain, automatic_clutch_engagement) {
  bike *b = make();
  b->auto_clutch_rpms = 5000;
  b->controls.clutch = 1;
  EXPECT_DOUBLE_EQ(drive_engagement(b, 4999), 0);
  EXPECT_DOUBLE_EQ(drive_engagement(b, 6000), 0.5);
  EXPECT_DOUBLE_EQ(drive_engagement(b, 7000), 1);
  EXPECT_DOUBLE_EQ(drive_engagement(b, 9000), 1);
  b->controls.clutch = 0.25f;
  EXPECT_DOUBLE_EQ(drive_engagement(b, 6000), 0.25);
  EXPECT_DOUBLE_EQ(drive_engagement(b, 9000), 0.25);
}

// One drivetrain step on a bike in the air: the torque the clutch passes, the
// wind-up limit and the engine's own spin-up.
TEST_F(drivetrain, clutch_passes_slips_and_brakes_the_engine) {
  bike *b = make();
  const double r = drive_reduction(b, 0), inertia = b->spec.engine_inertia;
  struct {
    double rpm, windup;
    float lever;
    double passed;  // expected torque on the wheel
  } cases[] = {
      {8000, 1.0, 1, 7500 * 1.0 + 0.75 * 8000 / 9.549296585513721},  // full engagement
      {8000, 1.0, 0, 0},                                           // lever out: nothing
      {6000, 0.1, 1, 0.25 * (750 + 0.75 * 6000 / 9.549296585513721)},  // half engaged: a quarter
      {3000, -0.2, 1, -1500 + 0.75 * 3000 / 9.549296585513721},   // engine braking below the auto clutch
  };
  for (auto &c : cases) {
    bike_reset_pose(b);
    b->controls.clutch = c.lever;
    b->engine_speed = (float)(c.rpm / 9.549296585513721);
    b->clutch_angle = (float)c.windup;
    double speed0 = b->engine_speed;
    drivetrain_step(b);
    const dReal *t = dBodyGetTorque(b->rear_wheel);
    EXPECT_NEAR(-t[0], c.passed, 0.05) << c.rpm;
    EXPECT_NEAR(dBodyGetTorque(b->chassis)[0], c.passed, 0.05);
    double e = engine_torque(b, c.rpm, 0);
    EXPECT_NEAR(b->engine_speed, speed0 + TICK_LENGTH * (e - c.passed / r) / inertia, 1e-2);
  }
  // The wind-up of 1 rad was cut back to a quarter turn before the engine
  // moved the clutch on.
  bike_reset_pose(b);
  b->controls.clutch = 1;
  b->engine_speed = (float)(8000 / 9.549296585513721);
  b->clutch_angle = 1;
  drivetrain_step(b);
  EXPECT_NEAR(b->clutch_angle, M_PI / 4 + TICK_LENGTH * b->engine_speed / r, 1e-5);
}

TEST_F(drivetrain, brakes_are_axle_motors_with_antilock) {
  bike *b = make();
  b->controls.front_brake = 1;
  b->controls.rear_brake = 0.5f;
  set_contact(b, 0, 0.1f, 0);
  set_contact(b, 1, 0.1f, 0);
  drivetrain_step(b);
  EXPECT_DOUBLE_EQ(fmax_of(b->front_axle), 250);
  EXPECT_DOUBLE_EQ(fmax_of(b->rear_axle), 125);
  EXPECT_DOUBLE_EQ(dJointGetHingeParam(b->front_axle, dParamVel), 0);

  set_contact(b, 0, 0.1f, 3);  // the front slides at 3 ft/s
  set_contact(b, 1, 0.1f, 3);  // rear antilock is off
  drivetrain_step(b);
  EXPECT_DOUBLE_EQ(fmax_of(b->front_axle), 0);
  EXPECT_DOUBLE_EQ(fmax_of(b->rear_axle), 125);
  set_contact(b, 0, 0.1f, 2);
  drivetrain_step(b);
  EXPECT_DOUBLE_EQ(fmax_of(b->front_axle), 250);

  // Front Only: no front brake while only the front wheel touches.
  set_contact(b, 1, 0, 0);
  drivetrain_step(b);
  EXPECT_DOUBLE_EQ(fmax_of(b->front_axle), 0);
}

TEST_F(drivetrain, stop_wheelies_cuts_the_drive) {
  bike *b = make();
  bike_set_stop_wheelies(b, STOP_WHEELIES_YES);
  set_contact(b, 1, 0.1f, 0);  // rear only: a wheelie
  const float speed = (float)(7000 / 9.549296585513721);
  for (bool front_down : {false, true}) {
    set_contact(b, 0, front_down ? 0.1f : 0, 0);
    b->engine_speed = speed;
    b->controls.throttle = 1;
    b->controls.clutch = 0;
    drivetrain_step(b);
    if (front_down)
      EXPECT_NEAR(b->engine_speed, speed + TICK_LENGTH * 19.1 / b->spec.engine_inertia, 1e-2);
    else
      EXPECT_FLOAT_EQ(b->engine_speed, speed);
  }
}
