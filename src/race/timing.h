// Lap counting: each slot's progress through the course's gate sequence, the
// crossing test run once per tick per bike, laps and lap times, the standings
// and the finishing rules, and the track-cutting penalty of the final results.
//
// The records are fixed tables of BIKE_SLOTS entries; a slot's crossing ticks
// are a growable array owned by its record (freed by timing_bikes_reset or
// timing_bike_clear). Gate indices k count gates passed over the whole race;
// a crossing tick of -1 marks a skipped gate. Out-of-range slots read as empty
// and ignore writes. Main thread only.
#pragma once
#include <cstdint>

enum { TIMING_SLOTS = 40, STANDINGS_MAX = 40, TIMING_NO_RECORD = -1 };
// Crossing records beyond this index are refused (a peer or a long ride can't
// make the array grow without bound).
enum { TIMING_CROSSINGS_MAX = 1 << 20 };

struct bike_timing {
  bool present;           // the slot holds a bike taking part in the standings
  int32_t gates_passed;   // index of the next gate expected
  int32_t *crossing;      // crossing tick per gate index, -1 when skipped
  int32_t crossing_count;
  int32_t crossing_capacity;
  bool finished;
};

struct standings_entry {
  int32_t slot;
  int32_t gates_passed;
  int32_t latest_tick;  // tick of the crossing before the next expected gate, 0 when none
};

struct race_timing_state {
  bike_timing bikes[TIMING_SLOTS];
  standings_entry standings[STANDINGS_MAX];
  int32_t standings_count;
  int32_t race_laps;      // R; 1000000 while a time-limited race is still short of its limit
  bool results_final;     // no further standings rebuilds
};

extern race_timing_state race_timing;

// Seams filled by other modules (nullptr until installed):
// - riding-line bookkeeping at each crossing of a gate not flagged GATE_NO_SEGMENT,
//   called before gates_passed advances (it is still `previous_gates_passed`);
extern void (*timing_line_crossing_hook)(int slot, int32_t gate_index, int32_t previous_gates_passed);
// - after each standings rebuild: the time limit, then the end-of-race check.
extern void (*standings_rebuilt_hook)();

// Race set-up: every slot's crossings and gates passed cleared, not finished,
// results not final, empty standings. Presence is kept.
void timing_bikes_reset();
// One slot's crossings cleared and its array freed; it leaves the standings.
void timing_bike_clear(int slot);
void timing_set_present(int slot, bool present);

// One tick of one bike whose front wheel stands at (x, z): the crossing
// search and everything that follows a crossing. Returns true when a gate was
// crossed (gates passed changed). Nothing happens while timing is inactive,
// for an absent slot or once the bike has finished.
bool timing_update_at(int slot, double x, double z, int32_t tick);

// Crossing tick of gate k, or -1 when skipped, not reached or out of range.
int32_t crossing_tick(int slot, int32_t k);
bool has_crossing(int slot, int32_t k);
// Records a crossing of gate k at `tick` and sets gates passed to k + 1 (the
// array grows with -1 entries). False for a bad slot or k.
bool timing_set_crossing(int slot, int32_t k, int32_t tick);
// Sets gates passed to n, dropping the crossings from n on, and clears the
// finished flag (time-trial restarts).
void timing_rewind(int slot, int32_t n);
// Drops every crossing recorded after `tick` (seeking back in a demo); slots
// whose count changes are no longer finished. Clears results_final.
void timing_truncate_after(int32_t tick);

int32_t laps_completed(int slot);
// From gates passed alone (the penalised counts of the final results).
int32_t laps_from_gates(int32_t gates_passed);
// Seconds, single precision; 0 when not completed or a crossing is missing.
float lap_time(int slot, int32_t lap);
int32_t best_lap(int slot);

// Rebuilds the standings (unless results are final) and calls the hook.
void standings_update();
// The slot one place up (direction < 0) or down (> 0) in the standings,
// stopping at the ends; `slot` itself when it is not in the standings.
int standings_step(int slot, int direction);
// Index of the slot in the standings, or standings_count when absent.
int standings_index(int slot);

// Gate index ending race lap R (0 when R <= 0): F + N (R - 1) - 1.
int32_t finish_gate(int32_t race_laps);
// The finished test for any rider: true when its flag is set, or when the
// leader has passed the finish gate with a record there and this rider's end
// of its last completed lap is at or after that tick (the flag is then set).
bool rider_finished(int slot);

// Typical ticks from gate a to gate b (a < 0 counts as tick 0) over the
// riders in the standings; 7680 (60 s) when nobody has a clean run.
int32_t reference_time(int32_t a, int32_t b);

struct cut_penalty {
  int32_t gates_passed;  // after whole laps were taken away
  int32_t total_time;    // latest crossing tick plus the remaining penalty
  int32_t penalty;       // remaining penalty ticks
};
cut_penalty track_cut_penalty(int slot);
