#include "robot/autopilot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/game_tick.h"
#include "race/timing.h"
#include "robot/path.h"
#include "robot/roster.h"
#include "sim/bike.h"
#include "sim/contact.h"
#include "sim/drivetrain.h"
#include "sim/rider.h"
#include "sim/world.h"
#include "track/heightfield.h"
#include "track/surface.h"

robot_state robot_states[40];

namespace {

constexpr double G = 32;
constexpr double H = 1.0 / 128;
constexpr double PI = 3.14159265358979323846;
constexpr double ANTICIPATED_BRAKING = 16;  // ft/s^2, well inside what the tyres give

double clampd(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }
double clamp01(double v) { return clampd(v, 0, 1); }

// The chassis frame in the ground plane: forward (-z of the body) and right (+x).
struct bike_frame {
  double pos[3], vel[3], fwd[3], right[3], up[3];
  double speed;
};

bike_frame frame_of(const bike *b) {
  bike_frame f;
  const dReal *p = dBodyGetPosition(b->chassis), *v = dBodyGetLinearVel(b->chassis);
  dVector3 fw, rt, up;
  dBodyVectorToWorld(b->chassis, 0, 0, -1, fw);
  dBodyVectorToWorld(b->chassis, 1, 0, 0, rt);
  dBodyVectorToWorld(b->chassis, 0, 1, 0, up);
  for (int i = 0; i < 3; i++) f.pos[i] = p[i], f.vel[i] = v[i], f.fwd[i] = fw[i], f.right[i] = rt[i], f.up[i] = up[i];
  f.speed = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  return f;
}

// Forward and lateral (right positive) offsets of a ground point from the bike.
void offsets(const bike_frame &f, double x, double z, double *forward, double *lateral) {
  double dx = x - f.pos[0], dz = z - f.pos[2];
  double fx = f.fwd[0], fz = f.fwd[2], len = std::hypot(fx, fz);
  if (len <= 1e-9) fx = 0, fz = -1, len = 1;
  fx /= len, fz /= len;
  *forward = dx * fx + dz * fz;
  *lateral = dx * -fz + dz * fx;  // right of (fx, fz) is (-fz, fx)
}

double now_seconds() { return sim.sim_tick * H; }
double drop_seconds() { return race_start_tick * H; }

// The path's speed at the point nearest the bike.
double path_speed_near(const robot_state &r, const bike_frame &f) {
  return std::fabs(robot_path_at(&r, robot_path_locate(&r, f.pos[0], f.pos[2])).speed);
}

void set_gear_for_start(bike *b) {
  bike_set_option(b, OPTION_AUTO_SHIFT, false);
  int g = b->spec.gear_ratios[1] > 0 ? 1 : 0;
  if (b->gear != g) bike_set_gear(b, g);
}

void hold(bike *b) {
  bike_set_dab(b, 1);
  bike_set_clutch(b, 0);
  bike_set_front_brake(b, 1);
  bike_set_rear_brake(b, 1);
  bike_set_steer(b, 0);
  set_gear_for_start(b);
}

void stand_still(bike *b) {
  bike_set_throttle(b, 0);
  bike_set_clutch(b, 0);
  bike_set_front_brake(b, 1);
  bike_set_rear_brake(b, 1);
  bike_set_steer(b, 0);
  bike_set_dab(b, 1);
}

// The start gate: blips while waiting, revs up for the drop, reacts with the
// personality's delay, then lets the clutch out over a quarter second.
// Returns false once the launch is over and the robot should ride.
bool start_procedure(robot_state &r, bike *b, const bike_frame &f) {
  const double now = now_seconds(), drop = drop_seconds();
  if (now >= drop + 5 || r.launched) return false;
  if (r.start_timer == 0) r.start_timer = (float)(2 * robot_uniform());
  if (r.start_timer == 0) r.start_timer = 1.0f / 1024;
  const personality *p = personality_at(r.personality);
  if (now < 5) {
    hold(b);
    if (r.start_timer > 0) {
      bike_set_throttle(b, 0);
      if (now >= r.start_timer) r.start_timer = (float)-(now + 0.25 + 0.5 * robot_uniform());
    } else {
      bike_set_throttle(b, 1);
      if (now >= -r.start_timer) r.start_timer = (float)std::fmin(now + 2 + 0.5 * robot_uniform(), 5.0);
    }
    return true;
  }
  if (r.start_timer <= 5) r.start_timer = (float)(5 + 0.125 + 0.375 * robot_uniform());
  if (now < r.start_timer) {
    hold(b);
    bike_set_throttle(b, r.start_timer > drop ? 1 : 0);
    return true;
  }
  if (r.start_timer < drop) {
    r.start_timer = (float)(drop + p->reaction_min + (p->reaction_max - p->reaction_min) * robot_uniform());
    hold(b);
    bike_set_throttle(b, 1);
    return true;
  }
  const double x = now - r.start_timer;
  const double clutch = clamp01(4 * x);
  // Once the clutch is home and the bike is up to its path's speed the path
  // takes over: two seconds of full throttle without steering would carry
  // the bike far too fast into a line that bends or slows down before then.
  if (x >= 2 || (clutch >= 1 && f.speed >= path_speed_near(r, f))) {
    r.launched = true;
    return false;
  }
  bike_set_clutch(b, (float)clutch);
  if (clutch >= 0.75)
    bike_set_option(b, OPTION_AUTO_SHIFT, true);
  else
    set_gear_for_start(b);
  bike_set_throttle(b, 1);
  bike_set_dab(b, (float)(1 - clutch));
  bike_set_front_brake(b, 0);
  bike_set_rear_brake(b, 0);
  bike_set_steer(b, 0);
  return true;
}

// Step 1: the next path point counts as reached when the bike is near it and
// level with it or past it along the path.
void progress(robot_state &r, const bike_frame &f) {
  if (r.path_index >= r.path_count) return;
  const line_point &p = r.path[r.path_index];
  const double dx = p.x - f.pos[0], dz = p.z - f.pos[2], d = std::hypot(dx, dz);
  const double reach = r.mode == 3 ? 30 : 60;
  if (d > reach) return;
  if (d > 4 && r.path_index > 0) {
    const line_point &q = r.path[r.path_index - 1];
    double sx = p.x - q.x, sz = p.z - q.z;
    if (sx * sx + sz * sz > 1 && sx * dx + sz * dz > 0) return;  // still ahead
  }
  r.path_index++;
  r.last_progress = sim.sim_tick;
  if (r.mode > 0) r.mode--;
  if (r.path_index >= r.path_count) r.path_count = r.path_index = 0;
}

int rule_for(const robot_state &r, int slot) {
  const personality *p = personality_at(r.personality);
  if (!p) return 0;
  const race_timing_state &t = race_timing;
  if (t.standings_count >= 2 && t.standings[0].slot == slot) {
    int32_t k = t.standings[0].gates_passed - 1;
    int32_t mine = crossing_tick(slot, k);
    int32_t theirs = crossing_tick(t.standings[1].slot, k);
    if (k >= 0 && mine >= 0) {
      int32_t gap = theirs >= 0 ? theirs - mine : sim.sim_tick - mine;
      if (gap * H > p->lead_threshold) return p->leading_rule;
    }
  }
  return p->rule;
}

// Step 2: chain the next section's line onto the path.
void extend_path(robot_state &r, int slot, const bike_frame &f) {
  if (r.path_count - r.path_index > 10) return;
  if (race_timing.bikes[slot].finished) return;
  const int rule = rule_for(r, slot);
  const int32_t group = line_group_of_section(r.next_section);
  const int32_t chosen = robot_choose_line(&r, rule, sim.sim_tick, now_seconds() - drop_seconds(), f.pos[0], f.pos[2]);
  if (chosen < 0) return;
  const riding_line *l = line_slot(group, chosen);
  const bool first = r.next_section == 0;
  r.followed[r.next_section & 3] = l->line_id;
  r.next_section++;
  robot_path_trim(&r, 30);
  robot_path_append(&r, l->points, l->n);
  if (first) {
    int32_t i = 0;
    while (i < r.path_count - 1 && std::hypot(r.path[i].x - r.path[0].x, r.path[i].z - r.path[0].z) <= 10) i++;
    r.path_index = i;
    r.last_progress = 3840;
  }
}

double front_slip(const bike *b) {
  const float *v = b->wheels[0].velocity;
  return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

double pitch_rate(const bike *b) {
  const dReal *w = dBodyGetAngularVel(b->chassis);
  dVector3 local;
  dBodyVectorFromWorld(b->chassis, w[0], w[1], w[2], local);
  return local[0];
}

float ground_friction(double x, double z) {
  const surface_type *s = surface_type_at((float)x, (float)z);
  return s ? s->friction_curve[0].coefficient : 1.0f;
}

// Camber of the ground across the bike under the front wheel, as a lean
// angle (positive when the ground rises to the bike's right, so that its
// normal leans to the left like a bike leaning left). Taken from the terrain
// itself: the wheel's contact normal tilts with the tyre and would follow the
// bike's own lean.
double ground_camber(const bike *b, const bike_frame &f) {
  double rx = f.right[0], rz = f.right[2], len = std::hypot(rx, rz);
  if (len <= 1e-6) return 0;
  rx /= len, rz /= len;
  const dReal *w = dBodyGetPosition(b->front_wheel);
  const double x = w[0], z = w[2], d = 1.5;
  const double up_right = height_at((float)(x + rx * d), (float)(z + rz * d));
  const double up_left = height_at((float)(x - rx * d), (float)(z - rz * d));
  return std::atan2(up_right - up_left, 2 * d);
}

// Holding the current lean: the bars follow the front wheel's own direction.
double holding_steer(const bike *b) { return steer_toward_angle(b, neutral_steer_angle(b)); }

// The footprint of a bike on the ground, for deciding who is in whose way.
struct footprint {
  double corner[4][2];
  double dir[2], pos[2], speed;
};

footprint footprint_of(const bike *b) {
  footprint fp;
  const dReal *p = dBodyGetPosition(b->chassis), *v = dBodyGetLinearVel(b->chassis);
  double len = std::hypot(v[0], v[2]);
  fp.speed = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  fp.dir[0] = len > 1e-6 ? v[0] / len : 1, fp.dir[1] = len > 1e-6 ? v[2] / len : 0;
  fp.pos[0] = p[0], fp.pos[1] = p[2];
  const double lx = -fp.dir[1], lz = fp.dir[0], ahead = 4 + fp.speed, behind = -4;
  const double lat[4] = {-2, -2, 2, 2}, lon[4] = {ahead, behind, behind, ahead};
  for (int i = 0; i < 4; i++) {
    fp.corner[i][0] = fp.pos[0] + lat[i] * lx + lon[i] * fp.dir[0];
    fp.corner[i][1] = fp.pos[1] + lat[i] * lz + lon[i] * fp.dir[1];
  }
  return fp;
}

bool side(const double *a, const double *b, const double *c) {
  return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]) >= 0;
}

