// A headless rider for the project's own tests: turns a wanted speed and
// heading into bike_controls, so a test can ride a bike over a terrain
// through the same inputs a player uses. Not the robot auto-pilot.
//
// Stateless: every call looks only at the bike's current motion. The
// controls are returned, not applied (bike_apply_controls sets them through
// the clamping setters). Main thread only.
#pragma once
#include "sim/bike.h"

struct test_rider_goal {
  double speed;    // ft/s along the ground, >= 0
  double heading;  // radians; heading h faces the ground direction (-sin h, -cos h)
};

// The chassis heading (the same convention) and its rate of turn.
double bike_heading(const bike *b);
double bike_heading_rate(const bike *b);
// Throttle or brakes for the speed, steering for the heading, clutch
// engaged, no shift request (let auto_shift choose the gear).
bike_controls test_rider_controls(const bike *b, const test_rider_goal &goal);
// Sets every control through its setter.
void bike_apply_controls(bike *b, const bike_controls &c);
