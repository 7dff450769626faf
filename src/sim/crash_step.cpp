// The per-step crash work: the crash tests while riding, then, while crashed,
// the ropes that tie the tumbling rider to the bars, the recovery ropes, the
// foot stepping back on, the remount, and the two foot particles.
#include <cmath>
#include <cstring>

#include "sim/assembly.h"
#include "sim/bike.h"
#include "sim/collisions.h"
#include "sim/crash.h"
#include "sim/ground.h"
#include "sim/rider.h"
#include "sim/world.h"

namespace {

constexpr double THROWN_OFF_SPEED2 = 961;      // (31 ft/s)^2
constexpr double HARD_IMPACT_ACCEL2 = 1893376;  // (1376 ft/s^2)^2
constexpr double RESTING_SPEED2 = 4;            // (2 ft/s)^2
constexpr float ARM_REACH = 0.875f * (0.9f + 1.15f);
constexpr float HIP_ROPE_LENGTH = 8, RECOVERY_ROPE_LENGTH = 5;
constexpr int32_t FOOT_STEP_TIMER = 319;
constexpr float LEG_LENGTH = 1.328f + 1.701f;
constexpr float FOOT_CLEARANCE = 0.25f, FOOT_DRAG = 0.9375f;

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void rel_point(dBodyID body, const float local[3], double out[3]) {
  dVector3 w;
  dBodyGetRelPointPos(body, local[0], local[1], local[2], w);
  for (int k = 0; k < 3; k++) out[k] = w[k];
}

void point_vel(dBodyID body, const double p[3], double out[3]) {
  dVector3 v;
  dBodyGetPointVel(body, p[0], p[1], p[2], v);
  for (int k = 0; k < 3; k++) out[k] = v[k];
}

// The rider's rest point in chassis coordinates.
void rest_offset(const bike *b, float out[3]) {
  for (int k = 0; k < 3; k++) out[k] = b->spec.rider_position[k] - b->spec.chassis_position[k];
}

void tie_rider(bike *b) {
  const bike_spec &s = b->spec;
  for (int side = 0; side < 2; side++) rope(b->rider, s.hand_points[side], b->fork_upper, s.grip_points[side], ARM_REACH);
  if (b->crash_timer == CRASH_TIMER_START) {
    const float hip[3] = {0, s.hip_points[0][1], s.hip_points[0][2]};
    const float ahead[3] = {0, s.grip_points[0][1], s.grip_points[0][2] + 10};
    rope(b->rider, hip, b->fork_upper, ahead, HIP_ROPE_LENGTH);
  }
  // The tumbling rider must not pass through his own bike.
  part_pose rider = pose_of_body(b->rider);
  shape_vs_shape(b->shapes[SHAPE_RIDER], rider, b->shapes[SHAPE_CHASSIS], pose_of_body(b->chassis), false);
  shape_vs_shape(b->shapes[SHAPE_RIDER], rider, b->shapes[SHAPE_FORK_UPPER], pose_of_body(b->fork_upper), false);
}

void pull_back(bike *b) {
  double f = (b->crash_timer - 128) / 384.0;
  float length = (float)(RECOVERY_ROPE_LENGTH * (f < 0 ? 0 : f > 1 ? 1 : f));
  float r[3];
  rest_offset(b, r);
  static const float offsets[3][3] = {{0, 0, 0}, {-5, 10, 0}, {5, 10, 0}};
  for (const float *o : offsets) {
    const float on_chassis[3] = {r[0] + o[0], r[1] + o[1], r[2] + o[2]};
    rope(b->chassis, on_chassis, b->rider, o, length);
  }
  if (b->crash_timer > FOOT_STEP_TIMER) return;
  int side = bike_lean_angle(b) < 0 ? 0 : 1;
  const float *peg = b->spec.peg_points[side];
  const float above[3] = {peg[0], peg[1] + 3, peg[2] + 1};
  double target[3];
  rel_point(b->chassis, above, target);
  float *pos = side == 0 ? b->left_foot_position : b->right_foot_position;
  float *vel = side == 0 ? b->left_foot_velocity : b->right_foot_velocity;
  double d[3] = {target[0] - pos[0], target[1] - pos[1], target[2] - pos[2]};
  double len = std::sqrt(dot(d, d));
  if (!(len > 0)) return;
  double scale = 32 * len <= 1 ? 32 : 1 / len;
  for (int k = 0; k < 3; k++) vel[k] = (float)(4 * scale * d[k]);
}

void remount(bike *b) {
  float r[3];
  rest_offset(b, r);
  dVector3 p;
  dBodyGetRelPointPos(b->chassis, r[0], r[1], r[2], p);
  dBodySetPosition(b->rider, p[0], p[1], p[2]);
  dBodySetRotation(b->rider, dBodyGetRotation(b->chassis));
  rider_mount_attach(b);
}

}  // namespace

