#include "track/roost_emit.h"

#include <ode/ode.h>

#include <cmath>

#include "app/run_options.h"
#include "render/particles.h"
#include "sim/bike.h"
#include "sim/contact.h"
#include "sim/world.h"
#include "track/heightfield.h"
#include "track/roost_random.h"

namespace {

const float STEP = 1.0f / 128;
const float WHEEL_ARC_LIMIT[2] = {(float)(M_PI / 8), (float)(2 * M_PI)};  // front, rear
const float MIN_SPLASH_SPEED = 1.0f / 32;

struct wheel_state {
  float point[3], normal[3], velocity[3];  // velocity of the tyre surface at the point
  float depth;
  float centre[3], centre_velocity[3], axle[3];
  float spin;  // angular velocity about the axle
};

float dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
bool finite3(const float a[3]) { return std::isfinite(a[0]) && std::isfinite(a[1]) && std::isfinite(a[2]); }

bool wheel_state_of(bike *b, int w, bool simulated_here, wheel_state *out) {
  const wheel_contact &wc = b->wheels[w];
  if (!wc.body) return false;
  if (simulated_here) {
    if (!(wc.depth > 0)) return false;
    for (int k = 0; k < 3; k++) {
      out->point[k] = wc.point[k];
      out->normal[k] = wc.normal[k];
      out->velocity[k] = wc.velocity[k];
    }
    out->depth = wc.depth;
  } else {
    ground_contact g;
    if (!wheel_query(b, w, &g)) return false;
    dVector3 pv;
    dBodyGetPointVel(wc.body, g.point[0], g.point[1], g.point[2], pv);
    for (int k = 0; k < 3; k++) {
      out->point[k] = g.point[k];
      out->normal[k] = g.normal[k];
      out->velocity[k] = (float)pv[k];
    }
    out->depth = g.depth;
  }
  const dReal *c = dBodyGetPosition(wc.body), *v = dBodyGetLinearVel(wc.body), *av = dBodyGetAngularVel(wc.body);
  dVector3 a;
  dBodyVectorToWorld(wc.body, wc.axle[0], wc.axle[1], wc.axle[2], a);
  for (int k = 0; k < 3; k++) {
    out->centre[k] = (float)c[k];
    out->centre_velocity[k] = (float)v[k];
    out->axle[k] = (float)a[k];
  }
  out->spin = (float)(av[0] * a[0] + av[1] * a[1] + av[2] * a[2]);
  return finite3(out->point) && finite3(out->normal) && finite3(out->velocity) && finite3(out->centre) &&
         finite3(out->centre_velocity) && finite3(out->axle) && std::isfinite(out->spin) &&
         std::isfinite(out->depth);
}

// v rotated about the unit axis a by angle t.
void rotate(const float v[3], const float a[3], float t, float out[3]) {
  float c = std::cos(t), s = std::sin(t), d = dot(a, v);
  float x[3] = {a[1] * v[2] - a[2] * v[1], a[2] * v[0] - a[0] * v[2], a[0] * v[1] - a[1] * v[0]};
  for (int k = 0; k < 3; k++) out[k] = v[k] * c + x[k] * s + a[k] * d * (1 - c);
}

void hand_over(const float pos[3], const float vel[3], const roost_params &e, float dig) {
  roost_particle_spawn p;
  for (int k = 0; k < 3; k++) {
    p.position[k] = pos[k];
    p.velocity[k] = vel[k];
  }
  if (!finite3(p.position) || !finite3(p.velocity)) return;
  p.emitter = &e;
  p.dig = dig;
  roost_particle_add(p);
}

void emit_roost(bike *b, int w, const wheel_state &ws, const roost_params &e, int k, float dig) {
  float slide2 = dot(ws.velocity, ws.velocity);
  if (e.slip_threshold * e.slip_threshold > slide2) return;
  bool spinning = dot(ws.velocity, ws.centre_velocity) < 0;
  float arc = roost_spray_arc(e, spinning, ws.spin, WHEEL_ARC_LIMIT[w]);
  float direction = ws.spin < 0 ? -1.0f : 1.0f;  // carried round with the tyre
  float rel[3];
  for (int j = 0; j < 3; j++) rel[j] = ws.point[j] - ws.centre[j];
  for (int i = 0; i < k; i++) {
    float turned[3], start[3];
    rotate(rel, ws.axle, direction * roost_uniform() * arc, turned);
    for (int j = 0; j < 3; j++) start[j] = ws.centre[j] + turned[j];
    dVector3 pv;
    dBodyGetPointVel(b->wheels[w].body, start[0], start[1], start[2], pv);
    float v[3] = {(float)pv[0], (float)pv[1], (float)pv[2]};
    float lead = (float)i / (float)k * STEP;
    float pos[3], vel[3];
    for (int j = 0; j < 3; j++) pos[j] = start[j] + v[j] * lead;
    for (int j = 0; j < 3; j++) vel[j] = (v[j] + e.randomize * (roost_uniform() - 0.5f)) * e.vscale;
    hand_over(pos, vel, e, dig);
  }
}

void emit_splash(const wheel_state &ws, const roost_params &e, int k, float dig) {
  const float *n = ws.normal, *v = ws.centre_velocity;
  float vn = dot(v, n), t[3];
  for (int j = 0; j < 3; j++) t[j] = v[j] - vn * n[j];
  float speed = std::sqrt(dot(t, t));
  if (!(speed >= MIN_SPLASH_SPEED)) return;  // no direction to throw along
  float side[3] = {(n[1] * t[2] - n[2] * t[1]) / speed, (n[2] * t[0] - n[0] * t[2]) / speed,
                   (n[0] * t[1] - n[1] * t[0]) / speed};
  float scale = speed * (float)M_SQRT1_2;
  for (int i = 0; i < k; i++) {
    float sign = ((sim.sim_tick ^ i) & 1) == 0 ? 1.0f : -1.0f;
    float dir[3];
    for (int j = 0; j < 3; j++) dir[j] = (n[j] + sign * side[j]) * scale;
    float lead = (float)i / (float)k * STEP;
    float pos[3], r[3];
    for (int j = 0; j < 3; j++) pos[j] = ws.point[j] + dir[j] * lead;
    for (int j = 0; j < 3; j++) r[j] = e.randomize * (roost_uniform() - 0.5f);
    float u4 = roost_uniform();
    float vel[3];
    for (int j = 0; j < 3; j++) vel[j] = (dir[j] + r[j]) * u4 * e.vscale;
    hand_over(pos, vel, e, dig);
  }
}

}  // namespace

