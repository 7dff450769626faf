// Collision shapes of the bike parts and the track objects, each in its
// part's body frame: the bike faces -z, x is to the rider's right, y is up,
// and every bike body sits at its rest position with no rotation. The parts
// are laid out from world points of the bike at rest, so frame, forks,
// swing-arm and rider stay well clear of the ground while the tyres touch it.
#include <cmath>

#include "datakit.h"
#include "kit_names.h"
#include "sim/bike_spec.h"
#include "sim/shape.h"

namespace {

struct material {
  float friction, stiffness, damping;
};
const material METAL = {0.5f, 20000, 2000};
const material RIDER = {0.7f, 5000, 500};
const material TYRE = {1.0f, 25000, 2500};
const material GATE = {0.5f, 20000, 2000};
const material HAY = {0.8f, 4000, 600};
const material RUBBER = {0.9f, 8000, 800};

struct builder {
  shape_asset *asset;
  float origin[3];  // the body's rest position in the bike frame
  material m;
  // A sphere at a point given in the bike's rest frame.
  void at(float x, float y, float z, float r) {
    collision_sphere c;
    c.centre[0] = x - origin[0], c.centre[1] = y - origin[1], c.centre[2] = z - origin[2];
    c.radius = r, c.friction = m.friction, c.stiffness = m.stiffness, c.damping = m.damping;
    asset->spheres.push_back(c);
  }
  void mirrored(float x, float y, float z, float r) {
    at(-x, y, z, r);
    at(x, y, z, r);
  }
  // Spheres from a to b (both ends included), mirrored to +-x.
  void line(float x, const float a[2], const float b[2], int n, float r) {
    for (int k = 0; k < n; k++) {
      float t = n > 1 ? (float)k / (n - 1) : 0;
      mirrored(x, a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, r);
    }
  }
};

shape_asset &add(std::vector<shape_asset> *out, const char *file) {
  out->push_back(shape_asset{file, {}});
  return out->back();
}

void wheel(std::vector<shape_asset> *out, const char *file, float major, float minor) {
  builder b = {&add(out, file), {0, 0, 0}, TYRE};
  // Twelve tube sections on the tyre's centre circle in the wheel's y-z plane.
  for (int k = 0; k < 12; k++) {
    float a = k * (2 * 3.14159265f / 12);
    b.at(0, major * std::cos(a), major * std::sin(a), minor);
  }
}

}  // namespace

