// The shipped riding lines: for every line group of the course, lateral
// variants 3 ft apart sampled every 0.25 s of riding at the design speed, with
// the lean the curvature needs; group 0 has one line per start position that
// launches straight off the pad and narrows with the funnel into its variant.
// Each skill's file rides the same lines at its own share of the design speed
// (novices slowest), written by the game's own lines writer.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "data/data.h"
#include "datakit.h"
#include "race/timing_gates_write.h"
#include "robot/lines.h"

namespace {

constexpr float VARIANTS[] = {-6, -3, 0, 3, 6};  // ft to the rider's right
constexpr float CHASSIS_BEHIND = 3.6f + 0.625f;  // first-row chassis behind the start line
constexpr float CHASSIS_HEIGHT = 2.0f;
constexpr float START_ACCEL = 28.0f;  // about what a launch from the gate gives
constexpr float PAD_LENGTH = 25.0f;   // the level pad before the funnel (course.cpp)
// Share of the design speed per skill (novice, amateur, expert).
constexpr float SKILL_SPEED[SKILL_COUNT] = {0.8f, 0.9f, 1.0f};
constexpr float MIN_SPEED = 10.0f;

// A lap as one distance u along the centre lines: the first lap runs from the
// start line down the straight and on round the loop from the join; the
// normal lap runs round the loop from the finish line.
struct lap_route {
  const course *c;
  bool first;
  float straight_part;  // first lap: u at the join
  std::vector<float> straight_speed;  // first lap: riding speed per straight sample
};

// The speed to ride the start straight at: a launch from rest at the start
// line, the design's lateral grip through its curve, and braking only as far
// as the loop's own speed at the join (not to a stop).
std::vector<float> straight_speeds(const course &c) {
  const course_path &p = c.straight;
  const int n = (int)p.pts.size();
  std::vector<float> v(n);
  for (int i = 0; i < n; i++) {
    float k = 0;
    int m = 0;
    for (int j = i - 10; j <= i + 10; j++)
      if (j >= 0 && j < n) k += p.pts[j].kappa, m++;
    k = std::fabs(k / m);
    v[i] = k > 1e-6f ? std::fmin(DESIGN_TOP_SPEED, std::sqrt(DESIGN_LATERAL / k)) : DESIGN_TOP_SPEED;
    v[i] = std::fmin(v[i], std::sqrt(2 * START_ACCEL * std::fmax(p.pts[i].s - c.start_line_s, 0.0f)));
  }
  if (n > 0) v[n - 1] = std::fmin(v[n - 1], course_sample_at(&c.loop, c.join_s).speed);
  for (int i = n - 2; i >= 0; i--) v[i] = std::fmin(v[i], std::sqrt(v[i + 1] * v[i + 1] + 2 * DESIGN_BRAKE * p.step));
  return v;
}

path_sample sample_route(const lap_route &r, float u, float lateral) {
  const course &c = *r.c;
  const course_path *p;
  float s;
  if (r.first && u < r.straight_part) {
    p = &c.straight, s = c.start_line_s + u;
  } else {
    p = &c.loop;
    s = std::fmod((r.first ? c.join_s + (u - r.straight_part) : c.finish_s + u) + 2 * c.loop.length, c.loop.length);
  }
  path_sample q = course_sample_at(p, s);
  if (p == &c.straight && !r.straight_speed.empty()) {
    float f = s / p->step;
    int i = (int)std::floor(f), n = (int)r.straight_speed.size();
    i = i < 0 ? 0 : i > n - 2 ? n - 2 : i;
    float t = std::fmin(std::fmax(f - i, 0.0f), 1.0f);
    q.speed = n > 1 ? r.straight_speed[i] + (r.straight_speed[i + 1] - r.straight_speed[i]) * t : r.straight_speed[0];
  }
  q.x += -q.tz * lateral;
  q.z += q.tx * lateral;
  q.bed = course_bed_height(p, s, lateral);
  return q;
}

// Route distance of a gate: its nearest centre-line sample.
float gate_u(const lap_route &r, const timing_file_checkpoint &g) {
  const course &c = *r.c;
  auto nearest = [&](const course_path &p) {
    float best = 1e30f, s = 0;
    for (const path_sample &q : p.pts) {
      float d = (q.x - g.position[0]) * (q.x - g.position[0]) + (q.z - g.position[2]) * (q.z - g.position[2]);
      if (d < best) best = d, s = q.s;
    }
    return std::make_pair(best, s);
  };
  auto on_loop = nearest(c.loop);
  if (r.first) {
    auto on_straight = nearest(c.straight);
    if (on_straight.first < on_loop.first) return on_straight.second - c.start_line_s;
    return r.straight_part + std::fmod(on_loop.second - c.join_s + 2 * c.loop.length, c.loop.length);
  }
  return std::fmod(on_loop.second - c.finish_s + 2 * c.loop.length, c.loop.length);
}

line_point point_at(const lap_route &r, float u, float lateral, float speed_cap, float scale) {
  path_sample q = sample_route(r, u, lateral);
  float v = std::fmin(q.speed * scale, speed_cap);
  if (v < MIN_SPEED) v = MIN_SPEED;
  line_point p;
  p.x = q.x, p.z = q.z, p.y = q.bed + CHASSIS_HEIGHT;
  p.speed = v;
  p.lean = std::atan(v * v * q.kappa / GRAVITY);
  return p;
}

// Points every 0.25 s from u0 to u1 (the last one on u1). `lateral(u)` gives
// the offset, `cap(u)` a speed limit (the launch from the gate).
template <typename Lat, typename Cap>
std::vector<line_point> sample_line(const lap_route &r, float u0, float u1, Lat lateral, Cap cap, float scale) {
  std::vector<line_point> pts;
  float u = u0;
  while (u < u1 - 1.0f && pts.size() < LINE_POINTS_MAX - 1) {
    line_point p = point_at(r, u, lateral(u), cap(u), scale);
    pts.push_back(p);
    u += p.speed * 0.25f;
  }
  pts.push_back(point_at(r, u1, lateral(u1), cap(u1), scale));
  while (pts.size() < 3) {  // a very short section still makes a usable line
    line_point mid = pts.back();
    pts.insert(pts.end() - 1, mid);
  }
  return pts;
}

int32_t ticks_for(const std::vector<line_point> &pts) { return (int32_t)((pts.size() - 1) * 32); }

bool add_line(int32_t group, int32_t slot, const std::vector<line_point> &pts) {
  int32_t t = ticks_for(pts);
  return line_add(group, slot, pts.data(), (int32_t)pts.size(), t, 2 * t) != 0;
}

}  // namespace

