// The race session as start-up, the main loop and the game tick see it: the
// loaded track, the 40 slots' lineup, the start, laps, the time trial and
// the finishing order. The set-up itself is race/race_setup.h.
// Main thread only.
#pragma once
#include <cstdint>

bool track_is_loaded();
bool timing_is_active();
// True when the leading rider has completed the race's lap count R.
bool race_leader_finished();
// True while a time-trial attempt runs (a time trial with its rider).
bool time_trial_attempt_running();
// Backing up: the rider starts a new attempt two gates before the line.
void time_trial_abort_attempt();
// The slot one place up (-1) or down (+1) from `slot` in the standings, or `slot`.
int standings_neighbour(int slot, int direction);

// Rotates the lineup by one gate and starts the next race with the
// configured recording, minutes, laps and skill (warp mode).
void race_restart_rotated();

// Object-grid lists, the physics world and the collision space (start-up).
void session_world_create();
// Series state, riding lines, bikes, demo, track and physics world (shutdown).
void session_shutdown();
// Clears the 40 slots (no bike, kind "none") and the lineup.
void session_clear_slots();
// Sets one gate of the start-up lineup (values of race/lineup.h); other
// gates and values out of range are ignored.
void lineup_set(int gate, int kind);
// Sets up a race on the track folder with the lineup, the demo flag, no
// recording, no time limit, 1000 laps and the configured skill; false (with
// a posted message) when it fails.
bool race_setup_startup(const char *folder, bool demo_playing);
// Points series list, given the number of demos found.
void series_list_build(int demo_count);

// The game tick's race steps.
void time_trial_before_tick();
void time_trial_after_tick();
// Callable directly: the game tick calls it only for the local rider of a
// multiplayer race.
void false_start_check(int slot);
void timing_and_learning_update(int slot);
void start_gate_step();
