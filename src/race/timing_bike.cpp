#include "race/timing_bike.h"

#include "race/timing.h"
#include "sim/bike.h"
#include "sim/world.h"

void timing_update_bike(int slot) {
  bike *b = bike_slot_bike(slot);
  timing_set_present(slot, b != nullptr);
  if (!b) return;
  // The crossing test uses the front wheel, the second body of the bike.
  const dReal *p = dBodyGetPosition(bike_body(b, BODY_FRONT_WHEEL));
  // A new gate count clears the down flag, after the line bookkeeping has read it.
  if (timing_update_at(slot, p[0], p[2], sim.sim_tick)) b->down_flag = 0;
  b->finished = race_timing.bikes[slot].finished;
}

void timing_sync_present() {
  for (int i = 0; i < TIMING_SLOTS; i++) timing_set_present(i, bike_slot_bike(i) != nullptr);
}
