#include "sim/contact.h"

#include <cmath>
#include <cstring>

#include "sim/bike.h"
#include "sim/crash.h"
#include "sim/shape.h"
#include "sim/world.h"
#include "track/heightfield.h"

namespace {

bool finite3(const double v[3]) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }
bool finite3(const float v[3]) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

void fill_geom(dContact *contact, const ground_contact &g) {
  for (int k = 0; k < 3; k++) {
    contact->geom.pos[k] = g.point[k];
    contact->geom.normal[k] = g.normal[k];
  }
  contact->geom.depth = g.depth;
}

// One tyre: the contact joint and the rolling resistance.
bool tyre_contact(bike *b, int index, double kf) {
  wheel_contact &w = b->wheels[index];
  ground_contact g;
  if (!wheel_query(b, index, &g)) {
    w.depth = 0;
    return false;
  }
  dVector3 pv, axle;
  dBodyGetPointVel(w.body, g.point[0], g.point[1], g.point[2], pv);
  dBodyVectorToWorld(w.body, w.axle[0], w.axle[1], w.axle[2], axle);
  float v[3] = {(float)pv[0], (float)pv[1], (float)pv[2]};
  float a[3] = {(float)axle[0], (float)axle[1], (float)axle[2]};
  if (!finite3(v) || !finite3(a)) {
    w.depth = 0;
    return false;
  }
  memcpy(w.point, g.point, sizeof w.point);
  memcpy(w.normal, g.normal, sizeof w.normal);
  memcpy(w.velocity, v, sizeof w.velocity);
  w.depth = g.depth;

  const surface_type *s = surface_type_at(g.point[0], g.point[2]);
  float slide = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  double mu = surface_friction(s, slide) * kf;
  if (!std::isfinite(mu) || mu < 0) mu = 0;
  tyre_softness soft = tyre_softness_at(g.depth, w.minor_radius);

  dContact contact;
  memset(&contact, 0, sizeof contact);
  contact.surface.mode = TYRE_CONTACT_MODE;
  contact.surface.mu = mu;
  contact.surface.soft_erp = soft.erp;
  contact.surface.soft_cfm = soft.cfm;
  fill_geom(&contact, g);
  float fdir[3];
  if (tyre_friction_direction(g.normal, v, a, fdir)) {
    contact.surface.mode |= dContactFDir1;
    for (int k = 0; k < 3; k++) contact.fdir1[k] = fdir[k];
  }
  dJointID j = dJointCreateContact(sim.physics_world, sim.contact_group, &contact);
  dJointAttach(j, w.body, 0);
  dJointSetFeedback(j, &w.feedback);

  const dReal *lv = dBodyGetLinearVel(w.body);
  double vel[3] = {lv[0], lv[1], lv[2]};
  double rolling_speed;
  {
    double vn = vel[0] * g.normal[0] + vel[1] * g.normal[1] + vel[2] * g.normal[2];
    double t[3];
    for (int k = 0; k < 3; k++) t[k] = vel[k] - vn * g.normal[k];
    rolling_speed = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
  }
  float f0, f1;
  surface_roll_resist(s, (float)rolling_speed, &f0, &f1);
  double force[3];
  rolling_resistance_force(vel, g.normal, f0, f1, soft.squash, force);
  if (finite3(force)) dBodyAddForce(w.body, force[0], force[1], force[2]);
  return true;
}

// One part's spheres; true when any touched.
bool shape_contact(dBodyID body, collision_shape *shape) {
  if (!body || !shape) return false;
  const dReal *p = dBodyGetPosition(body);
  const dReal *r = dBodyGetRotation(body);  // 3 x 4, row-major
  double erp, cfm;
  soft_erp_cfm(PART_CONTACT_STIFFNESS, PART_CONTACT_DAMPING, &erp, &cfm);
  bool touched = false;
  for (int i = 0; i < shape->count; i++) {
    const collision_sphere &sp = shape->spheres[i];
    float *wc = shape->world_centres[i];
    for (int k = 0; k < 3; k++)
      wc[k] = (float)(r[4 * k] * sp.centre[0] + r[4 * k + 1] * sp.centre[1] + r[4 * k + 2] * sp.centre[2] + p[k]);
    ground_contact g;
    if (!sphere_ground_query(wc, sp.radius, &g)) continue;
    dContact contact;
    memset(&contact, 0, sizeof contact);
    contact.surface.mode = TYRE_CONTACT_MODE;
    contact.surface.mu = std::isfinite(sp.friction) && sp.friction > 0 ? sp.friction : 0;
    contact.surface.soft_erp = erp;
    contact.surface.soft_cfm = cfm;
    fill_geom(&contact, g);
    dJointID j = dJointCreateContact(sim.physics_world, sim.contact_group, &contact);
    dJointAttach(j, body, 0);
    touched = true;
  }
  return touched;
}

}  // namespace

double lean_angle(const double u[3], const double f[3]) {
  double len2 = f[0] * f[0] + f[2] * f[2];
  if (!(len2 > 1e-12)) return 0;
  double len = std::sqrt(len2);
  double c = (u[0] * -f[2] + u[2] * f[0]) / len;
  c = c < -1 ? -1 : c > 1 ? 1 : c;
  return std::acos(c) - M_PI / 2;
}

