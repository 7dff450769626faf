// The generator draws of the set-up, placing bikes in the starting gate, the
// start gate's fall, false starts and the race length of a time-limited race.
#include <cmath>

#include "app/game_tick.h"
#include "app/message_log.h"
#include "race/race_setup.h"
#include "race/timing.h"
#include "robot/autopilot.h"
#include "sim/assembly.h"
#include "sim/contact.h"
#include "sim/ground.h"
#include "sim/world.h"
#include "track/flaggers.h"
#include "track/statues.h"
#include "track/track_load.h"

namespace {

constexpr double ROW_SPACING = 10, FIRST_ROW_BACK = 0.0625;
constexpr double RAISE_STEP = 0.25;
constexpr double FALSE_START_DISTANCE_SQ = 9;
constexpr double GATE_FALL_PER_SECOND = 8;
constexpr double PI = 3.14159265358979323846;

}  // namespace

void race_shuffle_and_drop(uint32_t seed, int32_t order[PERSONALITY_ORDER_SIZE], int32_t *gate_drop_tick) {
  robot_random_seed(seed);
  for (int i = 0; i < PERSONALITY_ORDER_SIZE; i++) order[i] = i;
  for (int n = PERSONALITY_ORDER_SIZE - 1; n >= 1; n--) {
    uint32_t r = robot_rng();
    int j = (int)((r >> 16) % (uint32_t)n);
    int32_t t = order[n];
    order[n] = order[j];
    order[j] = t;
  }
  double u = robot_uniform();
  *gate_drop_tick = (int32_t)((2 * u + 13) / TICK_LENGTH);
}

grid_spot race_grid_spot(int gate, double terrain_side) {
  grid_spot g;
  const int32_t p = race_course.start_count;
  if (p <= 0) {
    g.x = terrain_side / 2 + 5.0 * gate;
    g.z = terrain_side / 2;
    g.heading = 0;
    return g;
  }
  const start_position &s = race_course.starts[gate % p];
  double back = ROW_SPACING * (gate / p + FIRST_ROW_BACK);
  g.heading = s.heading;
  g.x = s.position[0] + back * std::sin(s.heading);
  g.z = s.position[2] + back * std::cos(s.heading);
  return g;
}

void race_place_bike(bike *b, double x, double z, double heading) {
  if (!b) return;
  double y = ground_height_at((float)x, (float)z);
  for (int step = 0;; step++) {
    bike_reset_pose(b);
    bike_rotate(b, 0, 1, 0, heading);
    bike_translate(b, x, y, z);
    bool touching = bike_ground_contacts(b);
    dJointGroupEmpty(sim.contact_group);
    // A bike still touching 100 ft up stays where it is rather than rising forever.
    if (!touching || step >= RAISE_STEPS_MAX) break;
    y += RAISE_STEP;
  }
}

void start_gate_update() {
  if (sim.sim_tick <= race_start_tick) return;
  for (int k = 0; k < track_state.start_gate_count && k < START_POSITION_MAX; k++) {
    int i = track_state.start_gate_first + k;
    // A bike leaning on the gate holds it up.
    if (i >= 0 && i < statues.count && statues.items[i].last_contact_tick == sim.sim_tick) continue;
    float &raise = race_session.start_gate_raise[k];
    raise -= (float)(GATE_FALL_PER_SECOND * TICK_LENGTH);
    if (raise < 0) raise = 0;
    start_gate_object_set_raise(k, raise);
  }
}

void race_false_start_check(int slot) {
  bike *b = bike_slot_bike(slot);
  if (!b) return;
  if (race_session.false_start_penalty > 0) {
    race_session.false_start_penalty--;
    bike_set_front_brake(b, 1);
    bike_set_rear_brake(b, 1);
    bike_set_back_up(b, 0);
    bike_set_clutch(b, 0);
    bike_set_throttle(b, 0);
    bike_set_dab(b, 1);
    return;
  }
  if (sim.sim_tick > race_start_tick) return;
  const dReal *p = dBodyGetPosition(b->chassis);
  double d2 = 0;
  for (int i = 0; i < 3; i++) {
    double d = p[i] - race_session.false_start_position[i];
    d2 += d * d;
  }
  if (d2 < FALSE_START_DISTANCE_SQ) return;
  // Held until 15 s after the drop.
  race_session.false_start_penalty = (int32_t)(15 / TICK_LENGTH) + (race_start_tick - sim.sim_tick);
  post_message("15 second false start penalty");
}

// Some rider crossed the end of race lap `lap` before the time limit.
static bool lap_ended_before_limit(int32_t lap) {
  if (lap <= 0) return false;
  int32_t gate = finish_gate(lap);
  for (int s = 0; s < TIMING_SLOTS; s++) {
    if (!race_timing.bikes[s].present) continue;
    int32_t t = crossing_tick(s, gate);
    if (t != TIMING_NO_RECORD && t < race_session.time_limit) return true;
  }
  return false;
}

void race_length_update() {
  const int32_t limit = race_session.time_limit;
  if (race_timing.results_final || !race_course.active || limit <= 0) return;
  const int32_t old_laps = race_timing.race_laps, old_halfway = race_session.halfway_lap;
  int32_t leader_laps = race_timing.standings_count > 0 ? laps_completed(race_timing.standings[0].slot) : 0;
  if (race_session.halfway_lap == RACE_NO_LIMIT_LAPS && sim.sim_tick >= limit / 2)
    race_session.halfway_lap = leader_laps + 1;
  if (sim.sim_tick >= limit) {
    // The lap under way when time ran out, then `laps` more. Counting the
    // laps ended before the limit (rather than the leader's laps now) keeps
    // a lap completed after the limit, but before this first rebuild, from
    // adding an extra lap.
    if (race_timing.race_laps == RACE_NO_LIMIT_LAPS) race_timing.race_laps = race_session.laps + 1;
    while (race_timing.race_laps < RACE_NO_LIMIT_LAPS &&
           lap_ended_before_limit(race_timing.race_laps - race_session.laps))
      race_timing.race_laps++;
  }
  if (race_timing.race_laps != old_laps || race_session.halfway_lap != old_halfway)
    flaggers_race_set(track_flaggers.cue_seconds, race_timing.race_laps, race_session.halfway_lap);
}
