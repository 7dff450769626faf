#include "sim/collisions.h"

#include <cmath>
#include <cstring>

#include "sim/bike.h"
#include "sim/shape.h"
#include "sim/world.h"

namespace {

// The torus' stand-in sphere on the wheel body.
constexpr float WHEEL_FRICTION = 1, WHEEL_STIFFNESS = 25000, WHEEL_DAMPING = 2500;
constexpr double FORCE_LIMIT = 1000;

bool finite3(const float v[3]) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void point_velocity(dBodyID body, const float p[3], double out[3]) {
  out[0] = out[1] = out[2] = 0;
  if (!body) return;
  dVector3 v;
  dBodyGetPointVel(body, p[0], p[1], p[2], v);
  for (int k = 0; k < 3; k++) out[k] = v[k];
}

void world_centres(collision_shape *s, const part_pose &p) {
  for (int i = 0; i < s->count; i++) {
    const float *c = s->spheres[i].centre;
    for (int k = 0; k < 3; k++)
      s->world_centres[i][k] =
          (float)(p.rotation[3 * k] * c[0] + p.rotation[3 * k + 1] * c[1] + p.rotation[3 * k + 2] * c[2] +
                  p.position[k]);
  }
}

double distance2(const double a[3], const double b[3]) {
  double d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
  return dot(d, d);
}

void contact_joint(const sphere_hit &h, float mu, double erp, double cfm, dBodyID pushed, dBodyID other) {
  dContact c;
  memset(&c, 0, sizeof c);
  c.surface.mode = dContactApprox1 | dContactSoftERP | dContactSoftCFM;
  c.surface.mu = mu;
  c.surface.soft_erp = erp;
  c.surface.soft_cfm = cfm;
  c.geom.depth = h.depth;
  // ODE pushes its first body along the normal; a static side goes second.
  double sign = 1;
  if (!pushed) {
    pushed = other;
    other = nullptr;
    sign = -1;
  }
  for (int k = 0; k < 3; k++) {
    c.geom.pos[k] = h.point[k];
    c.geom.normal[k] = sign * h.normal[k];
  }
  dJointID j = dJointCreateContact(sim.physics_world, sim.contact_group, &c);
  dJointAttach(j, pushed, other);
}

}  // namespace

part_pose pose_of_body(dBodyID body) {
  part_pose p;
  p.body = body;
  const dReal *x = dBodyGetPosition(body), *r = dBodyGetRotation(body);
  for (int k = 0; k < 3; k++) {
    p.position[k] = x[k];
    for (int m = 0; m < 3; m++) p.rotation[3 * k + m] = r[4 * k + m];
  }
  return p;
}

part_pose static_pose(const float position[3], const float rotation[9]) {
  part_pose p;
  p.body = nullptr;
  for (int k = 0; k < 3; k++) p.position[k] = position[k];
  for (int k = 0; k < 9; k++) p.rotation[k] = rotation ? rotation[k] : (k % 4 == 0 ? 1 : 0);
  return p;
}

bool sphere_contact(const collision_sphere &s1, const float c1[3], dBodyID b1, const collision_sphere &s2,
                    const float c2[3], dBodyID b2, bool force_mode, sphere_hit *hit) {
  double d[3] = {(double)c2[0] - c1[0], (double)c2[1] - c1[1], (double)c2[2] - c1[2]};
  double reach = (double)s1.radius + s2.radius;
  double len2 = dot(d, d);
  // Also false for NaN centres or radii, and for radii that sum to nothing
  // (a shape file's negative radius must not pull the parts together).
  if (!(reach > 0) || !(len2 < reach * reach)) return false;
  if (!b1 && !b2) return true;
  double dist = std::sqrt(len2);
  // Coincident centres give no direction to push along.
  if (!(dist > 1e-9)) return false;
  sphere_hit h;
  h.depth = (float)(reach - dist);
  double along = s1.radius - h.depth / 2.0;
  for (int k = 0; k < 3; k++) {
    h.normal[k] = (float)(d[k] / dist);
    h.point[k] = (float)(c1[k] + d[k] * along / dist);
  }
  float mu = std::fmin(s1.friction, s2.friction), k = std::fmin(s1.stiffness, s2.stiffness),
        c = std::fmin(s1.damping, s2.damping);
  if (!finite3(h.point) || !std::isfinite(mu) || !std::isfinite(k) || !std::isfinite(c)) return false;
  // Negative values from a shape file would make the contact pull.
  mu = std::fmax(mu, 0.0f);
  k = std::fmax(k, 0.0f);
  c = std::fmax(c, 0.0f);
  if (hit) *hit = h;

  if (!force_mode) {
    double denom = c + TICK_LENGTH * k;
    if (!(denom > 0)) return false;
    contact_joint(h, mu, TICK_LENGTH * k / denom, 1 / denom, b2, b1);
    return true;
  }
  double v1[3], v2[3];
  point_velocity(b1, h.point, v1);
  point_velocity(b2, h.point, v2);
  double rel[3] = {v1[0] - v2[0], v1[1] - v2[1], v1[2] - v2[2]};
  double n[3] = {h.normal[0], h.normal[1], h.normal[2]};
  double w = h.depth * k + dot(rel, n) * c;
  if (!std::isfinite(w)) return true;
  w = w < -FORCE_LIMIT ? -FORCE_LIMIT : w > FORCE_LIMIT ? FORCE_LIMIT : w;
  if (b2 && dBodyIsEnabled(b2)) dBodyAddForceAtPos(b2, w * n[0], w * n[1], w * n[2], h.point[0], h.point[1], h.point[2]);
  if (b1 && dBodyIsEnabled(b1))
    dBodyAddForceAtPos(b1, -w * n[0], -w * n[1], -w * n[2], h.point[0], h.point[1], h.point[2]);
  return true;
}

