#include "race/race_session.h"

// No track loading or race control yet: the loop runs on the empty view.
bool track_is_loaded() { return false; }
bool timing_is_active() { return false; }
bool race_leader_finished() { return false; }
bool time_trial_attempt_running() { return false; }
void time_trial_abort_attempt() {}
int standings_neighbour(int slot, int) { return slot; }
void race_restart_rotated() {}
void session_world_create() {}
void session_shutdown() {}
void session_clear_slots() {}
void lineup_set(int, int) {}
void race_setup_startup(const char *, bool) {}
void series_list_build(int) {}
