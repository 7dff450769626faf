#include "sim/rider.h"

#include <cmath>

#include "sim/bike.h"
#include "sim/world.h"

namespace {

struct assist_rule {
  float bike::*field;
  float low, high, initial;
};

const assist_rule ASSISTS[ASSIST_COUNT] = {
    {&bike::roll_damping, 0, 200, 60},
    {&bike::leveling, 0, 200, 20},
    {&bike::roll_limit_factor, 0, 64, 10},
    {&bike::roll_limit_angle, 0, (float)M_PI, (float)(M_PI / 4)},
    {&bike::steering_damping, 0, 100, 45},
    {&bike::steering_strength, 0, 200, 75},
    {&bike::max_steering_force, 0, 1000, 400},
    {&bike::direct_steering, 0, 1, 1},
    {&bike::slow_damping_speed, 0, 100, 0},
    {&bike::slow_damping_factor, 1, 10, 1},
    {&bike::land_damping_falloff, 0, 1, 0.25f},
    {&bike::land_damping_factor, 1, 3, 2},
    {&bike::auto_clutch_rpms, 0, 5000, 5000},
    {&bike::brake_torque, 0, 500, 250},
    {&bike::rear_brake_torque, 0, 500, 250},
    {&bike::max_dab_speed, 16, 30, 30},
    {&bike::rider_yspring, 0, 1, 0.5f},
    {&bike::rider_ydamping, 0, 1, 0.5f},
    {&bike::rider_zspring, 0, 1, 0.5f},
    {&bike::rider_zdamping, 0, 1, 0.5f},
};

}  // namespace

void bike_set_assist(bike *b, int setting, float value) {
  if (setting < 0 || setting >= ASSIST_COUNT) return;
  const assist_rule &r = ASSISTS[setting];
  b->*r.field = clamp_value(value, r.low, r.high);
}

float bike_assist(const bike *b, int setting) {
  if (setting < 0 || setting >= ASSIST_COUNT) return 0;
  return b->*ASSISTS[setting].field;
}

void rider_assist_defaults(bike *b) {
  for (const assist_rule &r : ASSISTS) b->*r.field = r.initial;
  b->option_flags = 0;
  bike_set_stop_wheelies(b, STOP_WHEELIES_FRONT_ONLY);
  bike_set_option(b, OPTION_FRONT_ANTILOCK, true);
}

void bike_set_rider_mass_distribution(bike *b, float d) {
  const bike_spec &s = b->spec;
  dMass m;
  dMassSetBoxTotal(&m, s.chassis_mass + (1 - d) * s.rider_mass, s.chassis_size[0], s.chassis_size[1],
                   s.chassis_size[2]);
  dBodySetMass(b->chassis, &m);
  dMassSetSphereTotal(&m, d * s.rider_mass, 1);
  dBodySetMass(b->rider, &m);
}

double bike_lean_angle(const bike *b) {
  dVector3 u, f;
  dBodyVectorToWorld(b->chassis, 0, 1, 0, u);
  dBodyVectorToWorld(b->chassis, 0, 0, -1, f);
  double len = std::sqrt(f[0] * f[0] + f[2] * f[2]);
  if (len <= 0) return u[1] < 0 ? M_PI / 2 : 0;  // nose straight up or down
  double hx = -f[2] / len, hz = f[0] / len;
  double c = u[0] * hx + u[2] * hz;
  c = c < -1 ? -1 : c > 1 ? 1 : c;
  return std::acos(c) - M_PI / 2;
}

void rider_low_speed_assists(bike *) {}
void rider_attachment(bike *) {}
void steering_step(bike *) {}
void foot_down_assists(bike *) {}

void foot_down_update(bike *b) {
  double h = TICK_LENGTH;
  float f = b->foot_down;
  if (b->crash_timer > 0 || b->foot_down_rise) f = (float)std::fmin(f + 8 * h, 1.0);
  f = (float)std::fmax(f - 4 * h, 0.0);
  b->foot_down = f;
  b->foot_down_rise = 0;
}