double bike_chassis_lean(const bike *b) {
  dVector3 u, f;
  dBodyVectorToWorld(b->chassis, 0, 1, 0, u);
  dBodyVectorToWorld(b->chassis, 0, 0, -1, f);
  double uu[3] = {u[0], u[1], u[2]}, ff[3] = {f[0], f[1], f[2]};
  return lean_angle(uu, ff);
}

double friction_factor(const bike *b) {
  if (!bike_option(b, OPTION_ARCADE)) return 1;
  double x = 4 * std::fabs(bike_chassis_lean(b)) / M_PI;
  x = x < 0 ? 0 : x > 1 ? 1 : x;
  return 1 - 0.375 * x;
}

void soft_erp_cfm(double k, double c, double *erp, double *cfm) {
  double h = TICK_LENGTH, denom = c + h * k;
  *erp = h * k / denom;
  *cfm = 1 / denom;
}

tyre_softness tyre_softness_at(double depth, double minor_radius) {
  tyre_softness t;
  double q = minor_radius > 0 ? depth / minor_radius : 1;
  t.squash = !(q < 1) ? 1 : q > 0 ? q : 0;
  double m = t.squash * t.squash * t.squash;
  t.stiffness = 1000 + 24000 * m;
  t.damping = 200 + 2300 * m;
  soft_erp_cfm(t.stiffness, t.damping, &t.erp, &t.cfm);
  return t;
}

bool tyre_friction_direction(const float n[3], const float v[3], const float axle[3], float fdir[3]) {
  float t[3] = {n[1] * v[2] - n[2] * v[1], n[2] * v[0] - n[0] * v[2], n[0] * v[1] - n[1] * v[0]};
  float len2 = t[0] * t[0] + t[1] * t[1] + t[2] * t[2];
  if (!(len2 >= 1.0f / 1024)) {
    t[0] = n[1] * axle[2] - n[2] * axle[1];
    t[1] = n[2] * axle[0] - n[0] * axle[2];
    t[2] = n[0] * axle[1] - n[1] * axle[0];
    len2 = t[0] * t[0] + t[1] * t[1] + t[2] * t[2];
    if (!(len2 > 0) || !std::isfinite(len2)) return false;
  }
  float len = std::sqrt(len2);
  for (int k = 0; k < 3; k++) fdir[k] = t[k] / len;
  return true;
}

void rolling_resistance_force(const double velocity[3], const float n[3], float f0, float f1, double squash,
                              double force[3]) {
  double vn = velocity[0] * n[0] + velocity[1] * n[1] + velocity[2] * n[2];
  double t[3];
  for (int k = 0; k < 3; k++) t[k] = velocity[k] - vn * n[k];
  double w = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
  double f = f0 + (f1 - f0) * squash;
  double scale = -f / (w > 1 ? w : 1);
  for (int k = 0; k < 3; k++) force[k] = scale * t[k];
}

bool wheel_query(const bike *b, int index, ground_contact *out) {
  const wheel_contact &w = b->wheels[index];
  if (!w.body) return false;
  const dReal *c = dBodyGetPosition(w.body);
  dVector3 a;
  dBodyVectorToWorld(w.body, w.axle[0], w.axle[1], w.axle[2], a);
  torus_shape t;
  for (int k = 0; k < 3; k++) {
    t.centre[k] = (float)c[k];
    t.axle[k] = (float)a[k];
  }
  t.major_radius = w.major_radius;
  t.minor_radius = w.minor_radius;
  return wheel_ground_query(t, out);
}

bool bike_ground_contacts(bike *b) {
  double kf = friction_factor(b);
  bool front = tyre_contact(b, 0, kf);
  bool rear = tyre_contact(b, 1, kf);
  bool chassis = shape_contact(b->chassis, b->shapes[SHAPE_CHASSIS]);
  bool fork_upper = shape_contact(b->fork_upper, b->shapes[SHAPE_FORK_UPPER]);
  bool fork_lower = shape_contact(b->fork_lower, b->shapes[SHAPE_FORK_LOWER]);
  bool swingarm = shape_contact(b->swingarm, b->shapes[SHAPE_SWINGARM]);
  bool rider = shape_contact(b->rider, b->shapes[SHAPE_RIDER]);
  if ((fork_upper || fork_lower || swingarm || rider) && b->down_flag == 0) b->down_flag = 1;

  if (rider && !bike_is_crashed(b) && b->bump_timer >= 0) {
    dVector3 up;
    dBodyVectorToWorld(b->rider, 0, 1, 0, up);
    const dReal *v = dBodyGetLinearVel(b->rider);
    if (up[1] < 0 && v[0] * v[0] + v[1] * v[1] + v[2] * v[2] > 25) crash_rider(b);
  }
  return front || rear || chassis || fork_upper || fork_lower || swingarm || rider;
}

bool bike_is_down(const bike *b) { return b->down_flag != 0 && !b->finished; }
