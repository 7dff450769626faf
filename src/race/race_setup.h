// Race set-up and the session it starts: clearing the old field, loading the
// track, creating the bikes and standing them in the starting gate, arming
// the random gate drop; during the session the start gate, false starts and
// the race length (laps, or minutes plus laps).
//
// One record, `race_session`, holds the session values from one race_setup
// to the next. The race laps R and the results-final flag live in the timing
// record (race/timing.h); the gate-drop tick is `race_start_tick`
// (app/game_tick.h). The 40 slots' bikes are owned by the session: created
// here, destroyed here or by the time trial. Main thread only.
#pragma once
#include <cstdint>

#include "race/lineup.h"
#include "race/timing_gates.h"

enum {
  RACE_NO_LIMIT_LAPS = 1000000,  // R and the halfway lap of a time-limited race still short of its limit
  RAISE_STEPS_MAX = 400,         // 100 ft of raising: a bike still colliding there stays put
};

struct race_session_state {
  int32_t time_limit;  // ticks from set-up, 0 for none
  int32_t laps;        // as configured
  int32_t halfway_lap;
  int32_t skill;
  bool time_trial;
  bool demo_played;      // the session replays a demo
  int32_t last_lap_time, best_lap_time;  // time trial, ticks, 0 none
  int32_t false_start_penalty;           // ticks the local rider is still held
  float false_start_position[3];
  float start_gate_raise[START_POSITION_MAX];  // 1 raised .. 0 down
  personality_draw personalities;
  int32_t slot_personality[LINEUP_GATES];  // roster index of a robot slot, -1 otherwise
  int32_t viewed_slot;
  int32_t time_trial_laps[2];  // slots 0 and 1 at the start of the tick
};

extern race_session_state race_session;

struct race_setup_args {
  const int32_t *lineup;  // LINEUP_GATES values; nullptr for a time trial
  bool play_demo;         // the demo opened for playback takes part
  bool record_demo;
  int32_t time_limit;     // ticks, 0 none
  int32_t laps;
  int32_t skill;          // robot skill index 0..2
  const char *track;      // folder; nullptr: the played demo's or the "Track" choice
};

// (Re)starts a session; false when the track can't be loaded (the old
// field is gone, no track loaded).
bool race_setup(const race_setup_args &a);
// Releases every slot's bike (and its voice), logging around it.
void race_release_bikes();

// Steps 2 and 5 of the set-up as a pure function of the generator's seed:
// the shuffled personality order, then the gate-drop tick, 13 to 15 s in.
// `rng` continues with the robots' draws afterwards.
void race_shuffle_and_drop(uint32_t seed, int32_t order[PERSONALITY_ORDER_SIZE], int32_t *gate_drop_tick);

// Where gate position j stands: start position j mod P moved back by
// 10 (j div P + 0.0625) along (sin h, cos h); without start positions
// x = side / 2 + 5 j, z = side / 2, heading 0.
struct grid_spot {
  double x, z, heading;
};
grid_spot race_grid_spot(int gate, double terrain_side);
// Resets the bike, turns it to the heading and puts it at (x, ground, z),
// raising it by 0.25 while it touches the ground (at most RAISE_STEPS_MAX
// times). The contact group is emptied afterwards.
void race_place_bike(struct bike *b, double x, double z, double heading);

// Per tick until 10 s after the drop: lowers every start gate whose object
// no bike touched this tick.
void start_gate_update();
// Per tick for the local rider of a multiplayer race: holds a penalised
// rider, and penalises one who rolls 3 units or more before the drop.
void race_false_start_check(int slot);
// After each standings rebuild: the halfway lap and R of a time-limited race.
void race_length_update();

// Seams for pieces that belong to other modules; nullptr until installed.
extern void (*race_caption_hook)(const char *caption);  // progress captions on the empty background
extern void (*race_series_save_hook)();                 // points series progress
extern void (*race_voice_setup_hook)(int slot);         // a created bike's engine voice
extern void (*race_voice_release_hook)(int slot);
extern void (*race_line_stats_reset_hook)();            // the line learning's statistics
extern void (*race_roost_reset_hook)();                 // the roost particles
extern unsigned long (*race_texture_memory_hook)();     // bytes of texture memory
extern void (*race_delete_stale_textures_hook)();
extern bool (*race_editor_changed_hook)();              // the editor changed the loaded track