bool edges_cross(const footprint &a, const footprint &b, int k) {
  const double *p = a.corner[k], *q = a.corner[(k + 1) & 3], *r = b.corner[k], *s = b.corner[(k + 1) & 3];
  return side(p, q, r) != side(p, q, s) && side(r, s, p) != side(r, s, q);
}

// The nearest bike ahead whose footprint overlaps ours; -1 when none.
int find_obstacle(int slot, const footprint &me, double *distance, double *closing) {
  int best = -1;
  double best_d = 1e300;
  for (int s = 0; s < BIKE_SLOT_COUNT; s++) {
    bike *o = s == slot ? nullptr : bike_slot_bike(s);
    if (!o) continue;
    footprint other = footprint_of(o);
    bool crossing = false;
    for (int k = 0; k < 4 && !crossing; k++) crossing = edges_cross(me, other, k);
    if (!crossing) continue;
    double sx = other.pos[0] - me.pos[0], sz = other.pos[1] - me.pos[1];
    if (sx * (me.dir[0] + other.dir[0]) + sz * (me.dir[1] + other.dir[1]) <= 0) continue;
    double d = std::hypot(sx, sz);
    if (d < best_d) {
      best_d = d, best = s;
      // The other's speed along our direction of travel.
      const dReal *v = dBodyGetLinearVel(o->chassis);
      *closing = v[0] * me.dir[0] + v[2] * me.dir[1];
    }
  }
  *distance = best_d;
  return best;
}

