#include "race/turn_hooks.h"

#include "race/timing.h"
#include "race/timing_gates.h"
#include "robot/turn_target.h"
#include "sim/bike.h"
#include "sim/rider.h"

bool next_gate_position(const bike *b, double out[3]) {
  if (!b || b->slot < 0 || b->slot >= TIMING_SLOTS || !race_course.active) return false;
  int32_t g = sequence_gate(race_timing.bikes[b->slot].gates_passed);
  if (g < 0 || g >= race_course.gate_count) return false;
  for (int i = 0; i < 3; i++) out[i] = race_course.gates[g].position[i];
  return true;
}

bool turn_on_spot_allowed(bike *b) {
  if (!b || b->slot < 0 || b->slot >= TIMING_SLOTS || !race_course.active) return false;
  return race_timing.bikes[b->slot].gates_passed >= 1 && !rider_finished(b->slot);
}

void turn_hooks_install() {
  line_turn_target_hook = line_turn_target;
  gate_turn_target_hook = next_gate_position;
  turn_on_spot_allowed_hook = turn_on_spot_allowed;
}