bool rope(dBodyID a, const float pa[3], dBodyID b, const float pb[3], float length) {
  double wa[3], wb[3];
  rel_point(a, pa, wa);
  rel_point(b, pb, wb);
  double d[3] = {wb[0] - wa[0], wb[1] - wa[1], wb[2] - wa[2]};
  double len = std::sqrt(dot(d, d));
  if (!(len > length) || !std::isfinite(len)) return false;
  const double h = TICK_LENGTH;
  dContact c;
  memset(&c, 0, sizeof c);
  c.surface.mode = dContactSoftERP | dContactSoftCFM;
  c.surface.mu = 0;
  c.surface.soft_erp = 5000 * h / (500 + 5000 * h);
  c.surface.soft_cfm = 1 / (500 + 5000 * h);
  // The normal is the raw difference: the pull grows with the stretch.
  for (int k = 0; k < 3; k++) {
    c.geom.pos[k] = wa[k];
    c.geom.normal[k] = d[k];
  }
  c.geom.depth = len - length;
  dJointID j = dJointCreateContact(sim.physics_world, sim.contact_group, &c);
  dJointAttach(j, a, b);
  return true;
}

bool rider_thrown_off(const bike *b) {
  const dReal *v = dBodyGetLinearVel(b->rider), *p = dBodyGetPosition(b->rider);
  dVector3 cv;
  dBodyGetPointVel(b->chassis, p[0], p[1], p[2], cv);
  double d[3] = {v[0] - cv[0], v[1] - cv[1], v[2] - cv[2]};
  return dot(d, d) > THROWN_OFF_SPEED2;
}

bool rider_hard_impact(const bike *b, int32_t tick) {
  const dReal *v = dBodyGetLinearVel(b->rider);
  const float *old = b->rider_velocity_ring[positive_mod(tick, 4)];
  double a[3];
  for (int k = 0; k < 3; k++) a[k] = (v[k] - old[k]) / (4 * TICK_LENGTH);
  a[1] += GRAVITY;
  return dot(a, a) > HARD_IMPACT_ACCEL2;
}

void crash_step(bike *b) {
  if (b->crash_timer == 0) {
    if (b->bump_timer >= 0 && (rider_thrown_off(b) || rider_hard_impact(b, sim.sim_tick))) crash_rider(b);
    if (b->crash_timer == 0) return;
  }
  const dReal *v = dBodyGetLinearVel(b->rider);
  double v2 = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
  if (v2 >= RESTING_SPEED2 || !std::isfinite(v2))
    tie_rider(b);
  else
    b->crash_timer--;
  if (b->crash_timer <= 0) {
    b->crash_timer = 0;
    remount(b);
  } else if (b->crash_timer < CRASH_TIMER_START) {
    pull_back(b);
  }
}

void crash_feet_step(bike *b) {
  const double h = TICK_LENGTH;
  float *pos[2] = {b->left_foot_position, b->right_foot_position};
  float *vel[2] = {b->left_foot_velocity, b->right_foot_velocity};
  dVector3 down;
  dBodyVectorToWorld(b->rider, 0, -1, 0, down);
  double q[3] = {down[0], down[1], down[2]};
  double left_hip[3];
  rel_point(b->rider, b->spec.hip_points[0], left_hip);
  const double knee[3] = {left_hip[0] + q[0], left_hip[1] + q[1], left_hip[2] + q[2]};
  for (int side = 0; side < 2; side++) {
    double p[3] = {pos[side][0], pos[side][1], pos[side][2]};
    double v[3] = {vel[side][0], vel[side][1], vel[side][2]};
    for (int k = 0; k < 3; k++) p[k] += v[k] * h;
    v[1] -= GRAVITY * h;

    double ground = ground_height_at((float)p[0], (float)p[2]);
    if (p[1] < ground + FOOT_CLEARANCE) {
      p[1] = ground + FOOT_CLEARANCE;
      v[0] = v[1] = v[2] = 0;
    }
    for (int k = 0; k < 3; k++) v[k] *= FOOT_DRAG;

    double hip[3];
    rel_point(b->rider, b->spec.hip_points[side], hip);
    double d[3] = {p[0] - hip[0], p[1] - hip[1], p[2] - hip[2]};
    double len = std::sqrt(dot(d, d));
    if (len > LEG_LENGTH) {
      double n[3] = {d[0] / len, d[1] / len, d[2] / len};
      for (int k = 0; k < 3; k++) p[k] = hip[k] + n[k] * LEG_LENGTH;
      double hv[3];
      point_vel(b->rider, hip, hv);
      double change = dot(hv, n) - dot(v, n);
      for (int k = 0; k < 3; k++) v[k] += change * n[k];
    }

    double e[3] = {p[0] - knee[0], p[1] - knee[1], p[2] - knee[2]};
    double below = dot(e, q);
    if (below < 0) {
      for (int k = 0; k < 3; k++) p[k] -= below * q[k];
      double pv[3];
      point_vel(b->rider, p, pv);
      double change = dot(pv, q) - dot(v, q);
      for (int k = 0; k < 3; k++) v[k] += change * q[k];
    }
    // A foot that went non-finite is put back with the rider rather than
    // carried on as NaN into the drawing and the packed state.
    bool finite = true;
    for (int k = 0; k < 3; k++) finite = finite && std::isfinite(p[k]) && std::isfinite(v[k]);
    for (int k = 0; k < 3; k++) {
      pos[side][k] = (float)(finite ? p[k] : hip[k]);
      vel[side][k] = (float)(finite ? v[k] : 0);
    }
  }
}
