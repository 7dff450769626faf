// The standings order and the track-cutting penalty of the final results.
#include <cstdint>

#include "app/heap_sort.h"
#include "race/timing.h"
#include "race/timing_gates.h"

void (*standings_rebuilt_hook)();

namespace {

constexpr int32_t CUT_ALLOWANCE = 128;      // 1 s more than the typical time is never a cut
constexpr int32_t NO_REFERENCE = 60 * 128;  // 60 s when nobody rode the stretch cleanly

int32_t latest_tick(int slot, int32_t gates_passed) {
  int32_t t = crossing_tick(slot, gates_passed - 1);
  return t == TIMING_NO_RECORD ? 0 : t;
}

// More gates first, then the earlier latest crossing, then the lower slot.
int compare_standings(const void *pa, const void *pb) {
  const standings_entry *a = (const standings_entry *)pa, *b = (const standings_entry *)pb;
  if (a->gates_passed != b->gates_passed) return a->gates_passed < b->gates_passed ? 1 : -1;
  if (a->latest_tick != b->latest_tick) return a->latest_tick > b->latest_tick ? 1 : -1;
  return a->slot > b->slot ? 1 : a->slot < b->slot ? -1 : 0;
}

// Ticks from gate a to gate b when the rider crossed both and every gate
// between them (a < 0: from tick 0); -1 otherwise.
int32_t clean_stretch(int slot, int32_t a, int32_t b, int32_t gates_passed) {
  if (b >= gates_passed) return -1;
  for (int32_t k = a < 0 ? 0 : a; k <= b; k++)
    if (!has_crossing(slot, k)) return -1;
  int32_t start = a < 0 ? 0 : crossing_tick(slot, a);
  return crossing_tick(slot, b) - start;
}

}  // namespace

void standings_update() {
  if (race_timing.results_final) return;
  int n = 0;
  for (int i = 0; i < TIMING_SLOTS && n < STANDINGS_MAX; i++) {
    const bike_timing &b = race_timing.bikes[i];
    if (!b.present) continue;
    race_timing.standings[n].slot = i;
    race_timing.standings[n].gates_passed = b.gates_passed;
    race_timing.standings[n].latest_tick = latest_tick(i, b.gates_passed);
    n++;
  }
  race_timing.standings_count = n;
  heap_sort(race_timing.standings, n, sizeof(standings_entry), compare_standings);
  if (standings_rebuilt_hook) standings_rebuilt_hook();
}

int standings_index(int slot) {
  int i = 0;
  while (i < race_timing.standings_count && race_timing.standings[i].slot != slot) i++;
  return i;
}

int standings_step(int slot, int direction) {
  int i = standings_index(slot);
  if (i >= race_timing.standings_count) return slot;
  if (direction < 0 && i > 0) i--;
  if (direction > 0 && i < race_timing.standings_count - 1) i++;
  return race_timing.standings[i].slot;
}

int32_t reference_time(int32_t a, int32_t b) {
  int64_t total = 0;
  int32_t riders = 0;
  const int32_t f = race_course.first_count, n = race_course.normal_count;
  for (int i = 0; i < race_timing.standings_count; i++) {
    int slot = race_timing.standings[i].slot;
    int32_t gates = race_timing.bikes[slot].gates_passed;
    int64_t sum = 0;
    int32_t laps = 0;
    // A normal-lap stretch is measured again in every later lap.
    for (int32_t s = 0;; s += n) {
      if ((int64_t)b + s >= gates) break;
      int32_t t = clean_stretch(slot, a + s, b + s, gates);
      if (t >= 0) {
        sum += t;
        laps++;
      }
      if (a < f || n <= 0) break;
    }
    if (laps) {
      total += sum / laps;
      riders++;
    }
  }
  return riders ? (int32_t)(total / riders) : NO_REFERENCE;
}

cut_penalty track_cut_penalty(int slot) {
  cut_penalty r = {0, 0, 0};
  if (slot < 0 || slot >= TIMING_SLOTS) return r;
  const bike_timing &b = race_timing.bikes[slot];
  r.gates_passed = b.gates_passed;
  int64_t penalty = 0;
  int32_t skipped = 0;
  for (int32_t k = 0; k < b.gates_passed && k < b.crossing_count; k++) {
    int32_t t = b.crossing[k];
    if (t == TIMING_NO_RECORD) {
      skipped++;
      continue;
    }
    if (skipped > 0) {
      int32_t before = k - skipped - 1;
      int32_t start = before < 0 ? 0 : b.crossing[before];
      int64_t reference = (int64_t)reference_time(before, k) + CUT_ALLOWANCE;
      if (t - start < reference) penalty += reference - (t - start);
    }
    skipped = 0;
  }

  // A penalty longer than the last lap costs whole laps.
  const int32_t f = race_course.first_count, n = race_course.normal_count;
  int32_t laps = laps_completed(slot);
  if (laps >= 2 && n > 0) {
    int64_t lap_ticks =
        (int64_t)crossing_tick(slot, f + n * (laps - 1) - 1) - crossing_tick(slot, f + n * (laps - 2) - 1);
    bool known = has_crossing(slot, f + n * (laps - 1) - 1) && has_crossing(slot, f + n * (laps - 2) - 1);
    if (known && lap_ticks > 0 && penalty > lap_ticks) {
      // Never below zero gates: a count of -N is no result.
      while (penalty > lap_ticks && r.gates_passed > f && r.gates_passed - n >= 0) {
        r.gates_passed -= n;
        penalty -= lap_ticks;
      }
    }
  }
  int64_t total = (int64_t)latest_tick(slot, b.gates_passed) + penalty;
  r.penalty = penalty > INT32_MAX ? INT32_MAX : (int32_t)penalty;
  r.total_time = total > INT32_MAX ? INT32_MAX : (int32_t)total;
  return r;
}
