#include <cmath>

#include "sim/bike.h"
#include "sim/crash.h"
#include "sim/drivetrain.h"
#include "sim/rider.h"
#include "sim/step.h"
#include "sim/world_fixture.h"

namespace {

using bike_assembly = world_test;

// Eigenvector of the smallest eigenvalue of a body's inertia in body axes,
// found by inverse power iteration on the symmetric 3x3 tensor.
void smallest_axis(dBodyID body, double out[3]) {
  dMass m;
  dBodyGetMass(body, &m);
  dMatrix3 inv;
  dInvertPDMatrix(m.I, inv, 3);
  double v[3] = {0.3, 0.5, 0.7};
  for (int it = 0; it < 200; it++) {
    double w[3];
    for (int i = 0; i < 3; i++) w[i] = inv[i * 4] * v[0] + inv[i * 4 + 1] * v[1] + inv[i * 4 + 2] * v[2];
    double len = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    for (int i = 0; i < 3; i++) v[i] = w[i] / len;
  }
  for (int i = 0; i < 3; i++) out[i] = v[i];
}

double body_mass(dBodyID body) {
  dMass m;
  dBodyGetMass(body, &m);
  return m.mass;
}

void step_world(int ticks) {
  for (int i = 0; i < ticks; i++) {
    sim_world_step();
    for (int s = 0; s < BIKE_SLOT_COUNT; s++) sim_step_slot(s);
    sim.sim_tick++;
  }
}

}  // namespace

TEST_F(bike_assembly, fresh_bike_masses) {
  bike *b = make();
  ASSERT_NE(b, nullptr);
  EXPECT_NEAR(bike_body_mass_sum(b), 12.68625, 1e-5);
  EXPECT_NEAR(b->total_mass, 12.68625, 1e-5);
  EXPECT_NEAR(body_mass(b->chassis), 4.24 + 2.0 / 3 * 4.6875, 1e-5);
  EXPECT_NEAR(body_mass(b->rider), 4.6875 / 3, 1e-6);
  EXPECT_NEAR(body_mass(b->front_wheel), 0.5625, 1e-6);
  EXPECT_NEAR(body_mass(b->rear_wheel), 0.78125, 1e-6);
  EXPECT_NEAR(body_mass(b->fork_lower), 0.703125, 1e-6);
  EXPECT_NEAR(body_mass(b->swingarm), 2 * 0.504375, 1e-6);

  // The tyre ring lies in the y-z plane: Ixx = Iyy + Izz less the spheres'
  // own inertia (hub and the 16 ring spheres).
  dMass w;
  dBodyGetMass(b->front_wheel, &w);
  double own = 0.4 * 0.15625 * 0.25 + 0.4 * 0.40625 * 0.333333 * 0.333333;
  EXPECT_NEAR(w.I[0], w.I[5] + w.I[10] - own, 1e-5);
  EXPECT_NEAR(w.I[0], 0.40625 * 0.833333 * 0.833333 + own, 1e-5);
  EXPECT_NEAR(w.I[5], w.I[10], 1e-9);
  // Fork tubes lie along the steering axis, swing-arm boxes along the arm.
  double a[3];
  smallest_axis(b->fork_upper, a);
  double sy = 2.9 - 1.77, sz = 2.16 - 1.59, sl = std::hypot(sy, sz);
  EXPECT_NEAR(std::fabs(a[1] * sy / sl + a[2] * sz / sl), 1, 1e-6);
  smallest_axis(b->swingarm, a);
  double ay = 1.04 - 1.58, az = 6 - 4.17, al = std::hypot(ay, az);
  EXPECT_NEAR(std::fabs(a[1] * ay / al + a[2] * az / al), 1, 1e-6);
}

