#include "sim/ground_query.h"

#include <cmath>

#include "track/heightfield.h"

namespace {

inline float dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline void sub(const float a[3], const float b[3], float out[3]) {
  for (int k = 0; k < 3; k++) out[k] = a[k] - b[k];
}
inline void cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}
inline void copy3(const float a[3], float out[3]) {
  for (int k = 0; k < 3; k++) out[k] = a[k];
}
inline bool finite3(const float a[3]) { return std::isfinite(a[0]) && std::isfinite(a[1]) && std::isfinite(a[2]); }

// Any unit vector perpendicular to the unit vector a.
void perpendicular(const float a[3], float out[3]) {
  float ax = std::fabs(a[0]), ay = std::fabs(a[1]), az = std::fabs(a[2]);
  float e[3] = {0, 0, 0};
  e[ax <= ay && ax <= az ? 0 : ay <= az ? 1 : 2] = 1;
  cross(a, e, out);
  float len = std::sqrt(dot(out, out));
  for (int k = 0; k < 3; k++) out[k] /= len;
}

// Whether x lies inside the triangle's three edges seen along m (boundary
// inside).
bool inside_triangle(const float x[3], const float *const v[3], const float m[3]) {
  for (int j = 0; j < 3; j++) {
    float e[3], out[3], d[3];
    sub(v[(j + 1) % 3], v[j], e);
    cross(e, m, out);
    sub(x, v[j], d);
    if (dot(d, out) > 0) return false;
  }
  return true;
}

const float UP[3] = {0, 1, 0};

// The segment p0 + t e, t in 0..1, relative to the circle: the axial offset
// wa(t) = w0a + t ea and the in-plane offset whose squared length is
// p0 + 2 p1 t + p2 t^2.
struct circle_segment {
  float w0a, ea, p0, p1, p2, radius;
  float rho(float t) const {
    float s = p0 + (2 * p1 + p2 * t) * t;
    return std::sqrt(s > 0 ? s : 0);
  }
  // Squared distance, written so that it keeps its precision near the tube.
  float f(float t) const {
    float wa = w0a + t * ea, dr = rho(t) - radius;
    return wa * wa + dr * dr;
  }
};

// Newton steps on f' kept inside [lo, hi], which holds one minimum.
float refine(const circle_segment &cs, float lo, float hi, float t) {
  for (int it = 0; it < 40; it++) {
    float rho = cs.rho(t);
    if (rho < 1e-12f) break;  // on the axle line: f has no slope to follow
    float wa = cs.w0a + t * cs.ea, dr = rho - cs.radius;
    float rho1 = (cs.p1 + cs.p2 * t) / rho;
    float rho2 = (cs.p2 - rho1 * rho1) / rho;
    float g = 2 * (wa * cs.ea + dr * rho1);
    float h = 2 * (cs.ea * cs.ea + rho1 * rho1 + dr * rho2);
    if (g > 0)
      hi = t;
    else
      lo = t;
    float next = h > 0 ? t - g / h : 0.5f * (lo + hi);
    if (!(next > lo && next < hi)) next = 0.5f * (lo + hi);
    if (std::fabs(next - t) < 1e-8f) return next;
    t = next;
  }
  return t;
}

constexpr int SEGMENT_SAMPLES = 32;

}  // namespace

