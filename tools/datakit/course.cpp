// Centre lines and the track bed: the loop from a closed cubic B-spline, the
// start straight from the pad into a bend that meets the loop at the join,
// design speeds from curvature, berms from curvature, and the bed profile of
// the jumps, rollers and whoops, stretched until they are rideable.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "datakit.h"

namespace {

constexpr float PI = 3.14159265358979f;

struct curve_eval {
  double x, z, dx, dz, ddx, ddz;
};

// Periodic uniform cubic B-spline over the control polygon, parameter in [0, n).
curve_eval bspline(const std::vector<float> &ctrl, double t) {
  int n = (int)ctrl.size() / 2;
  t = std::fmod(t, (double)n);
  if (t < 0) t += n;
  int i = (int)std::floor(t);
  double u = t - i;
  double b[4] = {(1 - u) * (1 - u) * (1 - u) / 6, (3 * u * u * u - 6 * u * u + 4) / 6,
                 (-3 * u * u * u + 3 * u * u + 3 * u + 1) / 6, u * u * u / 6};
  double d[4] = {-(1 - u) * (1 - u) / 2, (3 * u * u - 4 * u) / 2, (-3 * u * u + 2 * u + 1) / 2, u * u / 2};
  double dd[4] = {1 - u, 3 * u - 2, -3 * u + 1, u};
  curve_eval e = {0, 0, 0, 0, 0, 0};
  for (int k = 0; k < 4; k++) {
    int j = ((i - 1 + k) % n + n) % n;
    double px = ctrl[2 * j], pz = ctrl[2 * j + 1];
    e.x += b[k] * px, e.z += b[k] * pz;
    e.dx += d[k] * px, e.dz += d[k] * pz;
    e.ddx += dd[k] * px, e.ddz += dd[k] * pz;
  }
  return e;
}

// The start straight: a line along +x from behind the start line, then a
// cubic Hermite bend that ends on the join with the loop's tangent there.
struct straight_def {
  double x0, z, x1;         // line from (x0, z) to (x1, z)
  double jx, jz, jtx, jtz;  // join point and tangent
};

curve_eval straight_curve(const straight_def &d, double t) {
  curve_eval e = {0, 0, 0, 0, 0, 0};
  if (t <= 1) {
    e.x = d.x0 + (d.x1 - d.x0) * t, e.z = d.z;
    e.dx = d.x1 - d.x0;
    return e;
  }
  double u = t - 1;
  double len = std::hypot(d.jx - d.x1, d.jz - d.z);
  double p0[2] = {d.x1, d.z}, p1[2] = {d.jx, d.jz};
  double m0[2] = {len, 0}, m1[2] = {d.jtx * len, d.jtz * len};
  double h00 = 2 * u * u * u - 3 * u * u + 1, h10 = u * u * u - 2 * u * u + u, h01 = -2 * u * u * u + 3 * u * u,
         h11 = u * u * u - u * u;
  double g00 = 6 * u * u - 6 * u, g10 = 3 * u * u - 4 * u + 1, g01 = -6 * u * u + 6 * u, g11 = 3 * u * u - 2 * u;
  double k00 = 12 * u - 6, k10 = 6 * u - 4, k01 = -12 * u + 6, k11 = 6 * u - 2;
  double *out[3][2] = {{&e.x, &e.z}, {&e.dx, &e.dz}, {&e.ddx, &e.ddz}};
  double w[3][4] = {{h00, h10, h01, h11}, {g00, g10, g01, g11}, {k00, k10, k01, k11}};
  for (int r = 0; r < 3; r++)
    for (int a = 0; a < 2; a++) *out[r][a] = w[r][0] * p0[a] + w[r][1] * m0[a] + w[r][2] * p1[a] + w[r][3] * m1[a];
  return e;
}

// Samples a parametric curve on [t0, t1] evenly by arc length. For a closed
// curve the spacing is adjusted so that the last sample meets the first.
template <class F>
void resample(F eval, double t0, double t1, bool closed, course_path *p, std::vector<double> *dense_t,
              std::vector<double> *dense_s) {
  const int per_unit = 2000;
  int steps = (int)std::ceil((t1 - t0) * per_unit);
  dense_t->assign(1, t0);
  dense_s->assign(1, 0.0);
  curve_eval prev = eval(t0);
  for (int k = 1; k <= steps; k++) {
    double t = t0 + (t1 - t0) * k / steps;
    curve_eval e = eval(t);
    dense_t->push_back(t);
    dense_s->push_back(dense_s->back() + std::hypot(e.x - prev.x, e.z - prev.z));
    prev = e;
  }
  double total = dense_s->back();
  int count = closed ? std::max(3, (int)std::lround(total / PATH_STEP)) : (int)std::ceil(total / PATH_STEP) + 1;
  p->closed = closed;
  p->length = (float)total;
  p->step = closed ? (float)(total / count) : (float)(total / (count - 1));
  p->pts.assign(count, path_sample{});
  size_t j = 0;
  for (int k = 0; k < count; k++) {
    double s = k * (double)p->step;
    while (j + 2 < dense_s->size() && (*dense_s)[j + 1] < s) j++;
    double span = (*dense_s)[j + 1] - (*dense_s)[j];
    double f = span > 0 ? (s - (*dense_s)[j]) / span : 0;
    double t = (*dense_t)[j] + f * ((*dense_t)[j + 1] - (*dense_t)[j]);
    curve_eval e = eval(t);
    double speed = std::hypot(e.dx, e.dz);
    path_sample &q = p->pts[k];
    q.x = (float)e.x, q.z = (float)e.z;
    q.tx = (float)(e.dx / speed), q.tz = (float)(e.dz / speed);
    q.s = (float)s;
    q.kappa = (float)((e.ddx * e.dz - e.ddz * e.dx) / (speed * speed * speed));
  }
}

// Arc length at spline parameter t from the dense table.
float s_at_param(const std::vector<double> &dt, const std::vector<double> &ds, double t) {
  auto it = std::lower_bound(dt.begin(), dt.end(), t);
  if (it == dt.begin()) return (float)ds.front();
  if (it == dt.end()) return (float)ds.back();
  size_t j = it - dt.begin();
  double f = (t - dt[j - 1]) / (dt[j] - dt[j - 1]);
  return (float)(ds[j - 1] + f * (ds[j] - ds[j - 1]));
}

int wrap_index(const course_path *p, int i) {
  int n = (int)p->pts.size();
  if (p->closed) return ((i % n) + n) % n;
  return std::clamp(i, 0, n - 1);
}

// Moving average of one field over +-half_window ft.
void smooth(const course_path *p, std::vector<float> *v, float half_window) {
  int n = (int)v->size();
  int h = std::max(1, (int)std::lround(half_window / p->step));
  std::vector<float> out(n);
  for (int i = 0; i < n; i++) {
    double sum = 0;
    for (int k = -h; k <= h; k++) sum += (*v)[wrap_index(p, i + k)];
    out[i] = (float)(sum / (2 * h + 1));
  }
  *v = out;
}

// Wrapped distance along a closed path from a to b, in (-L/2, L/2].
float loop_delta(const course_path *p, float a, float b) {
  float d = std::fmod(b - a, p->length);
  if (d > p->length / 2) d -= p->length;
  if (d <= -p->length / 2) d += p->length;
  return d;
}

bool in_range(float s, float from, float to) {
  if (from <= to) return s >= from && s <= to;
  return s >= from || s <= to;  // wraps over the loop start
}

// Speeds capped by lateral grip and top speed, then limited by acceleration
// forwards and braking backwards. A closed path is swept twice around.
void design_speeds(course_path *p, float start_speed, float end_speed) {
  int n = (int)p->pts.size();
  std::vector<float> kap(n);
  for (int i = 0; i < n; i++) kap[i] = p->pts[i].kappa;
  smooth(p, &kap, 10);
  std::vector<float> v(n);
  for (int i = 0; i < n; i++) {
    float k = std::fabs(kap[i]);
    v[i] = k > 1e-6f ? std::min(DESIGN_TOP_SPEED, std::sqrt(DESIGN_LATERAL / k)) : DESIGN_TOP_SPEED;
  }
  int rounds = p->closed ? 2 : 1;
  if (!p->closed) v[0] = std::min(v[0], start_speed);
  for (int r = 0; r < rounds; r++)
    for (int i = 1; i < n + (p->closed ? 1 : 0); i++) {
      int a = wrap_index(p, i - 1), b = wrap_index(p, i);
      v[b] = std::min(v[b], std::sqrt(v[a] * v[a] + 2 * DESIGN_ACCEL * p->step));
    }
  if (!p->closed) v[n - 1] = std::min(v[n - 1], end_speed);
  for (int r = 0; r < rounds; r++)
    for (int i = n - 2 + (p->closed ? 1 : 0); i >= 0; i--) {
      int a = wrap_index(p, i + 1), b = wrap_index(p, i);
      v[b] = std::min(v[b], std::sqrt(v[a] * v[a] + 2 * DESIGN_BRAKE * p->step));
    }
  for (int i = 0; i < n; i++) p->pts[i].speed = v[i];
}

float max_speed_between(const course_path *p, float s0, float s1) {
  float v = 0;
  for (float s = s0; s <= s1; s += p->step) v = std::max(v, course_sample_at(p, s).speed);
  return v;
}

// Adds the features to the loop's bed. Each is stretched until its largest
// bed curvature times the design speed squared stays under the rideable limit
// (with a margin for the ground it sits on).
void add_features(const course_design *d, course_path *loop, const std::vector<double> &dt,
                  const std::vector<double> &ds) {
  const float limit = 0.85f * RIDEABLE_ACCEL;
  int n = (int)loop->pts.size();
  std::vector<float> add(n, 0.0f);
  for (const feature_design &f : d->features) {
    float s0 = s_at_param(dt, ds, f.at);
    float len = f.length;
    float extent = 0;
    for (int iter = 0; iter < 4; iter++) {
      extent = f.kind == FEATURE_TABLE ? 2 * len + f.top : len * f.count;
      float v = max_speed_between(loop, s0, s0 + extent);
      // Peak curvature: raised cosine bump h/2 (2 pi / L)^2, cosine ramp h/2 (pi / L)^2.
      float c = f.kind == FEATURE_TABLE ? 0.5f * PI * PI : 2.0f * PI * PI;
      len = std::max(f.length, std::sqrt(c * f.height * v * v / limit));
    }
    extent = f.kind == FEATURE_TABLE ? 2 * len + f.top : len * f.count;
    for (int i = 0; i < n; i++) {
      float x = loop_delta(loop, s0, loop->pts[i].s);
      if (x < 0 || x > extent) continue;
      float h = 0;
      if (f.kind == FEATURE_TABLE) {
        if (x < len)
          h = f.height * 0.5f * (1 - std::cos(PI * x / len));
        else if (x < len + f.top)
          h = f.height;
        else
          h = f.height * 0.5f * (1 + std::cos(PI * (x - len - f.top) / len));
      } else {
        h = f.height * 0.5f * (1 - std::cos(2 * PI * std::fmod(x, len) / len));
      }
      add[i] += h;
    }
  }
  for (int i = 0; i < n; i++) loop->pts[i].bed += add[i];
}

// Berms rise on the outside of a corner in proportion to its curvature; off-
// camber corners fall away instead, flat corners stay level.
void add_banks(const course_design *d, course_path *p, const std::vector<double> *dt, const std::vector<double> *ds,
               float flat_around_s, float flat_half) {
  int n = (int)p->pts.size();
  std::vector<float> kap(n), bank(n);
  for (int i = 0; i < n; i++) kap[i] = p->pts[i].kappa;
  smooth(p, &kap, 20);
  for (int i = 0; i < n; i++) {
    float m = 1.0f;
    float s = p->pts[i].s;
    if (dt) {
      for (const range_design &r : d->flat_corners)
        if (in_range(s, s_at_param(*dt, *ds, r.from), s_at_param(*dt, *ds, r.to))) m = 0.0f;
      for (const range_design &r : d->off_camber)
        if (in_range(s, s_at_param(*dt, *ds, r.from), s_at_param(*dt, *ds, r.to))) m = -0.35f;
      if (std::fabs(loop_delta(p, flat_around_s, s)) < flat_half) m = 0.0f;
    } else {
      m = 0.0f;  // the start straight stays level for the start
    }
    bank[i] = m * std::clamp(20.0f * kap[i], -0.3f, 0.3f);
  }
  smooth(p, &bank, 15);
  for (int i = 0; i < n; i++) p->pts[i].bank = bank[i];
}

void set_flags(const course_design *d, course_path *p, const std::vector<double> &dt, const std::vector<double> &ds) {
  for (path_sample &q : p->pts) {
    for (const range_design &r : d->sand)
      if (in_range(q.s, s_at_param(dt, ds, r.from), s_at_param(dt, ds, r.to))) q.flags |= SAMPLE_SAND;
    for (const range_design &r : d->hardpack)
      if (in_range(q.s, s_at_param(dt, ds, r.from), s_at_param(dt, ds, r.to))) q.flags |= SAMPLE_HARDPACK;
  }
}

}  // namespace

