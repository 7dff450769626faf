// The per-slot history of received or recorded packed states (128 entries,
// just over one second of ticks) used for delayed, smooth display of remote
// bikes and for recording multiplayer demos, and the blend between two
// packed records.
//
// One ring per bike slot (40), owned here; empty entries have tick -1.
// Out-of-range slots are ignored by appends and read as no bike by lookups.
// Main thread only.
#pragma once
#include <cstdint>

#include "replay/packed_state.h"

enum { HISTORY_LENGTH = 128, HISTORY_SLOTS = 40 };

struct state_history {
  int32_t ticks[HISTORY_LENGTH];  // -1 for an empty entry
  uint8_t states[HISTORY_LENGTH][PACKED_STATE_SIZE];
  int32_t head;  // index of the newest entry
};

// The ring of a slot, nullptr outside 0..39.
const state_history *history_of(int slot);
// Every tick -1, head 0.
void history_reset(int slot);
void history_reset_all();
// Stores the record as the newest entry unless its tick equals the newest one's.
void history_append(int slot, int32_t tick, const uint8_t record[PACKED_STATE_SIZE]);
// The slot's state at tick t: a stored entry, a blend of the two around t,
// or (when the ring can't answer) the live state of the slot's bike, or 39
// zero bytes without a bike.
void history_lookup(int slot, int32_t t, uint8_t out[PACKED_STATE_SIZE]);
// The record s of the way (0..1) from p to q.
void interpolate_packed_states(const uint8_t p[PACKED_STATE_SIZE], const uint8_t q[PACKED_STATE_SIZE], double s,
                               uint8_t out[PACKED_STATE_SIZE]);
