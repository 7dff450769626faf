#include "robot/path.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/log.h"
#include "robot/autopilot.h"
#include "sim/alloc.h"

static double clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

static void reserve(robot_state *r, int32_t n) {
  if (n <= r->path_capacity) return;
  int32_t cap = r->path_capacity > 0 ? r->path_capacity : 16;
  while (cap < n) cap *= 2;
  line_point *p = (line_point *)sim_calloc((size_t)cap, sizeof(line_point));
  if (r->path_count > 0) memcpy(p, r->path, sizeof(line_point) * (size_t)r->path_count);
  free(r->path);
  r->path = p;
  r->path_capacity = cap;
}

static double hermite(double p0, double m0, double p1, double m1, double t) {
  double t2 = t * t, t3 = t2 * t;
  return (2 * t3 - 3 * t2 + 1) * p0 + (t3 - 2 * t2 + t) * m0 + (-2 * t3 + 3 * t2) * p1 + (t3 - t2) * m1;
}

void robot_path_append(robot_state *r, const line_point *p, int32_t n) {
  if (n <= 0) return;
  const int32_t e = r->path_count;
  reserve(r, e + n);
  memcpy(r->path + e, p, sizeof(line_point) * (size_t)n);
  r->path_count = e + n;
  int32_t b = e - 5 > r->path_index ? e - 5 : r->path_index;
  if (b < 0 || b >= e - 1 || r->path[b].speed < 0 || r->path[e].speed < 0) return;
  // Tangents from the neighbours, scaled to the span being replaced.
  line_point *q = r->path;
  const int32_t before = b > 0 ? b - 1 : b, after = e + 1 < r->path_count ? e + 1 : e;
  const double span = e - b;
  double m0[3] = {(q[b].x - q[before].x) * span, (q[b].y - q[before].y) * span, (q[b].z - q[before].z) * span};
  double m1[3] = {(q[after].x - q[e].x) * span, (q[after].y - q[e].y) * span, (q[after].z - q[e].z) * span};
  if (before == b) m0[0] = m0[1] = m0[2] = 0;
  if (after == e) m1[0] = m1[1] = m1[2] = 0;
  for (int32_t i = b + 1; i < e; i++) {
    double t = (i - b) / span;
    line_point &o = q[i];
    float old_speed = o.speed;
    o.x = (float)hermite(q[b].x, m0[0], q[e].x, m1[0], t);
    o.y = (float)hermite(q[b].y, m0[1], q[e].y, m1[1], t);
    o.z = (float)hermite(q[b].z, m0[2], q[e].z, m1[2], t);
    float speed = (float)(q[b].speed + (q[e].speed - q[b].speed) * t);
    o.speed = speed < old_speed ? speed : old_speed;
    o.lean = (float)(q[b].lean + (q[e].lean - q[b].lean) * t);
  }
}

void robot_path_trim(robot_state *r, int32_t keep) {
  int32_t drop = r->path_index - keep;
  if (drop <= 0) return;
  memmove(r->path, r->path + drop, sizeof(line_point) * (size_t)(r->path_count - drop));
  r->path_count -= drop;
  r->path_index -= drop;
}

double robot_path_locate(const robot_state *r, double x, double z) {
  if (r->path_count <= 0) return -1;
  if (r->path_count == 1) return 0;
  int32_t from = r->path_index - 1 < 0 ? 0 : r->path_index - 1;
  if (from > r->path_count - 2) from = r->path_count - 2;
  int32_t to = from + 12 < r->path_count - 1 ? from + 12 : r->path_count - 1;
  double best = -1, best_d = 1e300;
  for (int32_t i = from; i < to; i++) {
    const line_point &a = r->path[i], &b = r->path[i + 1];
    double dx = b.x - a.x, dz = b.z - a.z, len2 = dx * dx + dz * dz;
    double t = len2 > 0 ? clamp01(((x - a.x) * dx + (z - a.z) * dz) / len2) : 0;
    double px = a.x + t * dx - x, pz = a.z + t * dz - z, d = px * px + pz * pz;
    if (d < best_d) best_d = d, best = i + t;
  }
  return best;
}