float circle_segment_distance(const float c[3], const float a[3], float radius, const float p0[3],
                              const float p1[3], float circle_point[3], float segment_point[3]) {
  float w0[3], e[3];
  sub(p0, c, w0);
  sub(p1, p0, e);
  circle_segment cs;
  cs.radius = radius;
  cs.w0a = dot(w0, a);
  cs.ea = dot(e, a);
  float w0p[3], ep[3];
  for (int k = 0; k < 3; k++) {
    w0p[k] = w0[k] - cs.w0a * a[k];
    ep[k] = e[k] - cs.ea * a[k];
  }
  cs.p0 = dot(w0p, w0p);
  cs.p1 = dot(w0p, ep);
  cs.p2 = dot(ep, ep);

  // The squared distance has at most a few minima along the segment: sample
  // it, then polish every sampled local minimum and keep the best.
  float f[SEGMENT_SAMPLES + 1];
  for (int k = 0; k <= SEGMENT_SAMPLES; k++) f[k] = cs.f((float)k / SEGMENT_SAMPLES);
  float best_t = 0, best_f = f[0];
  for (int k = 0; k <= SEGMENT_SAMPLES; k++) {
    bool left = k == 0 || f[k] <= f[k - 1], right = k == SEGMENT_SAMPLES || f[k] <= f[k + 1];
    if (!left || !right) continue;
    float lo = (float)(k > 0 ? k - 1 : 0) / SEGMENT_SAMPLES;
    float hi = (float)(k < SEGMENT_SAMPLES ? k + 1 : SEGMENT_SAMPLES) / SEGMENT_SAMPLES;
    float t0 = (float)k / SEGMENT_SAMPLES;
    float t = refine(cs, lo, hi, t0);
    float ft = cs.f(t);
    if (!(ft < f[k])) t = t0, ft = f[k];
    if (ft < best_f) best_f = ft, best_t = t;
  }

  for (int k = 0; k < 3; k++) segment_point[k] = p0[k] + best_t * e[k];
  float wp[3];
  for (int k = 0; k < 3; k++) wp[k] = w0p[k] + best_t * ep[k];
  float rho = std::sqrt(dot(wp, wp));
  float u[3];
  if (rho > 1e-12f) {
    for (int k = 0; k < 3; k++) u[k] = wp[k] / rho;
  } else {
    perpendicular(a, u);  // every circle point is equally near
  }
  for (int k = 0; k < 3; k++) circle_point[k] = c[k] + radius * u[k];
  return std::sqrt(best_f);
}

// The normal of triangle v0 v1 v2 (counter-clockwise), as the edges' cross
// product and as a unit vector; false for a degenerate or non-finite triangle.
static bool triangle_normal(const float v0[3], const float v1[3], const float v2[3], float n_raw[3], float n[3]) {
  float e1[3], e2[3];
  sub(v1, v0, e1);
  sub(v2, v0, e2);
  cross(e1, e2, n_raw);
  float n_len2 = dot(n_raw, n_raw);
  if (!(n_len2 > 0) || !std::isfinite(n_len2)) return false;
  float n_len = std::sqrt(n_len2);
  for (int k = 0; k < 3; k++) n[k] = n_raw[k] / n_len;
  return true;
}