uint32_t name_seed(const char *name) {
  uint32_t h = 2166136261u;
  for (const unsigned char *c = (const unsigned char *)name; *c; c++) h = (h ^ *c) * 16777619u;
  return h;
}

float smoothstep01(float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

float ground_height(const course *c, float x, float z) {
  float h = 0;
  for (int k = 0; k < 4; k++) {
    const float *w = c->wave[k];
    h += std::sin((x * w[0] + z * w[1]) * w[2] + w[3]) * c->design->ground_amplitude / (1 + k);
  }
  // Hills rise beyond the object area so the course sits in a shallow bowl.
  float e = c->extent;
  float out = std::max(std::fabs(x - e / 2), std::fabs(z - e / 2)) - 0.375f * e;
  h += 3.0f * c->design->ground_amplitude * smoothstep01(out / (0.125f * e));
  return h - c->ground_offset;
}

float loop_s_at_param(const course *c, float t) {
  const std::vector<float> &ps = c->loop.param_s;
  if (ps.size() < 2) return 0;
  int n = (int)ps.size() - 1;
  t = std::fmod(t, (float)n);
  if (t < 0) t += n;
  int i = std::min((int)std::floor(t), n - 1);
  return ps[i] + (t - i) * (ps[i + 1] - ps[i]);
}

path_sample course_sample_at(const course_path *p, float s) {
  int n = (int)p->pts.size();
  float u = s / p->step;
  if (p->closed) {
    u = std::fmod(u, (float)n);
    if (u < 0) u += n;
  } else {
    u = std::clamp(u, 0.0f, (float)(n - 1));
  }
  int i = (int)std::floor(u);
  float f = u - i;
  const path_sample &a = p->pts[wrap_index(p, i)];
  const path_sample &b = p->pts[wrap_index(p, i + 1)];
  path_sample r = a;
  auto mix = [f](float x, float y) { return x + (y - x) * f; };
  r.x = mix(a.x, b.x), r.z = mix(a.z, b.z);
  r.tx = mix(a.tx, b.tx), r.tz = mix(a.tz, b.tz);
  float tl = std::hypot(r.tx, r.tz);
  if (tl > 0) r.tx /= tl, r.tz /= tl;
  r.s = s;
  r.kappa = mix(a.kappa, b.kappa);
  r.half_width = mix(a.half_width, b.half_width);
  r.bed = mix(a.bed, b.bed);
  r.bank = mix(a.bank, b.bank);
  r.speed = mix(a.speed, b.speed);
  return r;
}

float course_bed_height(const course_path *p, float s, float lateral) {
  path_sample q = course_sample_at(p, s);
  float l = std::clamp(lateral, -(q.half_width + 2), q.half_width + 2);
  // A berm rises on its outside and falls only a little on the inside; an
  // off-camber corner (banked against its turn) is one plain slope.
  // The change of slope is rounded over a few feet so the ground stays smooth.
  if (q.bank * q.kappa <= 0) return q.bed + q.bank * l;
  float soft_abs = std::sqrt(l * l + 16.0f) - 4.0f;
  return q.bed + 0.65f * q.bank * l + 0.35f * std::fabs(q.bank) * soft_abs;
}

bool course_build(const course_design *d, course *c) {
  c->design = d;
  c->extent = d->spacing * (float)(1 << (d->size_shift + 1));
  c->seed = name_seed(d->name);
  std::mt19937 rng(c->seed);
  auto unit = [&rng]() { return (float)((rng() >> 8) * (1.0 / 16777216.0)); };
  for (int k = 0; k < 4; k++) {
    float a = unit() * 2 * PI;
    float wavelength = 350.0f + 550.0f * unit();
    c->wave[k][0] = std::cos(a), c->wave[k][1] = std::sin(a);
    c->wave[k][2] = 2 * PI / wavelength;
    c->wave[k][3] = unit() * 2 * PI;
  }
  c->ground_offset = 0;

  // The loop.
  std::vector<double> dt, ds;
  int nctrl = (int)d->loop_control.size() / 2;
  if (nctrl < 4) {
    fprintf(stderr, "kv_datakit: %s: a loop needs at least 4 control points\n", d->name);
    return false;
  }
  resample([d](double t) { return bspline(d->loop_control, t); }, 0, nctrl, true, &c->loop, &dt, &ds);
  c->loop.param_s.clear();
  for (int i = 0; i <= nctrl; i++) c->loop.param_s.push_back(s_at_param(dt, ds, i));
  c->join_s = s_at_param(dt, ds, d->join_at);
  c->finish_s = s_at_param(dt, ds, d->finish_at);
  for (path_sample &q : c->loop.pts) q.half_width = d->half_width;
  set_flags(d, &c->loop, dt, ds);

  // The start straight, ending on the join with the loop's tangent.
  path_sample j = course_sample_at(&c->loop, c->join_s);
  const float behind = 20.0f;
  straight_def sd = {d->start_x - behind, d->start_z, d->start_x + d->straight_length, j.x, j.z, j.tx, j.tz};
  std::vector<double> st, ss;
  resample([sd](double t) { return straight_curve(sd, t); }, 0, 2, false, &c->straight, &st, &ss);
  c->start_line_s = behind;
  const float pad_length = 25.0f, funnel = d->funnel_length;
  c->funnel_end_s = c->start_line_s + pad_length + funnel;
  for (path_sample &q : c->straight.pts) {
    float u = q.s - behind;
    float f = smoothstep01((u - pad_length) / funnel);
    q.half_width = d->pad_half_width + (d->half_width - d->pad_half_width) * f;
    if (u < pad_length + funnel) q.flags |= SAMPLE_HARDPACK;
  }

  // Speeds: the loop on its own, the straight from rest into the loop's speed.
  design_speeds(&c->loop, 0, 0);
  // The join's speed is known only now that the loop has its speeds.
  design_speeds(&c->straight, 0, course_sample_at(&c->loop, c->join_s).speed);
  for (path_sample &q : c->straight.pts)
    if (q.s <= c->start_line_s) q.speed = 0;

  // Bed: the ground smoothed along the loop, level with the pad around the
  // join so the straight merges flat; the pad itself is level at 0.
  c->ground_offset = ground_height(c, j.x, j.z);
  int n = (int)c->loop.pts.size();
  std::vector<float> base(n);
  for (int i = 0; i < n; i++) base[i] = ground_height(c, c->loop.pts[i].x, c->loop.pts[i].z);
  smooth(&c->loop, &base, 60);
  smooth(&c->loop, &base, 60);
  const float flat_half = 120.0f, blend = 200.0f;
  for (int i = 0; i < n; i++) {
    float dist = std::fabs(loop_delta(&c->loop, c->join_s, c->loop.pts[i].s));
    float w = smoothstep01((dist - flat_half) / blend);
    c->loop.pts[i].bed = w * base[i];
  }
  add_features(d, &c->loop, dt, ds);
  add_banks(d, &c->loop, &dt, &ds, c->join_s, flat_half);
  for (path_sample &q : c->straight.pts) q.bed = 0, q.bank = 0;

  if (c->loop.length < 200 || c->straight.length < 50) {
    fprintf(stderr, "kv_datakit: %s: course too short\n", d->name);
    return false;
  }
  return true;
}

// --- nearest-point grid ----------------------------------------------------------

struct path_grid {
  const course_path *path;
  float cell, radius;
  int cells;
  float lo[2], hi[2];  // the path's bounds grown by the radius
  std::vector<std::vector<int>> lists;
};

path_grid *path_grid_create(const course_path *p, float extent, float radius) {
  path_grid *g = new path_grid;
  g->path = p;
  g->cell = 16.0f;
  g->radius = radius;
  g->cells = (int)std::ceil(extent / g->cell) + 1;
  g->lists.assign(g->cells * g->cells, {});
  g->lo[0] = g->lo[1] = 1e30f;
  g->hi[0] = g->hi[1] = -1e30f;
  for (const path_sample &q : p->pts) {
    g->lo[0] = std::min(g->lo[0], q.x - radius), g->hi[0] = std::max(g->hi[0], q.x + radius);
    g->lo[1] = std::min(g->lo[1], q.z - radius), g->hi[1] = std::max(g->hi[1], q.z + radius);
  }
  for (int i = 0; i < (int)p->pts.size(); i++) {
    int cx = std::clamp((int)std::floor(p->pts[i].x / g->cell), 0, g->cells - 1);
    int cz = std::clamp((int)std::floor(p->pts[i].z / g->cell), 0, g->cells - 1);
    g->lists[cz * g->cells + cx].push_back(i);
  }
  return g;
}

void path_grid_free(path_grid *g) { delete g; }

path_hit path_nearest(const path_grid *g, float x, float z) {
  path_hit best = {false, 0, 0, 0, -1};
  const course_path *p = g->path;
  if (x < g->lo[0] || x > g->hi[0] || z < g->lo[1] || z > g->hi[1]) return best;
  int r = (int)std::ceil(g->radius / g->cell);
  int cx = (int)std::floor(x / g->cell), cz = (int)std::floor(z / g->cell);
  float best_edge = 1e30f;
  int bi = -1;
  for (int j = std::max(0, cz - r); j <= std::min(g->cells - 1, cz + r); j++)
    for (int i = std::max(0, cx - r); i <= std::min(g->cells - 1, cx + r); i++)
      for (int k : g->lists[j * g->cells + i]) {
        const path_sample &q = p->pts[k];
        float d = std::hypot(x - q.x, z - q.z);
        if (d > g->radius) continue;
        float e = d - q.half_width;
        if (e < best_edge) best_edge = e, bi = k;
      }
  if (bi < 0) return best;
  // Refine on the segment towards the better neighbour.
  float best_d2 = 1e30f;
  for (int side = -1; side <= 1; side += 2) {
    int a = side < 0 ? wrap_index(p, bi - 1) : bi;
    int b = side < 0 ? bi : wrap_index(p, bi + 1);
    if (a == b) continue;
    const path_sample &pa = p->pts[a], &pb = p->pts[b];
    float ex = pb.x - pa.x, ez = pb.z - pa.z;
    float len2 = ex * ex + ez * ez;
    float t = len2 > 0 ? std::clamp(((x - pa.x) * ex + (z - pa.z) * ez) / len2, 0.0f, 1.0f) : 0.0f;
    float fx = pa.x + t * ex, fz = pa.z + t * ez;
    float d2 = (x - fx) * (x - fx) + (z - fz) * (z - fz);
    if (d2 < best_d2) {
      best_d2 = d2;
      float tx = pa.tx + t * (pb.tx - pa.tx), tz = pa.tz + t * (pb.tz - pa.tz);
      float s = pa.s + t * p->step;
      // Beyond the ends of an open path the offset is the plain distance.
      float lateral = (x - fx) * -tz + (z - fz) * tx;
      float tl = std::hypot(tx, tz);
      lateral = tl > 0 ? lateral / tl : 0;
      float hw = pa.half_width + t * (pb.half_width - pa.half_width);
      best = {true, s, lateral, std::sqrt(d2) - hw, bi};
    }
  }
  return best;
}
