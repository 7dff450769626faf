// Per-slot crossing records, the per-tick crossing search, laps and lap times.
#include "race/timing.h"

#include <cstring>

#include "app/game_tick.h"
#include "platform/log.h"
#include "race/timing_gates.h"
#include "sim/world.h"

race_timing_state race_timing;
void (*timing_line_crossing_hook)(int slot, int32_t gate_index, int32_t previous_gates_passed);

namespace {

bike_timing *record(int slot) {
  if (slot < 0 || slot >= TIMING_SLOTS) return nullptr;
  return &race_timing.bikes[slot];
}

// Grows the array to hold index k (new entries -1). Allocation failure takes
// the program's out-of-memory path through operator new.
void extend_to(bike_timing *b, int32_t k) {
  if (k < b->crossing_count) return;
  if (k >= b->crossing_capacity) {
    int32_t cap = b->crossing_capacity ? b->crossing_capacity : 16;
    while (cap <= k) cap *= 2;
    int32_t *grown = new int32_t[cap];
    if (b->crossing_count) memcpy(grown, b->crossing, sizeof(int32_t) * b->crossing_count);
    delete[] b->crossing;
    b->crossing = grown;
    b->crossing_capacity = cap;
  }
  for (int32_t i = b->crossing_count; i <= k; i++) b->crossing[i] = TIMING_NO_RECORD;
  b->crossing_count = k + 1;
}

bool record_at(const bike_timing *b, int32_t k) {
  return k >= 0 && k < b->crossing_count && b->crossing[k] != TIMING_NO_RECORD;
}

// On the gate's disc and on its far side along the travel direction.
bool on_and_past(int32_t k, double x, double z) {
  const timing_gate &c = race_course.gates[sequence_gate(k)];
  double dx = x - c.position[0], dz = z - c.position[2];
  double r = c.radius;
  if (dx * dx + dz * dz > r * r) return false;
  return dx * c.direction[0] + dz * c.direction[2] >= 0;
}

// After a completed lap: the rider finishes once the leader has completed
// R laps, or when it has completed them itself.
void apply_finish_rule(int slot, bike_timing *b) {
  if (debug_level >= 1) {
    int32_t lap = laps_completed(slot);
    log_printf("Slot %d completed lap %d in %.3f s\n", slot, (int)lap, lap_time(slot, lap));
  }
  if (b->finished) return;
  int32_t e = finish_gate(race_timing.race_laps);
  bool leader_done = race_timing.standings_count > 0 && race_timing.standings[0].gates_passed > e;
  if (leader_done || laps_completed(slot) >= race_timing.race_laps) b->finished = true;
}

}  // namespace

void timing_bike_clear(int slot) {
  bike_timing *b = record(slot);
  if (!b) return;
  delete[] b->crossing;
  b->crossing = nullptr;
  b->crossing_count = b->crossing_capacity = 0;
  b->gates_passed = 0;
  b->finished = false;
}

void timing_bikes_reset() {
  for (int i = 0; i < TIMING_SLOTS; i++) timing_bike_clear(i);
  race_timing.standings_count = 0;
  race_timing.results_final = false;
}

void timing_set_present(int slot, bool present) {
  if (bike_timing *b = record(slot)) b->present = present;
}

bool timing_update_at(int slot, double x, double z, int32_t tick) {
  bike_timing *b = record(slot);
  if (!b || !b->present || !race_course.active || b->finished) return false;
  const int32_t p = b->gates_passed;
  static const int offsets[] = {-3, -2, 0, 1, 2};  // -1, the gate just passed, is never tried
  bool gap = false;
  int32_t k = -1;
  for (int i : offsets) {
    int32_t g = p + i;
    if (g < 0) continue;
    if (!record_at(b, g)) gap = true;
    if (on_and_past(g, x, z)) {
      if (i < 0 && !gap) continue;  // going back is only allowed to fill a skipped gate
      k = g;
      break;
    }
    if (gate_ends_lap(g) && !record_at(b, g)) return false;  // a lap's last gate can't be skipped
  }
  if (k < 0 || k >= TIMING_CROSSINGS_MAX) return false;

  extend_to(b, k);
  b->crossing[k] = tick;
  if (sequence_is_line_gate(k) && timing_line_crossing_hook) timing_line_crossing_hook(slot, k, p);
  b->gates_passed = k + 1;
  int32_t d = b->gates_passed - race_course.first_count;
  if (d >= 0 && d % race_course.normal_count == 0) apply_finish_rule(slot, b);
  standings_update();
  return true;
}

