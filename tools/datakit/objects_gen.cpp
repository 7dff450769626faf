// Placed objects of a kit track, all from the course: hay bales on the
// outside of every fast corner with a tyre stack at each end, the finish arch
// across the loop, trees scattered over the infield and surroundings, banners
// along the start straight and at the finish, the start flagger beside the
// pad, the lap board at the finish and a flagger before each jump.
//
// Every prop with a collision shape keeps a few feet clear of every stretch of
// track, and every object stays inside the object area (the central 75% of
// the terrain square). The trees' randomness is an MT19937 seeded from the
// track's name.
#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "datakit.h"
#include "kit_names.h"

namespace {

constexpr float PI = 3.14159265358979f;
// Fast corner: tighter than a 300 ft radius, taken at 28 ft/s or more with
// at least a quarter g of lateral acceleration.
constexpr float CORNER_MIN_KAPPA = 1.0f / 300.0f;
constexpr float CORNER_MIN_SPEED = 28.0f;
constexpr float CORNER_MIN_LATERAL = 0.25f * GRAVITY;
constexpr float CORNER_MIN_LENGTH = 20.0f;
constexpr float BALE_SPACING = 9.0f;
constexpr float BALE_OFFSET = 6.0f;   // beyond the track edge
constexpr float TYRE_OFFSET = 5.5f;
constexpr float PROP_CLEARANCE = 3.0f;  // free ground between a prop's shape and any track edge
// Horizontal reach of each prop's shape from its origin (see shapes_gen.cpp).
constexpr float BALE_REACH = 2.0f, TYRE_REACH = 1.1f;

const char *const BALE_SHAPE = "@" KIT_HAYBALE_SHAPE;
const char *const TYRE_SHAPE = "@" KIT_TYRESTACK_SHAPE;
const char *const ARCH_SHAPE = "@" KIT_ARCH_SHAPE;

struct placer {
  const course *c;
  path_grid *loop, *straight;
  float lo, hi;  // object area

