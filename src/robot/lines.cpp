#include "robot/lines.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/data.h"
#include "platform/log.h"
#include "race/timing_gates.h"
#include "sim/alloc.h"

line_store lines = {0, 0, 0, nullptr, {nullptr, nullptr, nullptr}, -1, ""};

static int32_t line_id_counter;

// Timing calls this when a course with line gates loads, so the store always
// matches the loaded gates.
static struct lines_hook_installer {
  lines_hook_installer() { timing_lines_prepare_hook = lines_prepare; }
} lines_hook_installer_instance;

const char *lines_file_name(int skill) {
  static const char *const names[SKILL_COUNT] = {"lines_novice", "lines_amateur", "lines_expert"};
  return skill >= 0 && skill < SKILL_COUNT ? names[skill] : names[0];
}

static void empty_slot(riding_line *l) {
  free(l->points);
  *l = riding_line{};
  l->t1 = l->t2 = l->best1 = l->best2 = LINE_NO_TIME;
  l->last_picked = LINE_UNPICKED;
}

void lines_empty() {
  for (int32_t g = 0; g < lines.group_count; g++)
    for (riding_line &l : lines.groups[g].slots) empty_slot(&l);
  for (int32_t *r : lines.recommended)
    if (r) memset(r, 0, sizeof(int32_t) * (size_t)lines.group_count);
}

void lines_clear() {
  lines_empty();
  free(lines.groups);
  for (int32_t *&r : lines.recommended) {
    free(r);
    r = nullptr;
  }
  lines.groups = nullptr;
  lines.first_groups = lines.normal_groups = lines.group_count = 0;
}

void lines_prepare_counts(int first, int normal) {
  if (lines.first_groups == first && lines.normal_groups == normal && lines.groups) {
    lines_empty();
    return;
  }
  lines_clear();
  if (first < 1 || normal < 1 || first + normal > LINE_GROUPS_MAX) return;
  lines.first_groups = first;
  lines.normal_groups = normal;
  lines.group_count = first + normal;
  lines.groups = (line_group *)sim_calloc((size_t)lines.group_count, sizeof(line_group));
  for (int32_t *&r : lines.recommended) r = (int32_t *)sim_calloc((size_t)lines.group_count, sizeof(int32_t));
  lines_empty();
}

void lines_prepare(int segments) {
  int first = race_course.first_segments, normal = race_course.normal_segments;
  if (first + normal != segments) {
    lines_clear();
    return;
  }
  lines_prepare_counts(first, normal);
}

int32_t line_group_of_section(int32_t s) {
  if (lines.group_count <= 0 || s < 0) return -1;
  if (s < lines.first_groups) return s;
  return lines.first_groups + (s - lines.first_groups) % lines.normal_groups;
}

riding_line *line_slot(int32_t group, int32_t slot) {
  if (group < 0 || group >= lines.group_count || slot < 0 || slot >= LINE_SLOTS) return nullptr;
  return &lines.groups[group].slots[slot];
}

int32_t lines_in_group(int32_t group) {
  int32_t n = 0;
  for (int32_t i = 0; i < LINE_SLOTS; i++) {
    riding_line *l = line_slot(group, i);
    if (l && l->n > 0) n++;
  }
  return n;
}

int32_t line_next_id() { return ++line_id_counter; }

int32_t line_add(int32_t group, int32_t slot, const line_point *points, int32_t n, int32_t t1, int32_t t2) {
  riding_line *l = line_slot(group, slot);
  if (!l || n <= 0 || n > LINE_POINTS_MAX || !points) return 0;
  empty_slot(l);
  l->points = (line_point *)sim_calloc((size_t)n, sizeof(line_point));
  memcpy(l->points, points, sizeof(line_point) * (size_t)n);
  l->n = n;
  l->t1 = t1;
  l->t2 = t2;
  l->line_id = line_next_id();
  return l->line_id;
}