void shapes_generate(std::vector<shape_asset> *out) {
  out->clear();
  out->reserve(16);
  const bike_spec *s = bike_spec_at(0);  // every model shares the frame geometry

  {  // frame: steering head, tank, seat, rear fender, engine, shrouds, pegs
    builder b = {&add(out, KIT_FRAME_SHAPE), {s->chassis_position[0], s->chassis_position[1], s->chassis_position[2]},
                 METAL};
    b.at(0, 2.55f, 2.45f, 0.3f);
    b.at(0, 2.6f, 3.1f, 0.4f);
    b.at(0, 2.75f, 4.2f, 0.35f);
    b.at(0, 2.8f, 5.3f, 0.3f);
    b.at(0, 1.65f, 3.5f, 0.5f);
    b.at(0, 1.4f, 3.45f, 0.28f);
    b.mirrored(0.45f, 2.3f, 2.9f, 0.3f);
    b.mirrored(s->peg_points[1][0], s->chassis_position[1] + s->peg_points[1][1],
               s->chassis_position[2] + s->peg_points[1][2], 0.15f);
  }
  {  // fork upper: triple clamp, number plate, handlebar to the grips
    const float *o = s->fork_upper_position;
    builder b = {&add(out, KIT_FORK_UPPER_SHAPE), {o[0], o[1], o[2]}, METAL};
    b.at(0, o[1], o[2], 0.3f);
    b.at(0, o[1] + 0.2f, o[2] - 0.35f, 0.3f);
    b.at(0, o[1] + s->grip_points[1][1] - 0.05f, o[2] + s->grip_points[1][2] - 0.05f, 0.2f);
    b.mirrored(s->grip_points[1][0] * 0.5f, o[1] + s->grip_points[1][1], o[2] + s->grip_points[1][2], 0.15f);
    b.mirrored(s->grip_points[1][0], o[1] + s->grip_points[1][1], o[2] + s->grip_points[1][2], 0.15f);
  }
  {  // fork lower: both legs from the axle up the steering axis, front fender
    const float *o = s->fork_lower_position, *u = s->fork_upper_position, *ax = s->front_axle_position;
    builder b = {&add(out, KIT_FORK_LOWER_SHAPE), {o[0], o[1], o[2]}, METAL};
    float dy = u[1] - o[1], dz = u[2] - o[2], len = std::sqrt(dy * dy + dz * dz);
    float a[2] = {ax[1], ax[2]}, e[2] = {ax[1] + 0.8f * dy / len, ax[2] + 0.8f * dz / len};
    b.line(s->fork_tube_spacing * 0.5f, a, e, 3, 0.12f);
    b.at(0, ax[1] + s->front_major_radius + s->front_minor_radius + 0.15f, ax[2] + 0.1f, 0.22f);
  }
  {  // swing-arm: both sides from the pivot to the rear axle
    const float *o = s->swingarm_position, *p = s->swingarm_pivot, *ax = s->rear_axle_position;
    builder b = {&add(out, KIT_SWINGARM_SHAPE), {o[0], o[1], o[2]}, METAL};
    float a[2] = {p[1], p[2]}, e[2] = {ax[1], ax[2]};
    b.line(s->chassis_size[0] * 0.5f, a, e, 5, 0.12f);
  }
  wheel(out, KIT_FRONT_WHEEL_SHAPE, s->front_major_radius, s->front_minor_radius);
  wheel(out, KIT_REAR_WHEEL_SHAPE, s->rear_major_radius, s->rear_minor_radius);
  {  // rider: torso, head, shoulders (the hand points), hips, knees, feet on the pegs
    const float *o = s->rider_position;
    builder b = {&add(out, KIT_RIDER_SHAPE), {0, 0, 0}, RIDER};
    b.at(0, 0, 0, 0.55f);
    b.at(0, 0.45f, -0.25f, 0.45f);
    b.at(0, 1.2f, -0.55f, 0.4f);
    b.mirrored(s->hand_points[1][0], s->hand_points[1][1], s->hand_points[1][2], 0.22f);
    b.mirrored(s->hip_points[1][0], s->hip_points[1][1], s->hip_points[1][2], 0.3f);
    float peg_y = s->chassis_position[1] + s->peg_points[1][1] - o[1];
    float peg_z = s->chassis_position[2] + s->peg_points[1][2] - o[2];
    b.mirrored(0.5f, -1.6f, -0.75f, 0.25f);  // knees gripping the tank
    b.mirrored(s->peg_points[1][0], peg_y + 0.05f, peg_z, 0.2f);
  }
  {  // start gate: a plate as wide as one start position, hinged at the
     // origin on the ground. At rest (dropped) it lies forward of the hinge,
     // sunk into the ground so that it is a low bump to ride over; raised, its
     // forward edge lifts by the start gate's tilt.
    builder b = {&add(out, KIT_STARTGATE_SHAPE), {0, 0, 0}, GATE};
    for (int row = 0; row < 2; row++)
      for (int k = 0; k < 4; k++) b.at(-1.6875f + 1.125f * k, -0.2f, -(0.5f + 0.8f * row), 0.45f);
  }
  {  // hay bale, 4 ft long along x
    builder b = {&add(out, KIT_HAYBALE_SHAPE), {0, 0, 0}, HAY};
    for (int k = 0; k < 3; k++) b.at(-1.0f + k, 1.0f, 0, 1.0f);
  }
  {  // finish arch: only its two posts, beyond the track edges (the banner
     // overhead is out of reach); the model's x axis runs across the track
    builder b = {&add(out, KIT_ARCH_SHAPE), {0, 0, 0}, METAL};
    for (int k = 0; k < 5; k++) b.mirrored(KIT_ARCH_HALF_SPAN, 1.0f + 1.5f * k, 0, 0.6f);
  }
  {  // tyre stack
    builder b = {&add(out, KIT_TYRESTACK_SHAPE), {0, 0, 0}, RUBBER};
    b.at(0, 0.9f, 0, 1.1f);
    b.at(0, 1.6f, 0, 1.1f);
  }
}
