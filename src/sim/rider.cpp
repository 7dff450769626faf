#include "sim/rider.h"

#include <cmath>

#include "sim/bike.h"
#include "sim/ground_query.h"
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

bool (*line_turn_target_hook)(const bike *b, double out[3]);
bool (*gate_turn_target_hook)(const bike *b, double out[3]);
bool (*turn_on_spot_allowed_hook)(bike *b);

namespace {

constexpr double H = TICK_LENGTH;

double clampd(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }
double signd(double v) { return v < 0 ? -1 : 1; }
double dot3(const dReal *a, const dReal *b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

bool touches(const bike *b, int wheel) { return b->wheels[wheel].depth > 0; }

// Speed limit of the foot-down assists; raised while the bike is immune after
// a crash so that a remounting rider is helped up at any speed.
double dab_speed_limit(const bike *b) {
  double l = b->max_dab_speed;
  return b->bump_timer <= -512 ? std::fmax(l, 75.0) : l;
}

// A one-axis angular motor between the chassis and the world for this step.
void world_motor(bike *b, double ax, double ay, double az, double velocity, double fmax) {
  dJointID j = dJointCreateAMotor(sim.physics_world, sim.contact_group);
  dJointAttach(j, b->chassis, nullptr);
  dJointSetAMotorNumAxes(j, 1);
  dJointSetAMotorAxis(j, 0, 0, ax, ay, az);
  dJointSetAMotorParam(j, dParamVel, velocity);
  dJointSetAMotorParam(j, dParamFMax, fmax);
}

// A two-sided spring between rider and chassis for this step, as a soft
// contact pushing the rider along normal by the error depth.
void rider_spring(bike *b, const dReal *at, const dReal *normal, double depth, double k, double c) {
  dContact contact{};
  contact.surface.mode = dContactSoftERP | dContactSoftCFM;
  contact.surface.mu = 0;
  contact.surface.soft_erp = H * k / (c + H * k);
  contact.surface.soft_cfm = 1 / (c + H * k);
  for (int i = 0; i < 3; i++) {
    contact.geom.pos[i] = at[i];
    contact.geom.normal[i] = normal[i];
  }
  contact.geom.depth = depth;
  dJointID j = dJointCreateContact(sim.physics_world, sim.contact_group, &contact);
  dJointAttach(j, b->rider, b->chassis);
}

bool rider_near_ground(const bike *b) {
  const dReal *p = dBodyGetPosition(b->rider);
  float centre[3] = {(float)p[0], (float)p[1], (float)p[2]};
  ground_contact contact;
  return sphere_ground_query(centre, b->spec.rider_position[1] + 1, &contact);
}

void arcade_steering(bike *b, double lean) {
  double n = clampd((b->roll_damping - 40) * 0.025, 0, 1);
  double target = -b->controls.steer * M_PI / 4;
  double gap = target - lean;
  double rate = (gap > 0 ? 1 : gap < 0 ? -1 : 0) * (1.5 - 0.5 * n) * 16 * std::fmin(std::fabs(gap), 1.0 / 16);
  dVector3 z;
  dBodyVectorToWorld(b->chassis, 0, 0, 1, z);
  world_motor(b, z[0], z[1], z[2], rate, 1000);
  apply_steering_torque(
      b, steer_toward_angle(b, neutral_steer_angle(b) - 0.5 * b->controls.steer) * b->steering_strength);
  // Drag on a point far behind the centre keeps the bike running straight.
  dVector3 w;
  dBodyGetRelPointVel(b->chassis, 0, 0, 20, w);
  dBodyAddForceAtRelPos(b->chassis, -0.25 * w[0], -0.25 * w[1], -0.25 * w[2], 0, 0, 20);
}

void rider_steering(bike *b, double lean) {
  double strength = b->steering_strength, direct = b->direct_steering;
  double d = strength * b->controls.steer * direct;
  double t;
  bool rolling = touches(b, 0) && dJointGetHingeAngleRate(b->front_axle) > M_PI / 4;
  if (!rolling) {
    b->landing_factor = b->land_damping_factor;
    t = -50 * dJointGetHingeAngle(b->steering_head);
  } else {
    double wz = bike_roll_rate(b), speed = bike_speed(b);
    double r = wz * b->roll_damping * b->landing_factor;
    if (b->landing_factor > 1) {
      double fall = b->land_damping_falloff > 0
                        ? (b->land_damping_factor - 1) * H / b->land_damping_falloff
                        : b->landing_factor;
      b->landing_factor = (float)std::fmax(b->landing_factor - fall, 1.0);
    }
    double v = lean * b->leveling;
    if (speed < b->slow_damping_speed) {
      double f = b->slow_damping_factor;
      double scale = f + (speed / b->slow_damping_speed) * (1 - f);
      r *= scale;
      v *= scale;
    }
    if ((wz < 0) == (lean < 0) && std::fabs(lean) > b->roll_limit_angle)
      r *= 1 + (std::fabs(lean) - b->roll_limit_angle) * b->roll_limit_factor;
    t = v + r;
    if (direct < 1) {
      double m = max_target_lean(speed, b->roll_limit_angle, b->max_dab_speed, 4);
      double want = (-b->controls.steer * m - lean) * 2.5;
      bool back_to_upright = lean >= 0 ? want < 0 : want >= 0;
      double cap = back_to_upright ? 25 * M_PI / 8 : 5 * M_PI / 4;
      want = clampd(want, -cap, cap);
      double u = clampd(want - wz, -0.125, 0.125);
      double o = clampd(4 * (wz - want + u), -1, 1);
      d = o * strength + (d - o * strength) * direct;
    }
  }
  double bump = b->bump_timer;
  if (bump > 192)
    t = -t * clampd((bump - 192) / 64, 0, 1);
  else if (bump > 0) {
    double cap = 200 * clampd((192 - bump) / 192, 0, 1);
    t = clampd(t, -cap, cap);
  }
  double limit = b->max_steering_force;
  apply_steering_torque(b, clampd(1.5 * (t + d), -limit, limit));
}

// Turning on the spot towards the turn target. True when the rider lifts the
// bike round and nothing else happens this step.
bool turn_on_spot(bike *b, double speed, double lean) {
  if (!(speed < 5 && std::fabs(lean) > M_PI / 8 && std::fabs(lean) < 7 * M_PI / 20)) return false;
  if (!bike_option(b, OPTION_AUTO_DAB) || b->controls.back_up > 0.125) return false;
  if (!turn_on_spot_allowed_hook || !turn_on_spot_allowed_hook(b)) return false;
  double target[3];
  if (!turn_target(b, target)) return false;
  return bike_turn_toward(b, target);
}

// Helps a leaning bike at low speed back towards upright.
void righting_help(bike *b, double speed, double lean) {
  double wz = bike_roll_rate(b), a = std::fabs(lean);
  double want = lean >= 0 ? -M_PI / 8 : M_PI / 8;
  if (bike_option(b, OPTION_AUTO_DAB) && b->bump_timer < 0) want *= 3;
  if (a < M_PI / 16) want *= a * 16 / M_PI;
  double f = want > 0 && wz < want ? -400 : want < 0 && wz > want ? 400 : 0;
  if (a < M_PI / 32) f *= a * 32 / M_PI;
  double m = max_target_lean(speed, b->roll_limit_angle, b->max_dab_speed, 32);
  double l = clampd((b->controls.steer * (want >= 0 ? -1 : 1) - 0.5) * 2, 0, 1);
  double k = clampd((a - 1.25 * m) / 0.25, 0, 1);
  f *= k + l * (1 - k);
  if (f == 0) return;
  dVector3 up;
  dBodyVectorToWorld(b->chassis, 0, 1, 0, up);
  if (up[1] >= 0.707) {
    dBodyAddForceAtRelPos(b->chassis, 0, std::fabs(f) / 8, 0, 0, 4, 0);
    dBodyAddRelForceAtRelPos(b->chassis, f, 0, 0, 0, 4, 0);
  } else {
    dBodyAddForceAtRelPos(b->chassis, 0, std::fabs(f), 0, 0, 4, 0);
  }
}

}  // namespace

bool bike_turn_toward(bike *b, const double target[3]) {
  const dReal *c = dBodyGetPosition(b->chassis);
  double t[3] = {target[0] - c[0], target[1] - c[1], target[2] - c[2]};
  dVector3 z;
  dBodyVectorToWorld(b->chassis, 0, 0, 1, z);
  double len2 = z[0] * z[0] + z[2] * z[2];
  if (len2 <= 1.0 / 1024) return false;
  double len = std::sqrt(len2), bx = z[0] / len, bz = z[2] / len;
  double p = t[0] * bx + t[2] * bz;
  double s = t[0] * bz - t[2] * bx;
  double rate = b->bump_timer < 0 ? M_PI : M_PI / 2;
  double lift = 320.0 * b->total_mass;
  if (p >= 0 || std::fabs(s) >= -p / 4) {
    world_motor(b, 0, 1, 0, -signd(s) * rate, lift);
    for (int w = 0; w < 2; w++)
      if (touches(b, w)) dBodyAddForce(b->wheels[w].body, 0, 32.0 * b->total_mass, 0);
    return true;
  }
  world_motor(b, 0, 1, 0, -signd(s) * rate, std::fabs(4 * s / p) * lift);
  return false;
}

double bike_roll_rate(const bike *b) {
  const dReal *w = dBodyGetAngularVel(b->chassis);
  dVector3 local;
  dBodyVectorFromWorld(b->chassis, w[0], w[1], w[2], local);
  return local[2];
}

void velocity_servo(dBodyID body, double force, const double target[3]) {
  const dReal *v = dBodyGetLinearVel(body);
  double d[3] = {v[0] - target[0], v[1] - target[1], v[2] - target[2]};
  double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (!(len >= 0.25)) return;
  double s = clampd((len - 0.25) * 0.8, 0, 1) * force / len;
  dBodyAddForce(body, -d[0] * s, 0, -d[2] * s);
}

void apply_steering_torque(bike *b, double tau) {
  const bike_spec &s = b->spec;
  double a[3];
  double len = 0;
  for (int i = 0; i < 3; i++) {
    a[i] = s.fork_upper_position[i] - s.fork_lower_position[i];
    len += a[i] * a[i];
  }
  len = std::sqrt(len);
  if (!(len > 0)) return;
  dVector3 w;
  dBodyVectorToWorld(b->chassis, a[0] / len, a[1] / len, a[2] / len, w);
  dBodyAddTorque(b->front_wheel, tau * w[0], tau * w[1], tau * w[2]);
  dBodyAddTorque(b->chassis, -tau * w[0], -tau * w[1], -tau * w[2]);
}

double neutral_steer_angle(const bike *b) {
  const bike_spec &s = b->spec;
  double a[3], len = 0;
  for (int i = 0; i < 3; i++) {
    a[i] = s.fork_upper_position[i] - s.fork_lower_position[i];
    len += a[i] * a[i];
  }
  len = std::sqrt(len);
  if (!(len > 0)) return 0;
  const dReal *v = dBodyGetLinearVel(b->front_wheel);
  dVector3 u;
  dBodyVectorFromWorld(b->fork_upper, v[0], v[1], v[2], u);
  double g = (u[2] * a[1] - u[1] * a[2]) / len, x = u[0];
  if (g * g + x * x <= 1) return 0;
  return -std::atan2(x, -g);
}

double steer_toward_angle(const bike *b, double target) {
  double angle = dJointGetHingeAngle(b->steering_head), rate = dJointGetHingeAngleRate(b->steering_head);
  double c = target - angle, d;
  if (c < -0.25) {
    d = -1.75 - rate;
  } else {
    c = std::fmin(c, 0.25);
    d = std::fabs(c) > 1.0 / 32 ? 8 * (c - signd(c) / 32) - rate : -rate;
  }
  double shrink = 1.0 / 2400;
  d = d > shrink ? d - shrink : d < -shrink ? d + shrink : 0;
  return clampd(0.5 * d, -2.0 / 3, 2.0 / 3);
}

double max_target_lean(double speed, double a, double m, int exponent) {
  if (!(speed > 0)) return 0;
  if (speed >= m) return 2 * M_PI;
  if (speed <= 15) {
    double q = 1 - (speed / m) * (speed / m);
    return a * (1 - std::pow(q, exponent));
  }
  return a + clampd((speed * speed - 225) / (m * m - 225), 0, 1) * (2 * M_PI - a);
}

bool turn_target(const bike *b, double out[3]) {
  if (line_turn_target_hook && line_turn_target_hook(b, out)) return true;
  return gate_turn_target_hook && gate_turn_target_hook(b, out);
}

void rider_low_speed_assists(bike *b) {
  bike_controls &c = b->controls;
  bool crashed = b->crash_timer > 0;
  double speed = bike_speed(b);
  if (c.back_up > 0 && speed < 5) {
    c.dab = crashed ? 0 : 1;
    double k = positive_mod(sim.sim_tick, 128);
    double pace = 2 * (1 + std::sin(2 * M_PI * k / 127));
    dVector3 z;
    dBodyVectorToWorld(b->chassis, 0, 0, 1, z);
    double target[3] = {z[0] * pace, z[1] * pace, z[2] * pace};
    velocity_servo(b->chassis, 2000, target);
    world_motor(b, 0, 1, 0, -c.steer * M_PI / 4, 2000);
    return;
  }
  if (!bike_option(b, OPTION_AUTO_DAB) || speed > dab_speed_limit(b)) return;
  // Riding on under power the foot only goes down once the bike leans well over.
  if (c.throttle != 0 && c.clutch != 0 && speed >= 5 && !(std::fabs(bike_lean_angle(b)) > M_PI / 16)) return;
  c.dab = crashed ? 0 : (float)clampd(std::fmax((double)c.dab, 1 - speed / dab_speed_limit(b)), 0, 1);
  if (speed < 5 && (c.throttle == 0 || c.clutch == 0) && touches(b, 0) && touches(b, 1)) {
    c.front_brake = c.rear_brake = 1;
    static const double still[3] = {0, 0, 0};
    velocity_servo(b->chassis, 1000, still);
  }
}

void rider_attachment(bike *b) {
  const bike_spec &s = b->spec;
  dVector3 p, y, z;
  dBodyGetRelPointPos(b->chassis, s.rider_position[0] - s.chassis_position[0],
                      s.rider_position[1] - s.chassis_position[1], s.rider_position[2] - s.chassis_position[2], p);
  dBodyVectorToWorld(b->chassis, 0, 1, 0, y);
  dBodyVectorToWorld(b->chassis, 0, 0, 1, z);
  const dReal *r = dBodyGetPosition(b->rider);
  dVector3 gap = {p[0] - r[0], p[1] - r[1], p[2] - r[2], 0};
  double dy = dot3(gap, y), dz = dot3(gap, z);
  double dab = b->controls.dab;

  double target = clampd(dy * (0.5 + 0.5 * dab) - b->controls.lean, -0.75, 0.75);
  double e = dz - target;
  double k = 600 * b->rider_zspring + 100 * std::fabs(e), c = 0;
  if (std::fabs(dz) > 0.75) k = c = 2500;
  if (k > 0) {
    dVector3 n = {z[0], z[1], z[2], 0};
    if (e < 0) n[0] = -n[0], n[1] = -n[1], n[2] = -n[2];
    rider_spring(b, r, n, std::fabs(e), k, c);
  }

  // Standing 1/8 ft above the rest point; sitting down 3/8 ft below it.
  e = dy + 0.125 - dab / 2;
  k = 400 * b->rider_yspring;
  c = 100 * b->rider_ydamping;
  if (dy > 0.5 || dy < -0.75) k = c = 2500;
  if (k + c > 0) {
    dVector3 n = {y[0], y[1], y[2], 0};
    if (e < 0) n[0] = -n[0], n[1] = -n[1], n[2] = -n[2];
    rider_spring(b, r, n, std::fabs(e), k, c);
  }

  dJointSetHinge2Param(b->rider_mount, dParamSuspensionERP, 0);
  dJointSetHinge2Param(b->rider_mount, dParamSuspensionCFM, 1 / (30 * b->rider_zdamping + 5));
}

void steering_step(bike *b) {
  double lean = bike_lean_angle(b);
  if (bike_option(b, OPTION_ARCADE))
    arcade_steering(b, lean);
  else if (b->crash_timer <= 0)
    rider_steering(b, lean);
}

void foot_down_assists(bike *b) {
  if (b->crash_timer > 0 || b->controls.dab == 0) return;
  if (!touches(b, 0) && !rider_near_ground(b)) return;
  double speed = bike_speed(b), lean = bike_lean_angle(b);
  if (speed > dab_speed_limit(b)) return;
  if (!(speed <= 15 || (touches(b, 0) && touches(b, 1) && std::fabs(lean) >= 3 * M_PI / 16))) return;
  b->foot_down_rise = 1;
  if (bike_option(b, OPTION_ARCADE) || b->bump_timer > 0) return;
  if (turn_on_spot(b, speed, lean)) return;
  righting_help(b, speed, lean);
}

void foot_down_update(bike *b) {
  double h = TICK_LENGTH;
  float f = b->foot_down;
  if (b->crash_timer > 0 || b->foot_down_rise) f = (float)std::fmin(f + 8 * h, 1.0);
  f = (float)std::fmax(f - 4 * h, 0.0);
  b->foot_down = f;
  b->foot_down_rise = 0;
}