// --- the lines file -------------------------------------------------------------

static int32_t clamp_nonnegative(int32_t v) { return v < 0 ? 0 : v; }

// Old runs weigh less as the counters are halved; averages survive.
static void bring_into_range(riding_line *l) {
  int64_t count = l->count, fails = l->fails, sum1 = l->sum1, sum2 = l->sum2;
  for (int round = 0; round < 17 && (sum2 > 100000000 || count > 65535 || fails > 65535); round++) {
    if (count / 2 != 0) {
      sum1 = (count / 2) * (sum1 / count);
      sum2 = (count / 2) * (sum2 / count);
      count /= 2;
    }
    fails /= 2;
  }
  if (sum1 > 100000000) sum1 = 100000000;
  if (sum2 > 100000000) sum2 = 100000000;
  if (count > 65535) count = 65535;
  if (fails > 65535) fails = 65535;
  l->count = (int32_t)count, l->fails = (int32_t)fails, l->sum1 = (int32_t)sum1, l->sum2 = (int32_t)sum2;
}

static void skip_line(data_stream *s) {
  int c;
  do c = data_getc(s);
  while (c >= 0 && c != '\n');
}

enum entry_result { ENTRY_STORED, ENTRY_SKIPPED, ENTRY_END };

// One entry into `slot` (nullptr: read and thrown away). A malformed point
// leaves the slot empty but keeps the reading in step, one point per line.
static entry_result read_entry(data_stream *s, riding_line *slot) {
  int32_t v[9];
  if (data_scanf(s, " %d %d %d %d %d %d %d %d %d ", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8]) !=
      9)
    return ENTRY_END;
  const int32_t n = v[0];
  // A count no recording can reach means the file is damaged from here on.
  if (n < 0 || n > LINE_POINTS_MAX) return ENTRY_END;
  line_point *pts = slot && n > 0 ? (line_point *)sim_calloc((size_t)n, sizeof(line_point)) : nullptr;
  bool good = n > 0;
  for (int32_t i = 0; i < n; i++) {
    line_point p;
    int got = data_scanf(s, " [ %f %f %f ] %f %f ", &p.x, &p.y, &p.z, &p.speed, &p.lean);
    if (got != 5 || !std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z) ||
        !std::isfinite(p.speed) || !std::isfinite(p.lean)) {
      if (got < 0 && data_getc(s) < 0) {  // the file ended inside the entry
        free(pts);
        return ENTRY_END;
      }
      good = false;
      skip_line(s);
      continue;
    }
    if (pts) pts[i] = p;
  }
  if (!slot || !good) {
    free(pts);
    return ENTRY_SKIPPED;
  }
  empty_slot(slot);
  slot->points = pts;
  slot->n = n;
  slot->t1 = clamp_nonnegative(v[1]);
  slot->t2 = clamp_nonnegative(v[2]);
  slot->count = clamp_nonnegative(v[3]);
  slot->best1 = clamp_nonnegative(v[4]);
  slot->best2 = clamp_nonnegative(v[5]);
  slot->sum1 = clamp_nonnegative(v[6]);
  slot->sum2 = clamp_nonnegative(v[7]);
  slot->fails = clamp_nonnegative(v[8]);
  bring_into_range(slot);
  slot->line_id = line_next_id();
  return ENTRY_STORED;
}

bool lines_read(data_stream *s) {
  lines_empty();
  int32_t groups = 0;
  if (!s || lines.group_count <= 0) return false;
  if (data_scanf(s, "ct03 %d ", &groups) != 1 || groups != lines.group_count) return false;
  for (int32_t g = 0; g < lines.group_count; g++) {
    int32_t k;
    if (data_scanf(s, " %d ", &k) != 1) return true;
    int32_t slot = 0;
    for (int32_t e = 0; e < k; e++) {
      riding_line *dest = slot < LINE_SLOTS ? &lines.groups[g].slots[slot] : nullptr;
      entry_result r = read_entry(s, dest);
      if (r == ENTRY_END) return true;
      if (r == ENTRY_STORED) slot++;
    }
  }
  return true;
}

