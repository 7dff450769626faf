#include "sim/crash.h"

#include <cmath>

#include "sim/bike.h"
#include "sim/ground.h"
#include "sim/rider.h"

namespace {

float clamp01(double v) { return (float)(v < 0 ? 0 : v > 1 ? 1 : v); }

void move_towards(float p[3], const float target[3], float fraction) {
  for (int k = 0; k < 3; k++) p[k] += (target[k] - p[k]) * fraction;
}

void rel_point(dBodyID body, const float local[3], float out[3]) {
  dVector3 w;
  dBodyGetRelPointPos(body, local[0], local[1], local[2], w);
  for (int k = 0; k < 3; k++) out[k] = (float)w[k];
}

}  // namespace

void rider_foot_points(const bike *b, float left[3], float *left_weight, float right[3], float *right_weight) {
  const bike_spec &s = b->spec;
  bool crashed = b->crash_timer > 0;
  float *points[2] = {left, right};
  for (int side = 0; side < 2; side++) {
    float peg[3] = {s.peg_points[side][0], s.peg_points[side][1], s.peg_points[side][2]};
    if (crashed) {
      float w = (float)(b->crash_timer < 1 ? 1 : b->crash_timer > 128 ? 128 : b->crash_timer) / 128;
      float out = clamp01((w - 0.5) * 2) * 0.5f;
      peg[0] += side == 0 ? -out : out;
      peg[1] += 1.75f * clamp01(2 * w);
      peg[2] += clamp01(4 * w / 3);
    }
    rel_point(b->chassis, peg, points[side]);
  }
  *left_weight = *right_weight = 0;

  if (b->foot_down != 0 && b->crash_timer < 128) {
    float hip[2][3];
    rel_point(b->rider, s.hip_points[0], hip[0]);
    rel_point(b->rider, s.hip_points[1], hip[1]);
    dVector3 z;
    dBodyVectorToWorld(b->chassis, 0, 0, 1, z);
    const dReal *v = dBodyGetLinearVel(b->chassis);
    double forward = -(v[0] * z[0] + v[1] * z[1] + v[2] * z[2]);
    double lean = bike_lean_angle(b);
    float g = clamp01(forward / 15);
    float e = clamp01(std::fabs(lean) * 4 / M_PI);
    float ox = (float)(-z[0] * (1.25 * g - 0.25) * e * 2.5), oz = (float)(-z[2] * (1.25 * g - 0.25) * e * 2.5);
    float dx = hip[1][0] - hip[0][0], dz = hip[1][2] - hip[0][2];
    for (int side = 0; side < 2; side++) {
      if (side == 0 ? !(lean > -0.1) : !(lean < 0.1)) continue;
      float factor = side == 0 ? e / 2 - 0.5f : 0.5f - e / 2;
      float target[3];
      target[0] = hip[side][0] + dx * factor + ox;
      target[2] = hip[side][2] + dz * factor + oz;
      target[1] = ground_height_at(target[0], target[2]) + 0.125f;
      move_towards(points[side], target, b->foot_down);
      *(side == 0 ? left_weight : right_weight) = b->foot_down;
    }
  }

  if (crashed) {
    int a = 2 * b->crash_timer - 128;
    a = a < 1 ? 1 : a > 128 ? 128 : a;
    move_towards(left, b->left_foot_position, a / 128.0f);
    move_towards(right, b->right_foot_position, a / 128.0f);
    *left_weight = *right_weight = 1;
  }
}

void crash_rider(bike *b) {
  dJointAttach(b->rider_mount, 0, 0);
  float lw, rw;
  rider_foot_points(b, b->left_foot_position, &lw, b->right_foot_position, &rw);
  dVector3 v;
  const float *pos[2] = {b->left_foot_position, b->right_foot_position};
  float *vel[2] = {b->left_foot_velocity, b->right_foot_velocity};
  for (int side = 0; side < 2; side++) {
    dBodyGetPointVel(b->rider, pos[side][0], pos[side][1], pos[side][2], v);
    for (int k = 0; k < 3; k++) vel[side][k] = (float)v[k];
  }
  b->crash_timer = CRASH_TIMER_START;
  // The setters hold these at 0 while crashed; a grip left open at the moment
  // of the crash must not keep driving the bike until the next set.
  b->controls.throttle = b->controls.dab = b->controls.back_up = b->controls.lean = 0;
}