int32_t crossing_tick(int slot, int32_t k) {
  const bike_timing *b = record(slot);
  return b && record_at(b, k) ? b->crossing[k] : TIMING_NO_RECORD;
}

bool has_crossing(int slot, int32_t k) { return crossing_tick(slot, k) != TIMING_NO_RECORD; }

bool timing_set_crossing(int slot, int32_t k, int32_t tick) {
  bike_timing *b = record(slot);
  if (!b || k < 0 || k >= TIMING_CROSSINGS_MAX) return false;
  extend_to(b, k);
  b->crossing[k] = tick;
  b->gates_passed = k + 1;
  return true;
}

void timing_rewind(int slot, int32_t n) {
  bike_timing *b = record(slot);
  if (!b) return;
  if (n < 0) n = 0;
  if (n < b->crossing_count) b->crossing_count = n;
  b->gates_passed = n;
  b->finished = false;
}

void timing_truncate_after(int32_t tick) {
  for (int i = 0; i < TIMING_SLOTS; i++) {
    bike_timing *b = &race_timing.bikes[i];
    int32_t n = 0;  // one past the last crossing at or before `tick`
    for (int32_t k = 0; k < b->crossing_count && k < b->gates_passed; k++) {
      if (b->crossing[k] > tick) break;
      if (b->crossing[k] != TIMING_NO_RECORD) n = k + 1;
    }
    if (n < b->gates_passed) {
      b->gates_passed = n;
      b->finished = false;
    }
    if (n < b->crossing_count) b->crossing_count = n;
  }
  race_timing.results_final = false;
}

int32_t laps_from_gates(int32_t gates_passed) {
  int32_t f = race_course.first_count, n = race_course.normal_count;
  if (!race_course.active || n <= 0 || gates_passed < f) return 0;
  return (gates_passed - f) / n + 1;
}

int32_t laps_completed(int slot) {
  const bike_timing *b = record(slot);
  return b ? laps_from_gates(b->gates_passed) : 0;
}

float lap_time(int slot, int32_t lap) {
  if (!race_course.active || lap <= 0 || lap > laps_completed(slot)) return 0;
  int32_t f = race_course.first_count, n = race_course.normal_count;
  int32_t start, end;
  if (lap == 1) {
    start = race_start_tick;
    end = crossing_tick(slot, f - 1);
  } else {
    start = crossing_tick(slot, f + n * (lap - 2) - 1);
    end = crossing_tick(slot, f + n * (lap - 1) - 1);
  }
  if (start == TIMING_NO_RECORD || end == TIMING_NO_RECORD) return 0;
  return (float)((double)(end - start) * TICK_LENGTH);
}

int32_t best_lap(int slot) {
  int32_t laps = laps_completed(slot);
  int32_t best = 0;
  float best_time = 0;
  for (int32_t l = 2; l <= laps; l++) {
    float t = lap_time(slot, l);
    if (t != 0 && (best == 0 || t < best_time)) {
      best = l;
      best_time = t;
    }
  }
  return best;
}

int32_t finish_gate(int32_t race_laps) {
  if (race_laps <= 0) return 0;
  int64_t e = (int64_t)race_course.first_count + (int64_t)race_course.normal_count * (race_laps - 1) - 1;
  return e > INT32_MAX ? INT32_MAX : (int32_t)e;
}

bool rider_finished(int slot) {
  bike_timing *b = record(slot);
  if (!b) return false;
  if (b->finished) return true;
  if (race_timing.standings_count == 0 || !race_course.active) return false;
  int32_t e = finish_gate(race_timing.race_laps);
  const standings_entry &leader = race_timing.standings[0];
  if (leader.gates_passed <= e || !has_crossing(leader.slot, e)) return false;
  int32_t f = race_course.first_count, n = race_course.normal_count;
  if (b->gates_passed < f) return false;
  int32_t lap_end = crossing_tick(slot, f + n * ((b->gates_passed - f) / n) - 1);
  if (lap_end == TIMING_NO_RECORD || lap_end < crossing_tick(leader.slot, e)) return false;
  b->finished = true;
  return true;
}