bool torus_triangle(const torus_shape &t, const float v0[3], const float v1[3], const float v2[3],
                    ground_contact *out) {
  const float *c = t.centre, *a = t.axle;
  const float big_r = t.major_radius, small_r = t.minor_radius;
  const float *v[3] = {v0, v1, v2};
  float n_raw[3], n[3];
  if (!triangle_normal(v0, v1, v2, n_raw, n)) return false;

  // The direction in the wheel plane that points most against the normal;
  // a wheel lying flat has none, and then every direction in its plane is
  // as low as any other.
  float na = dot(n, a);
  float low_dir[3] = {-(n[0] - na * a[0]), -(n[1] - na * a[1]), -(n[2] - na * a[2])};
  float low_len2 = dot(low_dir, low_dir);
  if (low_len2 > 1e-12f) {
    float low_len = std::sqrt(low_len2);
    for (int k = 0; k < 3; k++) low_dir[k] /= low_len;
  } else {
    perpendicular(a, low_dir);
  }
  float p_low[3], p_high[3];
  for (int k = 0; k < 3; k++) {
    p_low[k] = c[k] + big_r * low_dir[k];
    p_high[k] = c[k] - big_r * low_dir[k];
  }
  float d[3];
  sub(p_low, v0, d);
  float h_low = dot(n, d);
  sub(p_high, v0, d);
  float h_high = dot(n, d);
  // Every point of the centre circle is at least h_low above the plane.
  if (h_low >= small_r) return false;

  if (h_low <= 0 && h_high <= 0) {
    if (inside_triangle(c, v, UP)) {
      copy3(p_low, out->point);
      copy3(UP, out->normal);
      out->depth = 2 * big_r;
      return true;
    }
  } else if (h_low < 0 && h_high > 0) {
    float s = h_low / (h_low - h_high), x[3];
    for (int k = 0; k < 3; k++) x[k] = p_low[k] + s * (p_high[k] - p_low[k]);
    if (inside_triangle(x, v, n_raw)) {
      for (int k = 0; k < 3; k++) out->point[k] = p_low[k] - small_r * n[k];
      copy3(n, out->normal);
      out->depth = small_r - h_low;
      return true;
    }
  } else if (h_low >= 0) {
    float x[3];
    for (int k = 0; k < 3; k++) x[k] = p_low[k] - h_low * n[k];
    if (inside_triangle(x, v, n_raw)) {
      for (int k = 0; k < 3; k++) out->point[k] = p_low[k] - small_r * n[k];
      copy3(n, out->normal);
      out->depth = small_r - h_low;
      return true;
    }
  }

  // Edges and vertices.
  const float PIERCE_DISTANCE = 1.0f / (1 << 20);
  float best = INFINITY, best_circle[3] = {0, 0, 0}, best_segment[3] = {0, 0, 0};
  bool best_pierces = false;
  const float reach = big_r + small_r;
  for (int j = 0; j < 3; j++) {
    const float *p0 = v[j], *p1 = v[(j + 1) % 3];
    float e[3], w[3];
    sub(p1, p0, e);
    sub(c, p0, w);
    float ee = dot(e, e);
    float s = ee > 0 ? dot(w, e) / ee : 0;
    s = s < 0 ? 0 : s > 1 ? 1 : s;
    float q[3];
    for (int k = 0; k < 3; k++) q[k] = p0[k] + s * e[k] - c[k];
    if (dot(q, q) > reach * reach) continue;  // the whole edge is out of the tube's reach

    float cp[3], sp[3];
    float dist = circle_segment_distance(c, a, big_r, p0, p1, cp, sp);
    bool pierces = false;
    float ea = dot(e, a);
    if (ea != 0 && dist > PIERCE_DISTANCE) {
      float w0[3];
      sub(p0, c, w0);
      float tc = -dot(w0, a) / ea;
      if (tc >= 0 && tc <= 1) {
        float x[3];
        for (int k = 0; k < 3; k++) x[k] = w0[k] + tc * e[k];
        if (dot(x, x) < big_r * big_r) {
          pierces = true;
          dist = PIERCE_DISTANCE;
          for (int k = 0; k < 3; k++) sp[k] = c[k] + x[k];
        }
      }
    }
    if (dist < best) {
      best = dist;
      best_pierces = pierces;
      copy3(cp, best_circle);
      copy3(sp, best_segment);
    }
  }
  float depth = small_r - best;
  if (!(depth > 0)) return false;
  float normal[3];
  sub(best_circle, best_segment, normal);
  float len = std::sqrt(dot(normal, normal));
  if (best_pierces || !(len > 1e-12f)) {
    // An edge through the wheel's disc, or the circle exactly on the edge:
    // push away from the face.
    copy3(n, normal);
  } else {
    for (int k = 0; k < 3; k++) normal[k] /= len;
  }
  if (best_pierces) {
    copy3(best_segment, out->point);
  } else {
    for (int k = 0; k < 3; k++) out->point[k] = best_circle[k] - small_r * normal[k];
  }
  copy3(normal, out->normal);
  out->depth = depth;
  return true;
}