TEST_F(bike_assembly, defaults_at_creation) {
  bike *b = make("kx125");
  EXPECT_FLOAT_EQ(b->fork_spring, 604.772f);
  EXPECT_FLOAT_EQ(b->fork_air, 0.416667f);
  EXPECT_FLOAT_EQ(b->shock_preload, 0.01375f);
  EXPECT_FLOAT_EQ(b->fork_compression, 60);
  EXPECT_FLOAT_EQ(b->final_drive, 51.0f / 13);
  EXPECT_FLOAT_EQ(b->roll_limit_angle, (float)(M_PI / 4));
  EXPECT_FLOAT_EQ(b->max_dab_speed, 30);
  EXPECT_EQ(bike_stop_wheelies(b), STOP_WHEELIES_FRONT_ONLY);
  EXPECT_TRUE(bike_option(b, OPTION_FRONT_ANTILOCK));
  EXPECT_FALSE(bike_option(b, OPTION_REAR_ANTILOCK) || bike_option(b, OPTION_AUTO_SHIFT) ||
               bike_option(b, OPTION_ARCADE));
  EXPECT_EQ(b->last_collision_tick, -1);
  EXPECT_FLOAT_EQ(b->landing_factor, 1);
  EXPECT_STREQ(b->rider_number, "7");
  // No shape files in the data folder: the bike is built without shapes.
  for (collision_shape *s : b->shapes) EXPECT_EQ(s, nullptr);
}

TEST_F(bike_assembly, joints_stop_at_their_limits) {
  // Drive each joint hard both ways; the stops hold it (within ODE's error
  // correction). Gravity moves the whole bike but not the joints.
  struct {
    int joint;
    double push;  // torque or force on body 1 against body 2
    double limit;
  } cases[] = {
      {JOINT_STEERING_HEAD, 40, M_PI / 4},  {JOINT_STEERING_HEAD, -40, -M_PI / 4},
      {JOINT_FORK_SLIDER, -400, -1},        {JOINT_FORK_SLIDER, 400, 0},
      {JOINT_SWINGARM_PIVOT, -150, -0.55},  {JOINT_SWINGARM_PIVOT, 150, 0},
  };
  for (const auto &c : cases) {
    bike *b = make();
    dJointID j = bike_joint(b, c.joint);
    for (int i = 0; i < 256; i++) {
      if (c.joint == JOINT_FORK_SLIDER)
        dJointAddSliderForce(j, c.push);
      else
        dJointAddHingeTorque(j, c.push);
      sim_world_step();
    }
    double v = c.joint == JOINT_FORK_SLIDER ? dJointGetSliderPosition(j) : dJointGetHingeAngle(j);
    EXPECT_NEAR(v, c.limit, 0.02) << "joint " << c.joint << " push " << c.push;
    bike_destroy(b);
  }
}

TEST_F(bike_assembly, falls_freely_and_stays_together) {
  bike *b = make();
  bike_slot_set(0, b, BIKE_LOCAL);
  const float *p = b->spec.chassis_position;
  step_world(128);
  const dReal *c = dBodyGetPosition(b->chassis);
  EXPECT_NEAR(c[1], p[1] - 0.5 * 32 * 1.0, 0.2);  // one second of free fall
  EXPECT_NEAR(dBodyGetLinearVel(b->chassis)[1], -32, 0.1);
  EXPECT_NEAR(c[0], p[0], 1e-6);
  // The rider's springs hold him standing a little above his rest point.
  EXPECT_NEAR(c[2], p[2], 0.02);
  const dReal *r = dBodyGetPosition(b->rider);
  EXPECT_NEAR(r[1] - c[1], b->spec.rider_position[1] - p[1], 0.2);
  EXPECT_NEAR(dJointGetHingeAngle(b->steering_head), 0, 1e-3);
  EXPECT_NEAR(dJointGetSliderPosition(b->fork_slider), 0, 1e-3);
}

TEST_F(bike_assembly, reset_pose_reattaches_the_rider) {
  bike *b = make();
  sim.sim_tick = 10;
  crash_rider(b);
  EXPECT_EQ(b->crash_timer, CRASH_TIMER_START);
  EXPECT_EQ(dJointGetBody(b->rider_mount, 0), nullptr);
  dBodySetLinearVel(b->rider, 5, 20, 0);
  bike_set_throttle(b, 1);
  EXPECT_FLOAT_EQ(b->controls.throttle, 0);
  for (int i = 0; i < 20; i++) sim_world_step();

  bike_set_gear(b, 3);
  b->engine_speed = 500;
  b->down_flag = 1;
  bike_reset_pose(b);
  EXPECT_EQ(b->crash_timer, 0);
  EXPECT_EQ(dJointGetBody(b->rider_mount, 0), b->rider);
  EXPECT_EQ(dJointGetBody(b->rider_mount, 1), b->chassis);
  EXPECT_EQ(b->gear, 0);
  EXPECT_EQ(b->engine_speed, 0);
  EXPECT_EQ(b->down_flag, 0);
  const dReal *r = dBodyGetPosition(b->rider);
  for (int k = 0; k < 3; k++) EXPECT_NEAR(r[k], b->spec.rider_position[k], 1e-9);
  EXPECT_EQ(dBodyGetLinearVel(b->rider)[1], 0);
  // Attached again, the rider moves with the bike.
  for (int i = 0; i < 64; i++) sim_world_step();
  EXPECT_NEAR(dBodyGetPosition(b->rider)[1] - dBodyGetPosition(b->chassis)[1],
              b->spec.rider_position[1] - b->spec.chassis_position[1], 1e-3);
}