bool lines_write(data_stream *s) {
  if (!s || lines.group_count <= 0) return false;
  bool ok = data_printf(s, "ct03 %d\n", (int)lines.group_count) > 0;
  for (int32_t g = 0; ok && g < lines.group_count; g++) {
    ok = data_printf(s, "%d\n", (int)lines_in_group(g)) > 0;
    for (const riding_line &l : lines.groups[g].slots) {
      if (!ok || l.n <= 0) continue;
      ok = data_printf(s, "%d %d %d %d %d %d %d %d %d\n", (int)l.n, (int)l.t1, (int)l.t2, (int)l.count, (int)l.best1,
                       (int)l.best2, (int)l.sum1, (int)l.sum2, (int)l.fails) > 0;
      for (int32_t i = 0; ok && i < l.n; i++) {
        const line_point &p = l.points[i];
        ok = data_printf(s, "[%f %f %f] %f %f\n", p.x, p.y, p.z, p.speed, p.lean) > 0;
      }
    }
  }
  return ok && data_flush(s) == 0;
}

static void lines_path(char *out, size_t size, const char *track, int skill) {
  snprintf(out, size, "@%s/%s", track, lines_file_name(skill));
}

bool lines_load(const char *track_folder, int skill) {
  if (race_course.active) lines_prepare(race_course.first_segments + race_course.normal_segments);
  lines_empty();
  snprintf(lines.track, sizeof lines.track, "%s", track_folder ? track_folder : "");
  lines.skill = skill >= 0 && skill < SKILL_COUNT ? skill : 0;
  if (lines.group_count <= 0 || !track_folder) return false;
  char name[512];
  lines_path(name, sizeof name, lines.track, lines.skill);
  data_stream *s = data_open(name, "rb");
  if (!s) return false;
  bool ok = lines_read(s);
  data_close(s);
  lines_thin();
  return ok;
}

bool lines_save(const char *track_folder) {
  const char *track = track_folder ? track_folder : lines.track;
  bool ok = false;
  if (lines.group_count > 0 && track[0] && lines.skill >= 0) {
    char name[512];
    lines_path(name, sizeof name, track, lines.skill);
    data_stream *s = data_open(name, "wb");
    if (s) {
      ok = lines_write(s);
      data_close(s);
    }
  }
  lines_empty();
  return ok;
}

// --- scores and eviction -----------------------------------------------------------

static int32_t saturate(int64_t v) { return v > 2147483647 ? 2147483647 : v < -2147483647 ? -2147483647 : (int32_t)v; }

int32_t line_score(const riding_line *l) {
  if (!l || l->n <= 0) return 1250000;
  if (l->count <= 0) return saturate((int64_t)l->t2 * 5 / 4 + (l->fails > 0 ? FAIL_PENALTY : 0));
  int64_t runs = (int64_t)l->count + (l->fails > 0 ? l->fails : 0);
  return saturate((int64_t)l->sum2 / l->count + (int64_t)FAIL_PENALTY * (l->fails > 0 ? l->fails : 0) / runs);
}

static bool far_from_others(const line_group &g, int32_t i) {
  const line_point &a = g.slots[i].points[0];
  for (int32_t j = 0; j < LINE_SLOTS; j++) {
    if (j == i || g.slots[j].n <= 0) continue;
    const line_point &b = g.slots[j].points[0];
    double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    if (dx * dx + dy * dy + dz * dz < 4) return false;
  }
  return true;
}

