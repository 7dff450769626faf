#include "app/game_tick.h"

int32_t sim_tick;
int32_t race_start_tick;

void game_tick() {
  // The world's per-tick order (objects, roost, world step, slots, gate,
  // demo, time trial) is filled in as the simulation lands.
  sim_tick++;
}