TEST_F(bike_assembly, controls_clamp) {
  bike *b = make();
  struct {
    void (*set)(bike *, float);
    float bike_controls::*field;
    float value, stored;
  } cases[] = {
      {bike_set_steer, &bike_controls::steer, 2, 1},         {bike_set_steer, &bike_controls::steer, -1.5f, -1},
      {bike_set_lean, &bike_controls::lean, -3, -1},         {bike_set_throttle, &bike_controls::throttle, 1.5f, 1},
      {bike_set_clutch, &bike_controls::clutch, -1, 0},      {bike_set_front_brake, &bike_controls::front_brake, 0.25f, 0.25f},
      {bike_set_rear_brake, &bike_controls::rear_brake, NAN, 0}, {bike_set_dab, &bike_controls::dab, 9, 1},
      {bike_set_back_up, &bike_controls::back_up, 0.5f, 0.5f},
  };
  for (const auto &c : cases) {
    c.set(b, c.value);
    EXPECT_FLOAT_EQ(b->controls.*c.field, c.stored) << c.value;
  }
  // While crashed, throttle, dab, back-up and lean stay at 0.
  b->crash_timer = 100;
  bike_set_throttle(b, 1);
  bike_set_dab(b, 1);
  bike_set_back_up(b, 1);
  bike_set_lean(b, 1);
  bike_set_steer(b, 0.5f);
  EXPECT_EQ(b->controls.throttle + b->controls.dab + b->controls.back_up + b->controls.lean, 0);
  EXPECT_FLOAT_EQ(b->controls.steer, 0.5f);
  // And shift requests are ignored.
  bike_set_shift(b, 1);
  EXPECT_EQ(b->gear, 0);
  b->crash_timer = 0;

  // A held request shifts once; a five-speed bike stays in fifth.
  bike_set_shift(b, 1);
  bike_set_shift(b, 1);
  EXPECT_EQ(b->gear, 1);
  for (int i = 0; i < 10; i++) {
    bike_set_shift(b, 0);
    bike_set_shift(b, 1);
  }
  EXPECT_EQ(b->gear, 4);
  bike_set_shift(b, 5);  // out of range: ignored
  EXPECT_EQ(b->controls.shift, 1);
  bike_set_gear(b, -4);
  EXPECT_EQ(b->gear, 0);

  bike_set_assist(b, ASSIST_MAX_DAB_SPEED, 5);
  EXPECT_FLOAT_EQ(b->max_dab_speed, 16);
  bike_set_assist(b, ASSIST_ROLL_LIMIT_ANGLE, 10);
  EXPECT_FLOAT_EQ(b->roll_limit_angle, (float)M_PI);
  bike_set_stop_wheelies(b, 7);
  EXPECT_EQ(bike_stop_wheelies(b), 2);
  EXPECT_TRUE(bike_option(b, OPTION_FRONT_ANTILOCK));  // other flags untouched
}