int32_t pick_line_to_evict(int32_t group) {
  if (group < 0 || group >= lines.group_count) return -1;
  const line_group &g = lines.groups[group];
  int32_t reliable = 0;
  for (const riding_line &l : g.slots)
    if (l.n > 0 && l.count > l.fails) reliable++;
  int32_t best = -1, best_score = 0;
  for (int32_t i = 0; i < LINE_SLOTS; i++) {
    const riding_line &l = g.slots[i];
    if (l.n <= 0) continue;
    if (reliable <= 22 && l.count > l.fails) continue;
    int32_t score = line_score(&l);
    if (far_from_others(g, i)) score = (int32_t)((int64_t)score * 3 / 4);
    if (best < 0 || score > best_score) best = i, best_score = score;
  }
  return best;
}

// --- thinning -------------------------------------------------------------------------

static bool side_of(const line_point &p, const line_point &q, const line_point &r) {
  double cross = ((double)q.x - p.x) * ((double)r.z - p.z) - ((double)q.z - p.z) * ((double)r.x - p.x);
  return cross >= 0;
}

static bool segments_cross(const line_point &p, const line_point &q, const line_point &r, const line_point &s) {
  return side_of(p, q, r) != side_of(p, q, s) && side_of(r, s, p) != side_of(r, s, q);
}

static bool lines_cross(const riding_line &a, const riding_line &b) {
  for (int32_t i = 0; i + 1 < a.n; i++)
    for (int32_t j = 0; j + 1 < b.n; j++)
      if (segments_cross(a.points[i], a.points[i + 1], b.points[j], b.points[j + 1])) return true;
  return false;
}

// Whether line b should replace candidate a on an equal crossing count.
static bool better_candidate(const riding_line &b, const riding_line &a) {
  bool tb = b.count > 0, ta = a.count > 0;
  if (tb != ta) return tb;
  if (tb) return b.sum2 / b.count < a.sum2 / a.count;
  return b.t2 < a.t2;
}

void prune_crossing_lines(int32_t group) {
  if (group < 0 || group >= lines.group_count) return;
  line_group &g = lines.groups[group];
  int32_t count = lines_in_group(group);
  while (count >= 44) {
    int32_t candidate = -1, most = 0;
    for (int32_t a = 0; a < LINE_SLOTS; a++) {
      if (g.slots[a].n < 2) continue;
      int32_t crossed = 0;
      for (int32_t b = 0; b < LINE_SLOTS; b++)
        if (b != a && g.slots[b].n >= 2 && lines_cross(g.slots[a], g.slots[b])) crossed++;
      if (crossed == 0) continue;
      if (crossed > most || (crossed == most && better_candidate(g.slots[a], g.slots[candidate])))
        candidate = a, most = crossed;
    }
    if (candidate >= 0) empty_slot(&g.slots[candidate]);
    int32_t evict = pick_line_to_evict(group);
    if (evict >= 0) empty_slot(&g.slots[evict]);
    if (candidate < 0 && evict < 0) break;
    count -= 2;
  }
}

void lines_thin() {
  for (int32_t g = 0; g < lines.group_count; g++)
    if (lines_in_group(g) >= 44) prune_crossing_lines(g);
  for (int rule = 0; rule < LINE_RULES; rule++) plan_recommended_lines(rule);
}

// --- costs, connections and routes -------------------------------------------------------

static int bit_length(int64_t v) {
  int k = 0;
  while (v > 0) k++, v >>= 1;
  return k;
}

double line_cost(const riding_line *l, int rule) {
  if (!l || l->n <= 0) return 1000000;
  const int64_t count = l->count > 0 ? l->count : 0, fails = l->fails > 0 ? l->fails : 0;
  if (rule == 3) {
    if (count + fails > 5 && fails > 4 * count) return 100000;
    int64_t sum = count + 4 * fails;
    return sum == 0 ? 0 : 1000.0 * (bit_length(sum) + 4);
  }
  const int64_t needed = rule == 2 ? 1 : 5;
  if (count < needed) return 1000000;
  double r = count + fails > 0 ? (double)fails / (double)(count + fails) : 0;
  if (r < 0) r = 0;
  if (r > 1) r = 1;
  const double a = (double)l->sum1 / (double)count;
  if (rule == 1) r = std::fmin(r * 8 / 7, 1);
  if (rule == 2) r = std::fmin(4 * r, 1);
  return a + r * (double)FAIL_PENALTY;
}