// Step 5: ride the path.
void follow(robot_state &r, int slot, bike *b, const bike_frame &f) {
  const double now = now_seconds();
  if ((sim.sim_tick - r.last_progress) * H > 3) {
    r.mode = 3;
    return;
  }
  const double v = f.speed, theta = bike_lean_angle(b);
  const double at = robot_path_locate(&r, f.pos[0], f.pos[2]);
  double target = std::fabs(robot_path_at(&r, at).speed);
  // Brake for what is coming rather than for where the bike is: no faster
  // than a steady deceleration allows to reach each of the next points' speed.
  {
    double dist = 0;
    line_point prev = robot_path_at(&r, at);
    for (int32_t i = (int32_t)at + 1; i < r.path_count && i <= (int32_t)at + 12; i++) {
      const line_point &q = r.path[i];
      dist += std::hypot(q.x - prev.x, q.z - prev.z);
      prev = q;
      target = std::fmin(target, std::sqrt(q.speed * q.speed + 2 * ANTICIPATED_BRAKING * dist));
    }
  }

  // Jumps ahead: two consecutive airborne points.
  double jump_time = 1000000;
  int32_t jump_index = -1;
  for (int32_t i = (int32_t)at; i + 1 < r.path_count && i < (int32_t)at + 20; i++)
    if (r.path[i].speed < 0 && r.path[i + 1].speed < 0) {
      double d = std::hypot(r.path[i].x - f.pos[0], r.path[i].z - f.pos[2]);
      jump_index = i;
      jump_time = (i - at) * 0.25 + (v > 1 ? d / v : 1000);
      break;
    }

  // Other bikes in the way.
  footprint me = footprint_of(b);
  double obstacle_d, obstacle_speed = 0;
  bool braking_for_obstacle = false;
  double obstacle_limit = 1e300;
  if (find_obstacle(slot, me, &obstacle_d, &obstacle_speed) >= 0) {
    double t = clampd(now - drop_seconds(), 0, 100);
    double a = clamp01((t - 3) / 2) * clamp01((120 - t) / 100);
    double D = 12 + 8 * a;
    double toward = std::fmax(obstacle_speed, 0);
    if (obstacle_d < D) {
      obstacle_limit = (1 - a / 4) * toward;
    } else {
      // Close the gap with at most 5 ft/s^2 of deceleration.
      obstacle_limit = std::sqrt(toward * toward + 2 * 5 * (obstacle_d - D));
      braking_for_obstacle = obstacle_limit < target;
    }
  }
  if (braking_for_obstacle) memset(r.followed, 0, sizeof r.followed);

  // Aim point.
  double gain = 1, ahead = 4;
  if (race_timing.bikes[slot].gates_passed > 0) {
    int n = 0;
    for (int32_t i = r.path_index; i < r.path_index + 7 && i < r.path_count; i++) {
      double fo, la;
      offsets(f, r.path[i].x, r.path[i].z, &fo, &la);
      if (fo < 0 && std::fabs(la) <= -fo / 8) n++;
    }
    gain = clamp01((20.0 - n) / 17);
  }
  // The aim stays a second ahead: the lean answers the steering with a lag,
  // and a nearer aim point makes the bike weave until it falls.
  line_point aim = robot_path_at(&r, at + ahead);
  if (jump_index >= 0 && jump_time < 2) {
    double blend = clamp01((2 - jump_time) * 2);
    line_point beyond = robot_path_at(&r, jump_index + 3.0);
    line_point here = robot_path_at(&r, at);
    double ox = f.pos[0] - here.x, oz = f.pos[2] - here.z;
    aim.x = (float)(aim.x + (beyond.x + ox - aim.x) * blend);
    aim.z = (float)(aim.z + (beyond.z + oz - aim.z) * blend);
  }

  // Needed turn and lean.
  double fo, la;
  offsets(f, aim.x, aim.z, &fo, &la);
  double R;
  if (fo <= 0)
    R = la < 0 ? 10 : -10;
  else {
    double left = -la;
    R = std::fabs(left) < 1e-6 ? 1e6 : (fo * fo + left * left) / (2 * left);
  }
  double load = 0;
  for (int w = 0; w < 2; w++)
    if (wheel_touches(b, w)) load += std::fabs(b->wheels[w].feedback.f1[1]);
  const double n_load = b->total_mass > 0 ? load / (G * b->total_mass) : 1;
  const double k = std::fmax(1, n_load - 1);
  double desired = std::atan(v * v / (G * k * R));
  double max_rate = PI / k;

  // Friction and camber.
  double mu = ground_friction(b->wheels[0].point[0], b->wheels[0].point[2]);
  for (int i = 0; i <= 4; i++) {
    line_point q = robot_path_at(&r, at + ahead - i);
    mu = std::fmin(mu, ground_friction(q.x, q.z));
  }
  const double camber = ground_camber(b, f), allowed = std::fmin(std::atan(mu), 1.1780972);
  if (std::fabs(desired - camber) > allowed) {
    desired = camber + (desired > camber ? allowed : -allowed);
    target = std::fmin(target, std::sqrt(std::tan(std::fabs(desired)) * k * std::fabs(R) * G));
    r.last_limit_tick = sim.sim_tick;
  }

  // Traction and low speed.
  double fac = wheel_touches(b, 0) ? clamp01((16 - front_slip(b)) / 16) : 1;
  if (v < 10) {
    double m = clamp01((v - 7.5) / 2.5);
    fac = 1 + (fac - 1) * m;
    desired *= m;
  }
  if (jump_time < 3) {
    double blend = clamp01((3 - jump_time) / 2);
    fac += (1 - fac) * blend;
    double launch = std::fmax(v, std::fabs(r.path[jump_index].speed) + 2);
    target += (launch - target) * blend;
    double cap = PI / 2 - 1.3744469 * blend;
    desired = clampd(desired, -cap, cap);
    max_rate += (PI / 8 - max_rate) * clamp01((3 - jump_time) / 3);
  }

  // Steering by lean rate.
  const double wz = bike_roll_rate(b);
  double command = (desired - theta) * 4 * gain;
  double limit = max_rate * gain;
  if ((command > 0) != (theta > 0)) limit *= 2;
  command = clampd(command, -limit, limit);
  double u = clampd(command - wz, -0.125, 0.125);
  double steer = (wz - (command - u)) * 4;
  double hold_steer = holding_steer(b);
  if (!wheel_touches(b, 0))
    steer = hold_steer;
  else {
    // Near standstill the bars just follow the wheel.
    double mix = clamp01((4 - v) / 4);
    steer += (hold_steer - steer) * mix;
  }
  bike_set_steer(b, (float)clampd(steer, -1, 1));
  bike_set_dab(b, 0);

  target = std::fmin(target, obstacle_limit);
  speed_control(b, v, target);
  double throttle = b->controls.throttle * fac;
  const double step = 1.0 / 32;
  if ((sim.sim_tick - r.last_limit_tick) * H < 0.125)
    throttle = std::fmin(throttle, r.throttle_memory + step);
  else
    throttle = std::fmax(throttle, r.throttle_memory - step);
  bike_set_throttle(b, (float)throttle);
  r.throttle_memory = b->controls.throttle;
}