TEST_F(bike_assembly, remote_bike_keeps_its_velocities) {
  bike *local = make("crf250(2009)", 0), *remote = make("kx125", 1);
  bike_slot_set(0, local, BIKE_LOCAL);
  bike_slot_set(1, remote, BIKE_REMOTE);
  bike_translate(remote, 20, 0, 0);
  sim.sim_tick = 5;
  for (int i = 0; i < BODY_COUNT; i++) {
    dBodySetLinearVel(bike_body(remote, i), 3, 1, -7);
    dBodySetAngularVel(bike_body(remote, i), 0.5, 0, 0);
  }
  double before[3];
  for (int k = 0; k < 3; k++) before[k] = dBodyGetPosition(remote->rider)[k];
  bike_disable(remote);  // as the previous tick left it
  for (int tick = 0; tick < 4; tick++) {
    // The order the game tick runs for a network game.
    dBodyAddForce(remote->chassis, 1000, 0, 0);
    bike_save_velocities(remote);
    sim_world_step();
    bike_restore_velocities(remote);
    bike_disable(remote);
    sim_step_slot(0);
    sim_step_slot(1);
    const dReal *f = dBodyGetForce(remote->chassis);
    EXPECT_EQ(f[0], 0);
    sim.sim_tick++;
  }
  for (int i = 0; i < BODY_COUNT; i++) {
    const dReal *v = dBodyGetLinearVel(bike_body(remote, i));
    const dReal *w = dBodyGetAngularVel(bike_body(remote, i));
    EXPECT_EQ(v[0], 3);
    EXPECT_EQ(v[1], 1);
    EXPECT_EQ(v[2], -7);
    EXPECT_EQ(w[0], 0.5);
  }
  for (int k = 0; k < 3; k++) EXPECT_EQ(dBodyGetPosition(remote->rider)[k], before[k]);
  EXPECT_NEAR(dBodyGetLinearVel(local->chassis)[1], -1, 0.1);  // the local bike fell meanwhile (rider springs nudge it)
}

TEST_F(bike_assembly, internal_force_balancing) {
  bike *b = make();
  // Known feedback: the chassis must receive minus the sum of forces and of
  // torques about its centre.
  for (int i = 0; i < JOINT_COUNT; i++) {
    dJointFeedback &f = b->joint_feedback[i];
    f = dJointFeedback{};
    f.f1[0] = 1 + i;
    f.f2[1] = 2;
    f.t1[2] = 0.5;
  }
  // Swing-arm (body 1 of the pivot) lies at (0, 1.34, 4.99) - (0, 1.98, 3.6)
  // from the chassis; its f1 = (5, 0, 0) adds r x f.
  sim.sim_tick = 1;
  EXPECT_FALSE(balance_internal_forces(b));  // not before the third step
  EXPECT_EQ(dBodyGetForce(b->chassis)[0], 0);
  sim.sim_tick = 2;
  ASSERT_TRUE(balance_internal_forces(b));
  const dReal *f = dBodyGetForce(b->chassis), *t = dBodyGetTorque(b->chassis);
  EXPECT_NEAR(f[0], -(1 + 2 + 3 + 4 + 5 + 6), 1e-9);
  EXPECT_NEAR(f[1], -12, 1e-9);
  // Torque: sum of t1 plus every joint's (p1 - c) x f1 + (p2 - c) x f2.
  double expected[3] = {0, 0, 3};
  const dReal *c = dBodyGetPosition(b->chassis);
  for (int i = 0; i < JOINT_COUNT; i++) {
    dJointID j = bike_joint(b, i);
    const dReal *p1 = dBodyGetPosition(dJointGetBody(j, 0)), *p2 = dBodyGetPosition(dJointGetBody(j, 1));
    double f1x = 1 + i, f2y = 2;
    double r1[3] = {p1[0] - c[0], p1[1] - c[1], p1[2] - c[2]}, r2[3] = {p2[0] - c[0], p2[1] - c[1], p2[2] - c[2]};
    // r1 x (f1x, 0, 0) = (0, r1z f1x, -r1y f1x); r2 x (0, f2y, 0) = (-r2z f2y, 0, r2x f2y)
    expected[0] += -r2[2] * f2y;
    expected[1] += r1[2] * f1x;
    expected[2] += -r1[1] * f1x + r2[0] * f2y;
  }
  for (int k = 0; k < 3; k++) EXPECT_NEAR(t[k], -expected[k], 1e-9) << k;

  // Skipped while crashed.
  dBodySetForce(b->chassis, 0, 0, 0);
  crash_rider(b);
  EXPECT_FALSE(balance_internal_forces(b));
  EXPECT_EQ(dBodyGetForce(b->chassis)[0], 0);
}