double circle_centre(const line_point &a, const line_point &b, const line_point &c, double centre[2]) {
  const double ax = a.x, az = a.z, bx = b.x, bz = b.z, cx = c.x, cz = c.z;
  const double d = 2 * (ax * (bz - cz) + bx * (cz - az) + cx * (az - bz));
  const double chord = std::hypot(cx - ax, cz - az);
  if (std::fabs(d) > 1e-9 * (chord * chord + 1e-12) && std::fabs(d) > 1e-12) {
    const double a2 = ax * ax + az * az, b2 = bx * bx + bz * bz, c2 = cx * cx + cz * cz;
    centre[0] = (a2 * (bz - cz) + b2 * (cz - az) + c2 * (az - bz)) / d;
    centre[1] = (a2 * (cx - bx) + b2 * (ax - cx) + c2 * (bx - ax)) / d;
  } else {
    // In a line: a far point across the chord stands in for the centre.
    double nx = -(cz - az), nz = cx - ax, len = std::hypot(nx, nz);
    if (len <= 0) nx = 1, nz = 0, len = 1;
    centre[0] = bx + 1000000.0 * nx / len;
    centre[1] = bz + 1000000.0 * nz / len;
  }
  return std::hypot(cx - centre[0], cz - centre[1]);
}

bool line_connects(const riding_line *p, const riding_line *q) {
  if (!p || !q || p->n <= 2 || q->n <= 1) return false;
  double c[2];
  const line_point *e = p->points + p->n - 3;
  const double rho = circle_centre(e[0], e[1], e[2], c);
  const double d1 = std::hypot(q->points[0].x - c[0], q->points[0].z - c[1]);
  const double d2 = std::hypot(q->points[1].x - c[0], q->points[1].z - c[1]);
  if (d1 < std::fmax(rho - 2.5, 0) || d1 > rho + 2.5) return false;
  if (std::fabs(d1 - d2) > 2) return false;
  return std::fabs(e[2].speed) <= std::fabs(q->points[0].speed) + 15;
}

namespace {

// One chain search over consecutive groups [g0, g0 + count): costs of the
// cheapest chain from the line `start` of g0 (or any line when start < 0) to
// every line of the last group, with back-pointers.
struct chain_search {
  int32_t g0, count;
  double *cost;    // count * LINE_SLOTS
  int32_t *from;   // count * LINE_SLOTS
};

const double UNREACHED = 1e300;

void chain_run(chain_search &c, int32_t start, int rule) {
  for (int32_t j = 0; j < c.count; j++)
    for (int32_t i = 0; i < LINE_SLOTS; i++) c.cost[j * LINE_SLOTS + i] = UNREACHED, c.from[j * LINE_SLOTS + i] = -1;
  for (int32_t i = 0; i < LINE_SLOTS; i++) {
    const riding_line &l = lines.groups[c.g0].slots[i];
    if (l.n > 0 && (start < 0 || start == i)) c.cost[i] = line_cost(&l, rule);
  }
  for (int32_t j = 1; j < c.count; j++) {
    const line_group &prev = lines.groups[c.g0 + j - 1], &cur = lines.groups[c.g0 + j];
    for (int32_t q = 0; q < LINE_SLOTS; q++) {
      if (cur.slots[q].n <= 0) continue;
      const double own = line_cost(&cur.slots[q], rule);
      for (int32_t p = 0; p < LINE_SLOTS; p++) {
        double before = c.cost[(j - 1) * LINE_SLOTS + p];
        if (before >= UNREACHED || !line_connects(&prev.slots[p], &cur.slots[q])) continue;
        if (before + own < c.cost[j * LINE_SLOTS + q]) c.cost[j * LINE_SLOTS + q] = before + own, c.from[j * LINE_SLOTS + q] = p;
      }
    }
  }
}

// Writes the chain ending in `last` into route[g0 ..].
void chain_trace(const chain_search &c, int32_t last, int32_t *route) {
  for (int32_t j = c.count - 1; j >= 0 && last >= 0; j--) {
    route[c.g0 + j] = last;
    last = c.from[j * LINE_SLOTS + last];
  }
}

}  // namespace