line_point robot_path_at(const robot_state *r, double index) {
  if (r->path_count <= 0) return line_point{};
  if (index <= 0) return r->path[0];
  if (index >= r->path_count - 1) return r->path[r->path_count - 1];
  int32_t i = (int32_t)index;
  double t = index - i;
  const line_point &a = r->path[i], &b = r->path[i + 1];
  line_point o;
  o.x = (float)(a.x + (b.x - a.x) * t);
  o.y = (float)(a.y + (b.y - a.y) * t);
  o.z = (float)(a.z + (b.z - a.z) * t);
  o.speed = (float)(a.speed + (b.speed - a.speed) * t);
  o.lean = (float)(a.lean + (b.lean - a.lean) * t);
  return o;
}

double line_continuation(const robot_state *r, const riding_line *l, double x, double z) {
  if (!l || l->n <= 0) return 0;
  if (r->path_count < 3) {
    double d = std::hypot(l->points[0].x - x, l->points[0].z - z);
    double c = clamp01((100 - d) / 96);
    return 10 * c * c * c;
  }
  if (l->n < 2) return 0;
  const line_point *e = r->path + r->path_count - 3;
  double centre[2];
  double rho = circle_centre(e[0], e[1], e[2], centre);
  double d1 = std::hypot(l->points[0].x - centre[0], l->points[0].z - centre[1]);
  double d2 = std::hypot(l->points[1].x - centre[0], l->points[1].z - centre[1]);
  double s = clamp01((std::fabs(e[2].speed) - std::fabs(l->points[0].speed) - 15) * -0.2);
  double r1 = clamp01((std::fabs(rho - d1) - 5) * (-2.0 / 7));
  double r2 = clamp01((std::fabs(d2 - d1) - 3) * -0.5);
  double m = r1 * r2;
  return s * m * m * m;
}

int32_t robot_choose_line(robot_state *r, int rule, int32_t now, double race_seconds, double x, double z) {
  const int32_t group = line_group_of_section(r->next_section);
  if (group < 0 || lines_in_group(group) == 0) return -1;
  const int32_t next_group = line_group_of_section(r->next_section + 1);
  double cost[LINE_SLOTS], cheapest = 1e300;
  for (int32_t i = 0; i < LINE_SLOTS; i++) {
    const riding_line *l = line_slot(group, i);
    cost[i] = 0;
    if (l->n <= 0) continue;
    // The line's own cost plus the cheapest line it leads into.
    double onward = 1e300;
    for (int32_t j = 0; j < LINE_SLOTS; j++) {
      const riding_line *q = line_slot(next_group, j);
      if (q && q->n > 0 && line_connects(l, q)) onward = std::fmin(onward, line_cost(q, rule));
    }
    cost[i] = line_cost(l, rule) + (onward < 1e300 ? onward : 0);
    cheapest = std::fmin(cheapest, cost[i]);
  }
  const int32_t recommended = rule < LINE_RULES ? recommended_line(rule, group) : 0;
  int32_t best = -1;
  double best_score = -1;
  for (int32_t i = 0; i < LINE_SLOTS; i++) {
    riding_line *l = line_slot(group, i);
    if (l->n <= 0) continue;
    double w = cost[i] > 0 ? cheapest / cost[i] : 1;
    if (recommended != 0 && l->line_id == recommended) w += (1 - w) * clamp01((race_seconds - 40) * 0.05);
    if (r->next_section == 0) w = 0.2 * w + 0.8;
    double c = line_continuation(r, l, x, z);
    double score = w * clamp01((double)(now - l->last_picked) * (1.0 / 128) / 3) + c;
    if (score > best_score) best_score = score, best = i;
    if (debug_level >= 2)
      log_printf("auto pilot: picking %d score = %f match = %f last_picked = %f\n", (int)i, score, c,
                 l->last_picked * (1.0 / 128));
  }
  if (best < 0) return -1;
  const riding_line *chosen = line_slot(group, best);
  const line_point &end = chosen->points[chosen->n - 1];
  for (int32_t i = 0; i < LINE_SLOTS; i++) {
    riding_line *l = line_slot(group, i);
    if (l->n <= 0) continue;
    const line_point &p = l->points[l->n - 1];
    double dx = p.x - end.x, dy = p.y - end.y, dz = p.z - end.z;
    if (i == best || dx * dx + dy * dy + dz * dz < 9) l->last_picked = now;
  }
  return best;
}
