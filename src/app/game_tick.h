// The game tick: one fixed step of the whole world, in the order every client
// and every replay relies on.
#pragma once
#include <cstdint>

extern int32_t sim_tick;         // reset by race set-up, advanced by game_tick
extern int32_t race_start_tick;  // the tick at which the start gate drops

void game_tick();
