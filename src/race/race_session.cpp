#include "race/race_session.h"

#include "app/message_log.h"
#include "app/object_grid.h"
#include "track/track_load.h"
#include "platform/log.h"
#include "race/timing.h"
#include "race/timing_bike.h"
#include "race/timing_gates.h"
#include "sim/assembly.h"
#include "sim/world.h"

bool track_is_loaded() { return track_loaded(); }
bool timing_is_active() { return race_course.active; }
bool race_leader_finished() { return false; }
bool time_trial_attempt_running() { return false; }
void time_trial_abort_attempt() {}
int standings_neighbour(int slot, int direction) { return standings_step(slot, direction); }
void race_restart_rotated() {}
void session_world_create() {
  object_grid_clear(1);
  if (!sim_world_create()) log_printf("Can't create the physics world\n");
}

void session_shutdown() {
  log_printf("Deallocating bikes\n");
  for (int s = 0; s < BIKE_SLOT_COUNT; s++) bike_destroy(bike_slot_bike(s));
  log_printf("Finished deallocating bikes\n");
  track_unload();
  sim_world_destroy();
  object_grid_free();
}

void session_clear_slots() {
  for (int s = 0; s < BIKE_SLOT_COUNT; s++) bike_slot_set(s, nullptr, BIKE_REMOTE);
}
void lineup_set(int, int) {}
void race_setup_startup(const char *folder, bool) {
  // The rest of the race set-up (lineup, bikes, start gate) follows the track.
  sim.sim_tick = 0;
  if (!track_load(folder)) post_messagef("Can't load track '%s'", folder);
}
void series_list_build(int) {}
void time_trial_before_tick() {}
void time_trial_after_tick() {}
void false_start_check(int) {}
void timing_and_learning_update(int slot) { timing_update_bike(slot); }
void start_gate_step() {}