// Step 7: back to the path after a crash or a miss.
void recover(robot_state &r, bike *b, const bike_frame &f) {
  const int32_t now = sim.sim_tick;
  if ((now - r.last_progress) * H > 40 && r.path_count > 0) {
    // Start again from the path where the bike is, a few points on for
    // variety: a point picked anywhere on the path can lie hundreds of feet
    // away, behind, with the field riding at the bike.
    int32_t nearest = 0;
    double best = 1e300;
    for (int32_t i = 0; i < r.path_count; i++) {
      double d = std::hypot(r.path[i].x - f.pos[0], r.path[i].z - f.pos[2]);
      if (d < best) best = d, nearest = i;
    }
    r.path_index = std::min(nearest + 1 + (now & 3), r.path_count - 1);
    r.last_progress = now;
  }
  if (r.path_index >= r.path_count) return;
  const line_point &p = r.path[r.path_index];
  double fo, la;
  offsets(f, p.x, p.z, &fo, &la);
  const double idle = (now - r.last_progress) * H;
  if (idle <= 19) {
    const double v = f.speed;
    // Wedged against a bale or another bike: full throttle moves nothing, so
    // walk the bike back a few feet, swinging its nose towards the point.
    if (now < r.back_up_until) {
      bike_set_back_up(b, 1);
      bike_set_steer(b, (float)(fo > 0 ? clampd(2 * la / fo, -1, 1) : la > 0 ? 1 : -1));
      bike_set_dab(b, 1);
      bike_set_throttle(b, 0);
      bike_set_front_brake(b, 0);
      bike_set_rear_brake(b, 0);
      return;
    }
    // Too slow to turn by leaning and the point well off to the side or
    // behind: the rider walks the bike round first. (Beside a point a few
    // feet off, the bike simply rides on past it.)
    const bool crashed = b->crash_timer > 0;
    const bool well_off = fo < std::fabs(la) && fo * fo + la * la > 100;
    const bool walk_round = v < 5 && !crashed && well_off && std::fabs(bike_lean_angle(b)) < 7 * PI / 20;
    // Standing still while recovering means stuck, whatever the throttle
    // does (with a wheel up on another bike the in-air rule closes it),
    // unless the bike is being turned round where it stands.
    const bool turning = std::fabs(dBodyGetAngularVel(b->chassis)[1]) > 0.2;
    r.stall_ticks = v < 1 && !crashed && !(walk_round && turning) ? r.stall_ticks + 1 : 0;
    if (r.stall_ticks >= 256) {
      r.stall_ticks = 0;
      r.back_up_until = now + 192;
    }
    if (walk_round) {
      const double target[3] = {p.x, p.y, p.z};
      bike_turn_toward(b, target);
      r.mode = 3;
      bike_set_steer(b, 0);
      bike_set_dab(b, 1);
      bike_set_throttle(b, 0);
      bike_set_front_brake(b, 0);
      bike_set_rear_brake(b, 0);
      return;
    }
    double limit = v < 10 ? 1.0 / 6 : v < 20 ? 1.0 / 6 + (v - 10) / 10 * (0.5 - 1.0 / 6) : 0.5;
    double desired = fo > std::fabs(la) ? 0.5 * la / fo : (la > 0 ? limit : -limit);
    desired = clampd(desired, -limit, limit);
    bool jump_near = false;
    for (int32_t i = r.path_index; i < r.path_index + 8 && i + 1 < r.path_count; i++)
      if (r.path[i].speed < 0 && r.path[i + 1].speed < 0) jump_near = true;
    if (4 * std::fabs(la) > fo || jump_near) r.mode = 3;
    // A point to the right (positive lateral) wants a lean to the right, which is negative.
    const double theta = bike_lean_angle(b), wz = bike_roll_rate(b);
    bike_set_steer(b, (float)clampd(2 * (wz - clampd((-desired - theta) * 4, -4, 4)), -1, 1));
    bike_set_dab(b, 1);
    // Slow down for a point well off to the side, so that the walk round
    // above takes over instead of circling it.
    speed_control(b, v, well_off ? 3.0 : std::fmin(std::fabs(p.speed), 15.0));
    return;
  }
  // Long stuck: drag the front wheel towards the path.
  const dReal *w = dBodyGetPosition(b->front_wheel);
  double dx = p.x - w[0], dz = p.z - w[2], len = std::hypot(dx, dz);
  if (len > 1e-6) dBodyAddForce(b->front_wheel, 5 * dx / len, 0, 5 * dz / len);
  double angle = dJointGetHingeAngle(b->steering_head), rate = dJointGetHingeAngleRate(b->steering_head);
  bike_set_steer(b, (float)clampd(-(angle + rate) * 0.25, -1, 1));
  bike_set_dab(b, 1);
  bike_set_throttle(b, 0);
  bike_set_clutch(b, 0);
  bike_set_front_brake(b, 0);
  bike_set_rear_brake(b, 0);
}

}  // namespace

