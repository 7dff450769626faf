// Timing gates from the course: one row of start positions across the pad,
// checkpoints at even spacing around the loop from the finish line, a few on
// the start straight, and the two lap sequences, both ending on the finish.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "datakit.h"
#include "race/timing_gates_write.h"

namespace {

constexpr float GATE_MARGIN = 6.0f;  // radius beyond the track's half width

timing_file_checkpoint checkpoint_at(const course_path *p, float s) {
  path_sample q = course_sample_at(p, s);
  timing_file_checkpoint c;
  c.radius = q.half_width + GATE_MARGIN;
  c.position[0] = q.x, c.position[1] = q.bed, c.position[2] = q.z;
  c.direction[0] = q.tx, c.direction[1] = 0, c.direction[2] = q.tz;
  return c;
}

}  // namespace

void gates_generate(const course *c, timing_file *g) {
  const course_design *d = c->design;
  memset(g, 0, sizeof *g);
  // Facing +x: heading -pi/2. The row runs along z, centred on the straight,
  // so the default lineup's middle positions sit on the centre line.
  g->start_count = d->start_positions;
  for (int i = 0; i < d->start_positions; i++) {
    timing_file_start &s = g->starts[i];
    s.position[0] = d->start_x;
    s.position[1] = 0;  // the pad is level at height 0
    s.position[2] = d->start_z + (i - (d->start_positions - 1) * 0.5f) * d->start_spacing;
    s.heading = -1.5707964f;
  }

  const float L = c->loop.length;
  const int K = d->loop_gates;
  for (int k = 0; k < K; k++) g->checkpoints[k] = checkpoint_at(&c->loop, std::fmod(c->finish_s + k * L / K, L));
  // Straight gates between the end of the funnel and the bend into the join,
  // clear of the merge where the loop passes close by.
  const float first = c->funnel_end_s + 15.0f;
  const float last = std::max(first, c->straight.length - 110.0f);
  for (int k = 0; k < d->straight_gates; k++) {
    float s = d->straight_gates == 1 ? 0.5f * (first + last) : first + (last - first) * k / (d->straight_gates - 1);
    g->checkpoints[K + k] = checkpoint_at(&c->straight, s);
  }
  g->checkpoint_count = K + d->straight_gates;

  // First lap: the straight's gates, then the loop's gates met after the join, then the finish.
  auto ahead_of_join = [c, L](float s) { return std::fmod(s - c->join_s + 2 * L, L); };
  float finish_ahead = ahead_of_join(c->finish_s);
  int n = 0;
  for (int k = 0; k < d->straight_gates; k++) g->first_lap[n++] = K + k;
  for (int k = 1; k < K; k++)
    if (ahead_of_join(std::fmod(c->finish_s + k * L / K, L)) < finish_ahead) g->first_lap[n++] = k;
  g->first_lap[n++] = 0;
  g->first_count = n;
  for (int k = 1; k < K; k++) g->normal_lap[k - 1] = k;
  g->normal_lap[K - 1] = 0;
  g->normal_count = K;
}
