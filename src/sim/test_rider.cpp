#include "sim/test_rider.h"

#include <cmath>

namespace {
double clampd(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }
}  // namespace

double bike_heading(const bike *b) {
  dVector3 f;
  dBodyVectorToWorld(b->chassis, 0, 0, -1, f);
  return std::atan2(-f[0], -f[2]);
}

double bike_heading_rate(const bike *b) { return dBodyGetAngularVel(b->chassis)[1]; }

bike_controls test_rider_controls(const bike *b, const test_rider_goal &goal) {
  bike_controls c{};
  const dReal *v = dBodyGetLinearVel(b->chassis);
  double speed = std::sqrt(v[0] * v[0] + v[2] * v[2]);
  double error = goal.speed - speed;
  if (error >= 0) {
    c.throttle = (float)clampd(0.2 + error * 0.25, 0, 1);
  } else {
    double brake = clampd(-error * 0.2, 0, 1);
    c.front_brake = c.rear_brake = (float)brake;
  }
  c.clutch = 1;
  // Heading error wrapped to -pi..pi; a positive error is a turn to the left,
  // which needs a negative steer. The turn rate term keeps the line smooth.
  double turn = std::remainder(goal.heading - bike_heading(b), 2 * M_PI);
  double wanted_rate = clampd(turn * 1.5, -1.0, 1.0);
  // The bars act harder the faster the bike goes: less input at speed.
  double gain = 0.6 * clampd(35 / (speed + 1e-3), 0.25, 1);
  // Under the brakes the load on the front makes the bars touchy: hold them
  // nearly straight and only trim the heading.
  if (error < 0) gain *= 0.25;
  c.steer = (float)clampd(-(wanted_rate - bike_heading_rate(b)) * gain, -1, 1);
  return c;
}

void bike_apply_controls(bike *b, const bike_controls &c) {
  bike_set_steer(b, c.steer);
  bike_set_throttle(b, c.throttle);
  bike_set_front_brake(b, c.front_brake);
  bike_set_rear_brake(b, c.rear_brake);
  bike_set_clutch(b, c.clutch);
  bike_set_dab(b, c.dab);
  bike_set_back_up(b, c.back_up);
  bike_set_lean(b, c.lean);
  bike_set_shift(b, c.shift);
}
