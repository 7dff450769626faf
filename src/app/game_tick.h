// The game tick: one fixed step of the whole world, in the order every client
// and every replay relies on. The tick counter is the simulation's
// (`sim.sim_tick`, src/sim/world.h): reset by race set-up, advanced here only.
#pragma once
#include <cstdint>

struct bike;

extern int32_t race_start_tick;  // the tick at which the start gate drops

void game_tick();
// The per-bike object collision: terrain contacts first, then the placed
// objects near the bike.
void collide_with_objects(bike *b);
// The order of this tick's roost emission: order[l] = occupied[(l + tick) mod k].
void roost_emission_order(const int *occupied, int k, int32_t tick, int *order);
