#include <cmath>

#include "sim/bike.h"
#include "sim/drivetrain.h"

namespace {

dBodyID bike::*const BODIES[BODY_COUNT] = {&bike::chassis,    &bike::front_wheel, &bike::rear_wheel, &bike::fork_upper,
                                           &bike::fork_lower, &bike::swingarm,    &bike::rider};
dJointID bike::*const JOINTS[JOINT_COUNT] = {&bike::front_axle,  &bike::rear_axle,      &bike::steering_head,
                                             &bike::fork_slider, &bike::swingarm_pivot, &bike::rider_mount};

// The rider's own inputs that a crash holds at 0.
float unless_crashed(const bike *b, float v) { return b->crash_timer > 0 ? 0.0f : v; }

}  // namespace

dBodyID bike_body(const bike *b, int index) {
  return b && index >= 0 && index < BODY_COUNT ? b->*BODIES[index] : nullptr;
}

dJointID bike_joint(const bike *b, int index) {
  return b && index >= 0 && index < JOINT_COUNT ? b->*JOINTS[index] : nullptr;
}

void bike_set_steer(bike *b, float v) { b->controls.steer = clamp_value(v, -1, 1); }
void bike_set_throttle(bike *b, float v) { b->controls.throttle = unless_crashed(b, clamp_value(v, 0, 1)); }
void bike_set_front_brake(bike *b, float v) { b->controls.front_brake = clamp_value(v, 0, 1); }
void bike_set_rear_brake(bike *b, float v) { b->controls.rear_brake = clamp_value(v, 0, 1); }
void bike_set_clutch(bike *b, float v) { b->controls.clutch = clamp_value(v, 0, 1); }
void bike_set_dab(bike *b, float v) { b->controls.dab = unless_crashed(b, clamp_value(v, 0, 1)); }
void bike_set_back_up(bike *b, float v) { b->controls.back_up = unless_crashed(b, clamp_value(v, 0, 1)); }
void bike_set_lean(bike *b, float v) { b->controls.lean = unless_crashed(b, clamp_value(v, -1, 1)); }

void bike_set_shift(bike *b, int request) {
  if (b->crash_timer > 0 || request == b->controls.shift || request < -1 || request > 1) return;
  b->controls.shift = request;
  bike_set_gear(b, b->gear + request);
}

void bike_clear_controls(bike *b) { b->controls = bike_controls{}; }

int bike_stop_wheelies(const bike *b) {
  return (b->option_flags & OPTION_STOP_WHEELIES_MASK) >> OPTION_STOP_WHEELIES_SHIFT;
}

void bike_set_stop_wheelies(bike *b, int mode) {
  mode = mode < 0 ? 0 : mode > 2 ? 2 : mode;
  b->option_flags = (uint8_t)((b->option_flags & ~OPTION_STOP_WHEELIES_MASK) | (mode << OPTION_STOP_WHEELIES_SHIFT));
}

bool bike_option(const bike *b, int flag) { return (b->option_flags & flag) != 0; }

void bike_set_option(bike *b, int flag, bool on) {
  if (on)
    b->option_flags = (uint8_t)(b->option_flags | flag);
  else
    b->option_flags = (uint8_t)(b->option_flags & ~flag);
}

bool bike_is_crashed(const bike *b) { return b->crash_timer > 0; }

double bike_speed(const bike *b) {
  const dReal *v = dBodyGetLinearVel(b->chassis);
  return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

double bike_engine_rpm(const bike *b) { return b->engine_speed * 9.549296585513721; }

int bike_gear(const bike *b) { return b->gear; }