void speed_control(bike *b, double v, double t) {
  if (!wheel_touches(b, 1)) {
    bike_set_front_brake(b, 0);
    bike_set_rear_brake(b, 0);
    bike_set_clutch(b, 1);
    const double q = pitch_rate(b);
    const double fy = dBodyGetPosition(b->front_wheel)[1], ry = dBodyGetPosition(b->rear_wheel)[1];
    if ((fy > ry || q >= 0) && q >= -PI / 4) {
      bike_set_throttle(b, 0);
      if (fy > ry + 1 && q >= -PI / 8) {
        bike_set_clutch(b, 0);
        bike_set_rear_brake(b, 1);
      } else {
        bike_set_clutch(b, 0.125f);
      }
    } else {
      bike_set_throttle(b, 1);
      bike_set_clutch(b, 0.125f);
    }
    return;
  }
  if (v < t - 1) {
    bike_set_throttle(b, 1);
    bike_set_front_brake(b, 0);
    bike_set_rear_brake(b, 0);
  } else if (v < t) {
    bike_set_throttle(b, (float)(t - v));
    bike_set_front_brake(b, 0);
    bike_set_rear_brake(b, 0);
  } else {
    bike_set_throttle(b, 0);
    float brake = (float)clamp01(v - t);
    bike_set_front_brake(b, brake);
    // A locked rear wheel in a lean slides the tail out: ease it off with lean.
    bike_set_rear_brake(b, brake * (float)clampd(1 - 1.5 * std::fabs(bike_lean_angle(b)), 0.25, 1));
  }
  if (b->gear >= 1)
    bike_set_clutch(b, 1);
  else
    bike_set_clutch(b, (float)clamp01((bike_engine_rpm(b) - (b->spec.downshift_rpm - 1000)) / 1000));
}

void autopilot_reset(int slot, int personality) {
  if (slot < 0 || slot >= 40) return;
  robot_state &r = robot_states[slot];
  free(r.path);
  r = robot_state{};
  r.personality = personality;
  r.last_limit_tick = -1000000;
}

void autopilot_set_name(int slot, const char *name) {
  if (slot < 0 || slot >= 40) return;
  robot_states[slot].personality = personality_find(name);
}

void autopilot_clear_all() {
  for (int s = 0; s < 40; s++) autopilot_reset(s, 0);
}

void autopilot_step(int slot) {
  bike *b = bike_slot_bike(slot);
  if (!b || slot < 0 || slot >= 40) return;
  robot_state &r = robot_states[slot];
  if (r.personality <= 0) r.personality = PERSONALITY_VASK;
  const bike_frame f = frame_of(b);
  progress(r, f);
  extend_path(r, slot, f);
  if (r.path_index >= r.path_count) {
    stand_still(b);
    return;
  }
  if (start_procedure(r, b, f)) return;
  bike_set_option(b, OPTION_AUTO_SHIFT, true);
  bike_set_back_up(b, 0);
  if (r.mode == 0)
    follow(r, slot, b, f);
  else
    recover(r, b, f);
}
