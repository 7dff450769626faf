#include "race/time_trial.h"

#include <cmath>

#include "app/game_tick.h"
#include "race/race_setup.h"
#include "race/timing.h"
#include "race/timing_bike.h"
#include "replay/demo.h"
#include "robot/autopilot.h"
#include "sim/assembly.h"
#include "sim/world.h"
#include "track/track_load.h"

void race_remove_bike(int slot) {
  if (race_voice_release_hook) race_voice_release_hook(slot);
  bike_destroy(bike_slot_bike(slot));
  bike_slot_set(slot, nullptr, BIKE_REMOTE);
  timing_bike_clear(slot);
  timing_set_present(slot, false);
  autopilot_reset(slot, 0);
  demo_set_slot_rider(slot, nullptr);
}

static void remove_others() {
  for (int s = 1; s < BIKE_SLOT_COUNT; s++)
    if (bike_slot_bike(s)) race_remove_bike(s);
}

void time_trial_attempt() {
  demo_stop_playback();
  demo_stop_recording();
  remove_others();
  bike *b = bike_slot_bike(0);
  const int32_t f = race_course.first_count;
  if (race_course.active && b && race_course.gate_count > 0 && f + race_course.normal_count > 0) {
    int32_t e = f - 2 > 0 ? f - 2 : 0;
    const timing_gate &g = race_course.gates[sequence_gate(e)];
    race_place_bike(b, g.position[0], g.position[2], std::atan2(-g.direction[0], -g.direction[2]));
    timing_rewind(0, e);
  }
  race_session.time_trial_laps[0] = laps_completed(0);
  race_session.time_trial_laps[1] = laps_completed(1);
  standings_update();
}

void time_trial_note_laps() {
  if (!race_session.time_trial) return;
  race_session.time_trial_laps[0] = laps_completed(0);
  race_session.time_trial_laps[1] = laps_completed(1);
}

// The first normal lap: crossing of gate F + N - 1 minus that of gate F - 1;
// 0 when either is missing.
static int32_t first_normal_lap(int slot) {
  const int32_t f = race_course.first_count, n = race_course.normal_count;
  if (f < 1 || n < 1) return 0;
  int32_t a = crossing_tick(slot, f - 1), b = crossing_tick(slot, f + n - 1);
  if (a == TIMING_NO_RECORD || b == TIMING_NO_RECORD) return 0;
  return b - a;
}

static void offer_best(int32_t lap) {
  if (lap > 0 && (race_session.best_lap_time == 0 || lap < race_session.best_lap_time))
    race_session.best_lap_time = lap;
}

void time_trial_lap_bookkeeping() {
  if (!race_session.time_trial) return;
  const bool ghost_lap = bike_slot_bike(1) && laps_completed(1) != race_session.time_trial_laps[1];
  const bool rider_lap = laps_completed(0) != race_session.time_trial_laps[0];
  if (ghost_lap) offer_best(first_normal_lap(1));
  if (!rider_lap) return;
  if (!bike_slot_bike(0)) {
    standings_update();
    return;
  }
  int32_t rider_gates = race_timing.bikes[0].gates_passed;
  int32_t ghost_gates = bike_slot_bike(1) ? race_timing.bikes[1].gates_passed : -1;
  demo_stop_playback();
  remove_others();
  bool fastlap_existed = race_course.active && demo_time_trial_fastlap_exists(track_state.folder);
  int32_t lap = first_normal_lap(0);
  race_session.last_lap_time = lap;
  offer_best(lap);

  demo_stop_recording();
  const int32_t restart = race_course.first_count - 1 > 0 ? race_course.first_count - 1 : 0;
  demo_race race = {0, race_session.laps, race_start_tick, true};
  if (demo_time_trial_next_lap(track_state.folder, fastlap_existed, rider_gates, ghost_gates, lap, &race)) {
    int made = demo_create_ghosts(1);
    for (int s = 1; s <= made && s < BIKE_SLOT_COUNT; s++) {
      timing_bike_clear(s);
      timing_set_present(s, bike_slot_bike(s) != nullptr);
      timing_rewind(s, restart);
    }
  }
  timing_rewind(0, restart);
  timing_update_bike(0);
  standings_update();
  race_session.time_trial_laps[0] = laps_completed(0);
}
