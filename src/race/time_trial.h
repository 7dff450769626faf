// Time trials: flying-start attempts, the rider's and the ghost's lap
// bookkeeping, the best lap and the best-lap ghost demo.
//
// The rider is slot 0, the ghost bikes slots 1 and up (remote, bodies
// disabled). Lap times are in ticks, 0 for none (race_session in
// race/race_setup.h). Main thread only.
#pragma once

// Starts an attempt: every bike but the rider's removed, the rider put on
// the checkpoint two gates before the end of the first lap, facing along it.
void time_trial_attempt();
// The game tick's first step: the completed laps of slots 0 and 1.
void time_trial_note_laps();
// The game tick's last step: the ghost's and the rider's completed laps.
void time_trial_lap_bookkeeping();
// Removes a slot's bike, its voice, its timing and its recording description.
void race_remove_bike(int slot);
