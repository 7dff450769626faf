#include "robot/turn_target.h"

#include "race/timing.h"
#include "race/timing_gates.h"
#include "robot/autopilot.h"
#include "robot/lines.h"
#include "sim/bike.h"
#include "sim/world.h"

namespace {

const riding_line *fastest_line(int32_t section) {
  int32_t group = line_group_of_section(section);
  if (group < 0) return nullptr;
  const riding_line *best = nullptr;
  for (int32_t i = 0; i < LINE_SLOTS; i++) {
    const riding_line *l = line_slot(group, i);
    if (l && l->n > 0 && (!best || l->t1 < best->t1)) best = l;
  }
  return best;
}

void put(const line_point &p, double out[3]) { out[0] = p.x, out[1] = p.y, out[2] = p.z; }

}  // namespace

bool line_ahead_target(int slot, double x, double z, double out[3]) {
  if (slot < 0 || slot >= TIMING_SLOTS || !race_course.active) return false;
  const int32_t section = segment_index(race_timing.bikes[slot].gates_passed);
  for (int ahead = 0; ahead <= 2; ahead++) {
    const riding_line *l = fastest_line(section + ahead);
    if (!l || l->n < 2) return false;
    int32_t nearest = 0;
    double best = 1e300;
    for (int32_t i = 0; i < l->n; i++) {
      double dx = l->points[i].x - x, dz = l->points[i].z - z, d = dx * dx + dz * dz;
      if (d < best) best = d, nearest = i;
    }
    if (nearest == l->n - 1) continue;
    int32_t at = nearest + 4;
    if (at < l->n) {
      put(l->points[at], out);
      return true;
    }
    const riding_line *next = fastest_line(section + ahead + 1);
    if (!next) {
      put(l->points[nearest], out);
      return true;
    }
    at -= l->n;
    put(next->points[at < next->n ? at : next->n - 1], out);
    return true;
  }
  return false;
}

bool line_turn_target(const bike *b, double out[3]) {
  if (!b || b->slot < 0 || b->slot >= 40) return false;
  const robot_state &r = robot_states[b->slot];
  if (bike_slot_kind(b->slot) == BIKE_ROBOT && r.path_index >= 0 && r.path_index < r.path_count) {
    put(r.path[r.path_index], out);
    return true;
  }
  const dReal *c = dBodyGetPosition(b->chassis);
  return line_ahead_target(b->slot, c[0], c[2], out);
}