bool sphere_triangle(const float centre[3], float radius, const float v0[3], const float v1[3],
                     const float v2[3], ground_contact *out) {
  const float *v[3] = {v0, v1, v2};
  float n_raw[3], n[3];
  if (!triangle_normal(v0, v1, v2, n_raw, n)) return false;

  bool outside[3], any_outside = false;
  for (int j = 0; j < 3; j++) {
    float e[3], edge_out[3], d[3];
    sub(v[(j + 1) % 3], v[j], e);
    cross(e, n_raw, edge_out);
    sub(centre, v[j], d);
    outside[j] = dot(d, edge_out) > 0;
    any_outside = any_outside || outside[j];
  }

  if (any_outside) {
    // The nearest point is on an edge the centre lies outside of, or else a
    // vertex (an edge the centre is inside of never holds the nearest point).
    float q[3];
    bool found = false;
    for (int j = 0; j < 3 && !found; j++) {
      if (!outside[j]) continue;
      float e[3], d[3];
      sub(v[(j + 1) % 3], v[j], e);
      sub(centre, v[j], d);
      float ee = dot(e, e);
      if (!(ee > 0)) continue;
      float s = dot(d, e) / ee;
      if (s >= 0 && s <= 1) {
        for (int k = 0; k < 3; k++) q[k] = v[j][k] + s * e[k];
        found = true;
      }
    }
    if (!found) {
      float best = INFINITY;
      for (int j = 0; j < 3; j++) {
        float d[3];
        sub(centre, v[j], d);
        float dd = dot(d, d);
        if (dd < best) best = dd, copy3(v[j], q);
      }
    }
    float d[3];
    sub(centre, q, d);
    float dist = std::sqrt(dot(d, d));
    float depth = radius - dist;
    if (!(depth > 0)) return false;
    float normal[3];
    if (dist > 1e-12f) {
      for (int k = 0; k < 3; k++) normal[k] = d[k] / dist;
    } else {
      copy3(n, normal);
    }
    for (int k = 0; k < 3; k++) out->point[k] = centre[k] - radius * normal[k];
    copy3(normal, out->normal);
    out->depth = depth;
    return true;
  }

  float d[3];
  sub(centre, v0, d);
  float z = dot(n, d);
  if (z >= -radius) {
    float depth = radius - z;
    if (!(depth > 0)) return false;
    for (int k = 0; k < 3; k++) out->point[k] = centre[k] - radius * n[k];
    copy3(n, out->normal);
    out->depth = depth;
    return true;
  }
  // Sunk through: only straight above the triangle, and then pushed up.
  if (!inside_triangle(centre, v, UP)) return false;
  out->point[0] = centre[0];
  out->point[1] = centre[1] - radius;
  out->point[2] = centre[2];
  copy3(UP, out->normal);
  out->depth = radius - z;
  return true;
}

namespace {

struct query_state {
  const torus_shape *torus;
  const float *centre;
  float radius;
  bool found;
  ground_contact best;
};

void keep_deepest(query_state *q, const ground_contact &c) {
  if (!(c.depth > 0) || !std::isfinite(c.depth) || !finite3(c.point) || !finite3(c.normal)) return;
  if (q->found && !(c.depth > q->best.depth)) return;
  q->best = c;
  q->found = true;
}

void visit_torus(const float a[3], const float b[3], const float c[3], void *context) {
  query_state *q = (query_state *)context;
  ground_contact hit;
  if (torus_triangle(*q->torus, a, b, c, &hit)) keep_deepest(q, hit);
}

void visit_sphere(const float a[3], const float b[3], const float c[3], void *context) {
  query_state *q = (query_state *)context;
  ground_contact hit;
  if (sphere_triangle(q->centre, q->radius, a, b, c, &hit)) keep_deepest(q, hit);
}

bool finish(query_state *q, ground_contact *out) {
  if (!q->found) return false;
  float *n = q->best.normal;
  float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(len > 0)) return false;
  for (int k = 0; k < 3; k++) n[k] /= len;
  *out = q->best;
  return true;
}

}  // namespace

bool wheel_ground_query(const torus_shape &t, ground_contact *out) {
  if (!finite3(t.centre) || !finite3(t.axle) || !std::isfinite(t.major_radius) ||
      !std::isfinite(t.minor_radius))
    return false;
  query_state q = {&t, nullptr, 0, false, {}};
  float half = t.major_radius + t.minor_radius;
  for_each_ground_triangle(t.centre[0] - half, t.centre[0] + half, t.centre[2] - half, t.centre[2] + half,
                           visit_torus, &q);
  return finish(&q, out);
}

bool sphere_ground_query(const float centre[3], float radius, ground_contact *out) {
  if (!finite3(centre) || !std::isfinite(radius) || !(radius > 0)) return false;
  query_state q = {nullptr, centre, radius, false, {}};
  for_each_ground_triangle(centre[0] - radius, centre[0] + radius, centre[2] - radius, centre[2] + radius,
                           visit_sphere, &q);
  return finish(&q, out);
}