float roost_spray_arc(const roost_params &e, bool spinning, float omega, float limit) {
  if (!spinning) return (float)(M_PI / 64);
  float slow2 = e.slow_speed * e.slow_speed, fast2 = e.fast_speed * e.fast_speed;
  float u = 1;
  if (fast2 > slow2) {
    u = (omega * omega - slow2) / (fast2 - slow2);
    u = !(u > 0) ? 0 : u > 1 ? 1 : u;
  }
  float arc = e.slow_angle + u * (e.fast_angle - e.slow_angle);
  return arc < limit ? arc : limit;
}

void roost_emit(bike *b, bool simulated_here) {
  if (!b) return;
  int frequency = run_opts.roost_frequency;
  frequency = frequency < 0 ? 0 : frequency > 1000 ? 1000 : frequency;
  int budget = frequency / 100;
  if (frequency % 100 != 0 && roost_uniform() < (float)(frequency % 100) / 100) budget++;
  if (budget == 0) return;

  for (int w = 0; w < 2; w++) {
    wheel_state ws;
    if (!wheel_state_of(b, w, simulated_here, &ws)) continue;
    const surface_type *s = surface_type_at(ws.point[0], ws.point[2]);
    float dig_depth = ws.depth < 0.1f ? ws.depth : 0.1f;
    for (int i = 0; i < MAX_ROOST_TYPES; i++) {
      const roost_params &e = s->roost[i];
      if (e.kind == ROOST_OFF) break;
      double count = std::isfinite(e.count) && e.count > 0 ? e.count : 0;
      double whole = std::floor(count);
      int k = whole >= budget ? budget : (int)whole;
      if (count > whole && roost_uniform() < (float)(count - whole)) k++;
      if (k > budget) k = budget;
      if (k <= 0) continue;
      float dig = e.dig * dig_depth;
      if (e.kind == ROOST_DIRT)
        emit_roost(b, w, ws, e, k, dig);
      else if (e.kind == ROOST_SPLASH)
        emit_splash(ws, e, k, dig);
    }
  }
}