  // Edge distance to the nearest stretch (large when none is near).
  float edge(float x, float z) const {
    float e = 1e30f;
    for (path_grid *g : {loop, straight}) {
      path_hit h = path_nearest(g, x, z);
      if (h.found) e = std::min(e, h.edge);
    }
    return e;
  }
  bool inside(float x, float z, float reach) const {
    return x - reach > lo && x + reach < hi && z - reach > lo && z + reach < hi;
  }
  bool clear(float x, float z, float margin) const { return inside(x, z, margin) && edge(x, z) > margin; }
};

// A point at lateral offset (to the rider's right) of loop arc length s.
void beside(const course_path *p, float s, float lateral, float *x, float *z) {
  path_sample q = course_sample_at(p, s);
  *x = q.x - q.tz * lateral;
  *z = q.z + q.tx * lateral;
}

// Heading that lays a statue's x axis along the track's direction at s.
float along_heading(const course_path *p, float s) {
  path_sample q = course_sample_at(p, s);
  return std::atan2(-q.tz, q.tx);
}

void add_prop(const placer &pl, std::vector<statue_record> *out, const course_path *p, float s, float lateral,
              float reach, const char *model, const char *picture, const char *shape) {
  float x, z;
  beside(p, s, lateral, &x, &z);
  if (!pl.clear(x, z, reach + PROP_CLEARANCE)) return;
  out->push_back({x, 0, z, along_heading(p, s), model, picture, shape});
}

bool fast(const path_sample &q) {
  float k = std::fabs(q.kappa);
  return k > CORNER_MIN_KAPPA && q.speed >= CORNER_MIN_SPEED && q.speed * q.speed * k >= CORNER_MIN_LATERAL;
}

void corner_props(const placer &pl, std::vector<statue_record> *out) {
  const course_path *p = &pl.c->loop;
  const float hw = pl.c->design->half_width;
  const int n = (int)p->pts.size();
  // Start the scan where no corner runs, so no run is split at the wrap.
  int start = 0;
  while (start < n && fast(p->pts[start])) start++;
  if (start == n) return;
  for (int k = 0; k < n;) {
    int i = (start + k) % n;
    if (!fast(p->pts[i])) {
      k++;
      continue;
    }
    int first = k;
    float kappa_sum = 0;
    while (k < n && fast(p->pts[(start + k) % n])) kappa_sum += p->pts[(start + k) % n].kappa, k++;
    float s0 = p->pts[(start + first) % n].s, length = (k - first) * p->step;
    if (length < CORNER_MIN_LENGTH) continue;
    float side = kappa_sum > 0 ? 1.0f : -1.0f;  // outside: right of a left turn
    int bales = (int)(length / BALE_SPACING) + 1;
    float gap = (length - (bales - 1) * BALE_SPACING) * 0.5f;
    for (int b = 0; b < bales; b++)
      add_prop(pl, out, p, s0 + gap + b * BALE_SPACING, side * (hw + BALE_OFFSET), BALE_REACH, KIT_HAYBALE_MODEL,
               KIT_HAYBALE_PICTURE, BALE_SHAPE);
    for (float s : {s0 - 6.0f, s0 + length + 6.0f})
      add_prop(pl, out, p, s, side * (hw + TYRE_OFFSET), TYRE_REACH, KIT_TYRESTACK_MODEL, KIT_TYRESTACK_PICTURE,
               TYRE_SHAPE);
  }
}

void finish_arch(const placer &pl, std::vector<statue_record> *out) {
  path_sample q = course_sample_at(&pl.c->loop, pl.c->finish_s);
  // The model's front (-z) faces down the track, its x axis across it; a
  // heading below -2 pi keeps it upright whatever the ground does.
  float heading = std::atan2(-q.tx, -q.tz) - 4 * PI;
  out->push_back({q.x, 0, q.z, heading, KIT_ARCH_MODEL, KIT_ARCH_PICTURE, ARCH_SHAPE});
}

uint8_t tint(float base, float spread, float u) { return (uint8_t)std::lround(std::min(255.0f, base + spread * u)); }

void trees(const placer &pl, std::vector<billboard_record> *out) {
  const course &c = *pl.c;
  std::mt19937 rng(name_seed((std::string(c.design->name) + "/" KIT_BILLBOARDS_FILE).c_str()));
  auto unit = [&rng]() { return (float)((rng() >> 8) * (1.0 / 16777216.0)); };
  const float area = (pl.hi - pl.lo) * (pl.hi - pl.lo);
  const int wanted = std::max(8, (int)(area / 9000.0f));
  const size_t first = out->size();
  for (int attempt = 0; attempt < 40 * wanted && (int)(out->size() - first) < wanted; attempt++) {
    float x = pl.lo + (pl.hi - pl.lo) * unit(), z = pl.lo + (pl.hi - pl.lo) * unit();
    float size = 20.0f + 14.0f * unit(), aspect = 0.55f + 0.15f * unit(), shade = unit();
    if (!pl.clear(x, z, 14.0f)) continue;
    bool crowded = false;
    for (size_t k = first; k < out->size() && !crowded; k++)
      crowded = std::hypot((*out)[k].x - x, (*out)[k].z - z) < 10.0f;
    if (crowded) continue;
    billboard_record b = {x, 0, z, size, aspect, {255, 255, 255}, KIT_TREE_PICTURE};
    if ((out->size() - first) % 3 != 0)  // two in three get a slightly different green
      b.colour[0] = tint(200, 50, shade), b.colour[1] = tint(225, 30, shade), b.colour[2] = tint(200, 45, shade);
    out->push_back(b);
  }
}

void banners(const placer &pl, std::vector<billboard_record> *out) {
  const course &c = *pl.c;
  const float hw = c.design->half_width, offset = hw + 2.5f;
  auto add = [&](const course_path *p, float s, float lateral) {
    float x, z;
    beside(p, s, lateral, &x, &z);
    if (!pl.inside(x, z, 6.0f)) return;
    // Only the stretch it stands beside may be near.
    path_hit h[2] = {path_nearest(pl.loop, x, z), path_nearest(pl.straight, x, z)};
    const path_hit &other = p == &c.loop ? h[1] : h[0];
    if (other.found && other.edge < 4.0f) return;
    out->push_back({x, 0.5f, z, 3.0f, 4.0f, {255, 255, 255}, KIT_BANNER_PICTURE});
  };
  for (float s = c.funnel_end_s + 10.0f; s < c.straight.length - 60.0f; s += 40.0f)
    for (float side : {-1.0f, 1.0f}) add(&c.straight, s, side * offset);
  for (float ds : {-20.0f, 20.0f})
    for (float side : {-1.0f, 1.0f}) add(&c.loop, c.finish_s + ds, side * offset);
}

void flaggers(const placer &pl, kit_objects *out) {
  const course &c = *pl.c;
  const course_design &d = *c.design;
  const float hw = d.half_width;
  // The start flagger stands off the pad's left edge just ahead of the gates
  // and walks away from the pad once they drop.
  start_flagger_record a = {};
  float fx = d.start_x + 28.0f, fz = d.start_z - d.pad_half_width - 4.0f;
  a.start[0] = fx, a.start[1] = 0, a.start[2] = fz;
  a.end[0] = fx, a.end[1] = 0, a.end[2] = fz - 10.0f;
  a.size = 6.0f, a.aspect = 0.5f, a.travel_time = 1.5f;
  static const char *const starter[START_FLAGGER_PICTURES] = {
      KIT_START_FLAGGER_PREFIX "0.png", KIT_START_FLAGGER_PREFIX "1.png", KIT_START_FLAGGER_PREFIX "2.png",
      KIT_START_FLAGGER_PREFIX "3.png", KIT_START_FLAGGER_PREFIX "4.png"};
  for (int k = 0; k < START_FLAGGER_PICTURES; k++) a.pictures[k] = starter[k];
  out->starter = a;

  // The lap board beside the finish line, on whichever side is free.
  lap_board_record b = {};
  float bx = 0, bz = 0;
  for (float side : {1.0f, -1.0f}) {
    beside(&c.loop, c.finish_s, side * (hw + 8.0f), &bx, &bz);
    if (pl.clear(bx, bz, 5.0f)) break;
  }
  b.position[0] = bx, b.position[1] = 0, b.position[2] = bz;
  b.size = 5.0f, b.aspect = 1.0f;
  static const char *const board[LAP_BOARD_PICTURES] = {KIT_LAP_BOARD_PREFIX "0.png", KIT_LAP_BOARD_PREFIX "1.png",
                                                        KIT_LAP_BOARD_PREFIX "2.png", KIT_LAP_BOARD_PREFIX "3.png"};
  for (int k = 0; k < LAP_BOARD_PICTURES; k++) b.pictures[k] = board[k];
  out->board = b;

  // A flagger 25 ft before each jump watches the two checkpoints after it: a
  // rider down on the landing is heading for one of them. Loop checkpoint k
  // lies k / K of the lap after the finish line.
  const float L = c.loop.length;
  const int K = d.loop_gates;
  for (const feature_design &f : d.features) {
    if (f.kind != FEATURE_TABLE && f.count > 2) continue;  // rollers and whoops need no flagger
    float s = std::fmod(loop_s_at_param(&c, f.at) - 25.0f + L, L);
    for (float side : {1.0f, -1.0f}) {
      float x, z;
      beside(&c.loop, s, side * (hw + 5.0f), &x, &z);
      if (!pl.clear(x, z, 4.0f)) continue;
      int next = ((int)(std::fmod(s - c.finish_s + L, L) / (L / K)) + 1) % K;
      out->flaggers.push_back({{x, 0, z}, 6.0f, 0.5f, {next, (next + 1) % K, -1, -1}, KIT_FLAGGER_PICTURE,
                               KIT_FLAGGER_ALERT_PICTURE});
      break;
    }
  }
}

}  // namespace

void objects_generate(const course *c, kit_objects *out) {
  out->statues.clear();
  out->billboards.clear();
  out->flaggers.clear();
  const course_design *d = c->design;
  placer pl = {c, path_grid_create(&c->loop, c->extent, d->half_width + 30.0f),
               path_grid_create(&c->straight, c->extent, d->pad_half_width + 30.0f), 0.125f * c->extent,
               0.875f * c->extent};
  corner_props(pl, &out->statues);
  finish_arch(pl, &out->statues);
  trees(pl, &out->billboards);
  banners(pl, &out->billboards);
  flaggers(pl, out);
  path_grid_free(pl.loop);
  path_grid_free(pl.straight);
}
