#include "race/race_session.h"

#include "app/message_log.h"
#include "app/object_grid.h"
#include "app/run_options.h"
#include "config/settings.h"
#include "platform/log.h"
#include "race/lineup.h"
#include "race/race_setup.h"
#include "race/time_trial.h"
#include "race/timing.h"
#include "race/timing_bike.h"
#include "race/timing_gates.h"
#include "race/turn_hooks.h"
#include "replay/demo.h"
#include "robot/autopilot.h"
#include "robot/lines.h"
#include "robot/robot_hooks.h"
#include "sim/assembly.h"
#include "sim/world.h"
#include "track/track_load.h"

bool track_is_loaded() { return track_loaded(); }
bool timing_is_active() { return race_course.active; }

bool race_leader_finished() {
  if (race_timing.standings_count <= 0) return false;
  return laps_completed(race_timing.standings[0].slot) >= race_timing.race_laps;
}

bool time_trial_attempt_running() { return race_session.time_trial && bike_slot_bike(0) != nullptr; }
void time_trial_abort_attempt() { time_trial_attempt(); }
int standings_neighbour(int slot, int direction) { return standings_step(slot, direction); }

static int32_t configured_time_limit() {
  return (int32_t)(settings.minutes.value * 60 / TICK_LENGTH);
}

void race_restart_rotated() {
  lineup_rotate(race_lineup, 1);
  race_setup_args a = {race_lineup, false, settings.record.selected == 1, configured_time_limit(),
                       (int32_t)settings.laps.value, settings.skill.selected, nullptr};
  if (!race_setup(a)) post_message("Can't start the next race");
}

void session_world_create() {
  robot_hooks_install();
  turn_hooks_install();
  object_grid_clear(1);
  if (!sim_world_create()) log_printf("Can't create the physics world\n");
}

void session_shutdown() {
  if (race_series_save_hook) race_series_save_hook();
  if (track_loaded() && run_opts.learn_lines) lines_save(track_state.folder);
  lines_clear();
  race_release_bikes();
  autopilot_clear_all();
  demo_stop_playback();
  demo_stop_recording();
  timing_bikes_reset();
  track_unload();
  sim_world_destroy();
  object_grid_free();
}

void session_clear_slots() {
  for (int s = 0; s < BIKE_SLOT_COUNT; s++) bike_slot_set(s, nullptr, BIKE_REMOTE);
  for (int g = 0; g < LINEUP_GATES; g++) race_lineup[g] = LINEUP_EMPTY;
}

void lineup_set(int gate, int kind) {
  if (gate < 0 || gate >= LINEUP_GATES || kind < LINEUP_EMPTY) return;
  race_lineup[gate] = kind;
}

bool race_setup_startup(const char *folder, bool demo_playing) {
  race_setup_args a = {race_lineup, demo_playing, false, 0, 1000, settings.skill.selected, folder};
  if (race_setup(a)) return true;
  post_messagef("Can't set up a race on '%s'", folder ? folder : "");
  return false;
}

void series_list_build(int) {}
void time_trial_before_tick() { time_trial_note_laps(); }
void time_trial_after_tick() { time_trial_lap_bookkeeping(); }
void false_start_check(int slot) { race_false_start_check(slot); }
void timing_and_learning_update(int slot) { timing_update_bike(slot); }
void start_gate_step() { start_gate_update(); }