TEST_F(bike_assembly, whole_bike_placement) {
  bike *b = make();
  bike_translate(b, 100, 5, -40);
  const float *p = b->spec.rear_axle_position;
  EXPECT_NEAR(dBodyGetPosition(b->rear_wheel)[0], p[0] + 100, 1e-9);
  EXPECT_NEAR(b->last_position[BODY_REAR_WHEEL][2], p[2] - 40, 1e-9);

  bike_reset_pose(b);
  bike_rotate(b, 0, 1, 0, M_PI / 2);  // about y: (x, y, z) -> (z, y, -x)
  const dReal *c = dBodyGetPosition(b->chassis);
  EXPECT_NEAR(c[0], b->spec.chassis_position[2], 1e-9);
  EXPECT_NEAR(c[2], -b->spec.chassis_position[0], 1e-9);
  dVector3 forward;
  dBodyVectorToWorld(b->fork_upper, 0, 0, -1, forward);
  EXPECT_NEAR(forward[0], -1, 1e-9);
  EXPECT_NEAR(dJointGetHingeAngle(b->steering_head), 0, 1e-9);

  bike_pose pose;
  b->engine_speed = 100;
  bike_read_pose(b, &pose);
  EXPECT_NEAR(pose.position[BODY_CHASSIS][0], c[0], 1e-12);
  EXPECT_NEAR(pose.quaternion[BODY_RIDER][0], std::cos(M_PI / 4), 1e-9);
  EXPECT_NEAR(pose.rpm, 954.9296585513721, 1e-4);
}

TEST_F(bike_assembly, extrapolation) {
  bike *b = make();
  dBodySetLinearVel(b->chassis, 12.8, 0, 0);
  bike_extrapolate(b, 10);  // 12.8 ft/s for 10 ticks = 1 ft
  for (int i = 0; i < BODY_COUNT; i++)
    EXPECT_NEAR(dBodyGetPosition(bike_body(b, i))[0], b->last_position[i][0] + 1, 1e-9);
  bike_extrapolate(b, 1000);  // limited to 64 ticks
  EXPECT_NEAR(dBodyGetPosition(b->chassis)[0], b->last_position[BODY_CHASSIS][0] + 6.4, 1e-9);

  // Falling into raised ground: lifted so the rear tyre bottom stays on it.
  sim_ground.height_at = [](float, float) { return 2.0f; };
  dBodySetLinearVel(b->chassis, 0, -12.8, 0);
  bike_extrapolate(b, 10);
  double bottom = dBodyGetPosition(b->rear_wheel)[1] - b->spec.rear_major_radius;
  EXPECT_NEAR(bottom, 2, 1e-5);
  const double *last = b->last_position[BODY_RIDER];
  EXPECT_NEAR(dBodyGetPosition(b->rider)[1] - last[1], 2 - (b->spec.rear_axle_position[1] - 0.75), 1e-5);
}

TEST_F(bike_assembly, forty_bikes_of_every_model) {
  for (int s = 0; s < BIKE_SLOT_COUNT; s++) {
    bike *b = make(bike_spec_at(s % BIKE_SPEC_COUNT)->name, s);
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b->spec.name, bike_spec_at(s % BIKE_SPEC_COUNT)->name);
    bike_translate(b, 10.0 * s, 0, 0);
    bike_slot_set(s, b, s % 3 == 0 ? BIKE_LOCAL : BIKE_ROBOT);
  }
  step_world(64);
  for (int s = 0; s < BIKE_SLOT_COUNT; s++) {
    bike *b = bike_slot_bike(s);
    EXPECT_TRUE(std::isfinite(dBodyGetPosition(b->chassis)[1]));
    EXPECT_NEAR(dBodyGetPosition(b->chassis)[0], 10.0 * s, 1e-3);
  }
  bike_destroy(bike_slot_bike(7));
  EXPECT_EQ(bike_slot_bike(7), nullptr);  // destroying empties the slot
  // The rest go with the world (TearDown).
}

TEST_F(bike_assembly, velocity_ring_uses_a_non_negative_index) {
  bike *b = make();
  dBodySetLinearVel(b->rider, 0, 0, 9);
  sim.sim_tick = -3;  // -3 mod 4 is 1
  bike_step(b, true);
  EXPECT_FLOAT_EQ(b->rider_velocity_ring[1][2], 9);
}