bool lines_generate(const course *c, const timing_file *g, const char *track_dir_path) {
  const std::string track_dir = track_dir_path ? track_dir_path : "";
  const course_design &d = *c->design;
  lap_route first{c, true, c->straight.length - c->start_line_s, straight_speeds(*c)};
  lap_route normal{c, false, 0, {}};
  const int32_t F = g->first_count, N = g->normal_count;
  lines_prepare_counts(F, N);
  if (lines.group_count != F + N) return false;
  std::vector<float> first_u, normal_u;
  for (int32_t i = 0; i < F; i++) first_u.push_back(gate_u(first, g->checkpoints[g->first_lap[i] % 100000]));
  for (int32_t i = 0; i < N; i++) normal_u.push_back(gate_u(normal, g->checkpoints[g->normal_lap[i] % 100000]));
  normal_u.back() = c->loop.length;  // the finish closes the lap

  auto steady = [](float) { return 1e9f; };
  // Group 0: from each start position's chassis, straight ahead while the
  // robot launches (it does not steer then), then narrowing with the funnel
  // so that every line stays as far inside it as its start position was.
  const float merge_end = c->funnel_end_s - c->start_line_s;
  const float funnel = merge_end - PAD_LENGTH;
  for (int skill = 0; skill < SKILL_COUNT; skill++) {
    const float scale = SKILL_SPEED[skill];
    lines_prepare_counts(F, N);
    for (int32_t i = 0; i < g->start_count && i < LINE_SLOTS; i++) {
      const float start_lat = g->starts[i].position[2] - d.start_z;
      float target = VARIANTS[0];
      for (float v : VARIANTS)
        if (std::fabs(v - start_lat) < std::fabs(target - start_lat)) target = v;
      auto lateral = [=](float u) {
        return target + (start_lat - target) * (1 - smoothstep01((u - PAD_LENGTH) / funnel));
      };
      // The sideways swing of the merge is a curve of its own: slow enough
      // for the design's lateral grip through it.
      auto launch = [=](float u) {
        const float h = 2.0f, bend = std::fabs(lateral(u + h) - 2 * lateral(u) + lateral(u - h)) / (h * h);
        float v = std::sqrt(2 * START_ACCEL * std::fmax(u + CHASSIS_BEHIND, 0.0f));
        return bend > 1e-6f ? std::fmin(v, std::sqrt(DESIGN_LATERAL / bend)) : v;
      };
      if (!add_line(0, i, sample_line(first, -CHASSIS_BEHIND, first_u[0], lateral, launch, scale))) return false;
    }
    for (int v = 0; v < (int)(sizeof VARIANTS / sizeof VARIANTS[0]); v++) {
      auto lateral = [v](float) { return VARIANTS[v]; };
      for (int32_t s = 1; s < F; s++)
        if (!add_line(s, v, sample_line(first, first_u[s - 1], first_u[s], lateral, steady, scale))) return false;
      for (int32_t s = 0; s < N; s++)
        if (!add_line(F + s, v, sample_line(normal, s == 0 ? 0 : normal_u[s - 1], normal_u[s], lateral, steady, scale)))
          return false;
    }
    std::string path = track_dir + lines_file_name(skill);
    data_stream *s = data_open(path.c_str(), "wb");
    bool ok = s && lines_write(s);
    if (s) data_close(s);
    if (!ok) {
      fprintf(stderr, "kv_datakit: can't write %s\n", path.c_str());
      lines_clear();
      return false;
    }
    lines_clear();
  }
  lines_clear();
  return true;
}