bool shape_vs_shape(collision_shape *s1, const part_pose &p1, collision_shape *s2, const part_pose &p2,
                    bool force_mode) {
  if (!s1 || !s2) return false;
  double reach = (double)s1->bounding_radius + s2->bounding_radius;
  if (!(distance2(p1.position, p2.position) < reach * reach)) return false;
  world_centres(s1, p1);
  world_centres(s2, p2);
  bool touched = false;
  for (int i = 0; i < s1->count; i++)
    for (int j = 0; j < s2->count; j++)
      if (sphere_contact(s1->spheres[i], s1->world_centres[i], p1.body, s2->spheres[j], s2->world_centres[j],
                         p2.body, force_mode, nullptr))
        touched = true;
  return touched;
}

bool wheel_vs_shape(bike *b, int wheel, collision_shape *s, const part_pose &p, bool force_mode) {
  wheel_contact &w = b->wheels[wheel];
  if (!s || !w.body) return false;
  const dReal *cp = dBodyGetPosition(w.body);
  double c[3] = {cp[0], cp[1], cp[2]};
  double R = w.major_radius, r = w.minor_radius;
  double reach = R + r + s->bounding_radius;
  if (!(distance2(c, p.position) < reach * reach)) return false;
  dVector3 aw;
  dBodyVectorToWorld(w.body, w.axle[0], w.axle[1], w.axle[2], aw);
  double a[3] = {aw[0], aw[1], aw[2]};
  world_centres(s, p);

  collision_sphere ring;
  ring.radius = (float)r;
  ring.friction = WHEEL_FRICTION;
  ring.stiffness = WHEEL_STIFFNESS;
  ring.damping = WHEEL_DAMPING;
  sphere_hit deepest;
  deepest.depth = 0;
  bool touched = false;
  for (int i = 0; i < s->count; i++) {
    const float *sc = s->world_centres[i];
    double d[3] = {sc[0] - c[0], sc[1] - c[1], sc[2] - c[2]};
    double along = dot(d, a);
    double q[3];
    for (int k = 0; k < 3; k++) q[k] = d[k] - along * a[k];
    // A sphere on the axle: any radial direction will do, tried in a fixed order.
    for (int n = 1; !(dot(q, q) >= R * 1e-6) && n < 8; n++) {
      double t[3] = {(n & 1) ? R : 0, (n & 2) ? R : 0, (n & 4) ? R : 0};
      double ta = dot(t, a);
      for (int k = 0; k < 3; k++) q[k] = t[k] - ta * a[k];
    }
    double ql = std::sqrt(dot(q, q));
    if (!(ql > 0)) continue;
    float centre[3];
    for (int k = 0; k < 3; k++) centre[k] = (float)(c[k] + R * q[k] / ql);
    sphere_hit h;
    if (!sphere_contact(ring, centre, w.body, s->spheres[i], sc, p.body, force_mode, &h)) continue;
    touched = true;
    if (h.depth > deepest.depth) deepest = h;
  }
  if (w.depth == 0 && deepest.depth > 0) {
    double v[3];
    point_velocity(w.body, deepest.point, v);
    for (int k = 0; k < 3; k++) {
      w.point[k] = deepest.point[k];
      w.velocity[k] = (float)v[k];
      w.normal[k] = deepest.normal[k];
    }
    w.depth = deepest.depth;
    memset(&w.feedback, 0, sizeof w.feedback);
  }
  return touched;
}

int shape_vs_bike(bike *b, collision_shape *s, const part_pose &p, bool force_mode) {
  int mask = 0;
  if (wheel_vs_shape(b, 0, s, p, force_mode)) mask |= PART_FRONT_WHEEL;
  if (wheel_vs_shape(b, 1, s, p, force_mode)) mask |= PART_REAR_WHEEL;
  static const struct {
    int body, shape, bit;
  } parts[] = {{BODY_CHASSIS, SHAPE_CHASSIS, PART_CHASSIS},
               {BODY_FORK_UPPER, SHAPE_FORK_UPPER, PART_FORK_UPPER},
               {BODY_FORK_LOWER, SHAPE_FORK_LOWER, PART_FORK_LOWER},
               {BODY_SWINGARM, SHAPE_SWINGARM, PART_SWINGARM},
               {BODY_RIDER, SHAPE_RIDER, PART_RIDER}};
  for (const auto &part : parts) {
    dBodyID body = bike_body(b, part.body);
    collision_shape *own = b->shapes[part.shape];
    if (!body || !own) continue;
    if (shape_vs_shape(own, pose_of_body(body), s, p, force_mode)) mask |= part.bit;
  }
  return mask;
}