bool plan_recommended_lines(int rule) {
  if (rule < 0 || rule >= LINE_RULES || lines.group_count <= 0) return false;
  const int32_t F = lines.first_groups, L = lines.normal_groups;
  int32_t *rec = lines.recommended[rule];
  memset(rec, 0, sizeof(int32_t) * (size_t)lines.group_count);
  int32_t *route = (int32_t *)sim_calloc((size_t)lines.group_count, sizeof(int32_t));
  for (int32_t g = 0; g < lines.group_count; g++) route[g] = -1;
  const int32_t most = F > L ? F : L;
  chain_search c = {0, 0, (double *)sim_calloc((size_t)most * LINE_SLOTS, sizeof(double)),
                    (int32_t *)sim_calloc((size_t)most * LINE_SLOTS, sizeof(int32_t))};

  // Normal lap: the cheapest chain that closes on its own first line.
  double normal_best = UNREACHED;
  c.g0 = F, c.count = L;
  const line_group &first_normal = lines.groups[F];
  for (int32_t a = 0; a < LINE_SLOTS; a++) {
    if (first_normal.slots[a].n <= 0) continue;
    chain_run(c, a, rule);
    for (int32_t q = 0; q < LINE_SLOTS; q++) {
      double total = c.cost[(L - 1) * LINE_SLOTS + q];
      if (total >= UNREACHED || !line_connects(&lines.groups[F + L - 1].slots[q], &first_normal.slots[a])) continue;
      if (total < normal_best) {
        normal_best = total;
        chain_trace(c, q, route);
      }
    }
  }
  // First lap: the cheapest chain that runs into the normal route.
  double first_best = UNREACHED;
  if (normal_best < UNREACHED) {
    c.g0 = 0, c.count = F;
    chain_run(c, -1, rule);
    const riding_line &target = first_normal.slots[route[F]];
    int32_t best_last = -1;
    for (int32_t q = 0; q < LINE_SLOTS; q++) {
      double total = c.cost[(F - 1) * LINE_SLOTS + q];
      if (total >= UNREACHED || !line_connects(&lines.groups[F - 1].slots[q], &target)) continue;
      if (total < first_best) first_best = total, best_last = q;
    }
    if (best_last >= 0) chain_trace(c, best_last, route);
  }
  for (int32_t g = 0; g < lines.group_count; g++) {
    if (g < F && first_best >= UNREACHED) continue;
    if (g >= F && normal_best >= UNREACHED) continue;
    const riding_line *l = route[g] >= 0 ? &lines.groups[g].slots[route[g]] : nullptr;
    if (l && l->n > 0 && l->count >= 5) rec[g] = l->line_id;
  }
  if (debug_level >= 1) {
    log_printf("First lap: %f\n", first_best < UNREACHED ? first_best * (1.0 / 128) : 0.0);
    log_printf("Normal lap: %f\n", normal_best < UNREACHED ? normal_best * (1.0 / 128) : 0.0);
  }
  free(c.cost);
  free(c.from);
  free(route);
  return true;
}

int32_t recommended_line(int rule, int32_t group) {
  if (rule < 0 || rule >= LINE_RULES || group < 0 || group >= lines.group_count || !lines.recommended[rule]) return 0;
  return lines.recommended[rule][group];
}
