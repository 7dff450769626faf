// korvath-race: sets up one race and runs its ticks with no window and no
// sound, as fast as the machine allows, then prints each rider's gates, lap
// times and finishing position, and the simulated and wall-clock seconds.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/game_tick.h"
#include "app/main_loop.h"
#include "app/run_options.h"
#include "config/controls.h"
#include "config/settings.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/script.h"
#include "platform/video.h"
#include "race/race_session.h"
#include "race/race_setup.h"
#include "race/timing.h"
#include "race/timing_gates.h"
#include "race/turn_hooks.h"
#include "race_options.h"
#include "robot/autopilot.h"
#include "robot/turn_target.h"
#include "sim/drivetrain.h"
#include "sim/rider.h"
#include "sim/bike.h"
#include "sim/test_rider.h"
#include "sim/world.h"
#include "track/track_load.h"

namespace {

bool read_text(const std::string &path, std::string *out) {
  FILE *f = fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0 && out->size() < (16u << 20)) out->append(buf, n);
  fclose(f);
  return true;
}

int human_slot() {
  for (int s = 0; s < BIKE_SLOT_COUNT; s++)
    if (bike_slot_bike(s) && bike_slot_kind(s) == BIKE_LOCAL) return s;
  return -1;
}

// The script's keys, due by `seconds` into the run, through the bindings.
void drive_by_script(bike *b, double seconds) {
  kv_time now = time_from_seconds(seconds);
  script_pump(now);
  input_event e;
  while (input_next_event(now, &e)) action_table_key(e.code, e.pressed);
  float values[ACTION_COUNT] = {};
  action_table_sum(values);
  apply_actions(b, values);
}

// Along the fastest riding line about a second ahead, else towards the next
// gate expected, at the wanted speed (no faster than the line was ridden).
void drive_by_test_rider(int slot, bike *b, double speed) {
  test_rider_goal goal = {speed, bike_heading(b)};
  const dReal *p = dBodyGetPosition(b->front_wheel);
  double target[3];
  if (line_ahead_target(slot, p[0], p[2], target) || next_gate_position(b, target))
    goal.heading = std::atan2(-(target[0] - p[0]), -(target[2] - p[2]));
  // Slow for a sharp turn: a wide exit misses the gate in a hairpin.
  const double off = std::fabs(std::remainder(goal.heading - bike_heading(b), 2 * M_PI));
  goal.speed *= std::fmax(0.4, 1 - off / 1.2);
  if (race_start_tick > sim.sim_tick) goal.speed = 0;  // behind the gate until it drops
  bike_apply_controls(b, test_rider_controls(b, goal));
}

bool everyone_finished() {
  if (race_timing.standings_count == 0) return false;
  for (int i = 0; i < race_timing.standings_count; i++)
    if (!rider_finished(race_timing.standings[i].slot)) return false;
  return true;
}

// Per rider, until it finishes: collisions (ticks of contact with another bike
// that follow a tick without one) and crashes (the rider coming off).
struct incident_counts {
  int collisions, crashes;
  bool colliding, crashed;
};
incident_counts incidents[BIKE_SLOT_COUNT];

void count_incidents() {
  for (int s = 0; s < BIKE_SLOT_COUNT; s++) {
    bike *b = bike_slot_bike(s);
    if (!b || rider_finished(s)) continue;
    incident_counts &c = incidents[s];
    bool colliding = b->last_collision_tick == sim.sim_tick - 1, crashed = b->crash_timer > 0;
    if (colliding && !c.colliding) c.collisions++;
    if (crashed && !c.crashed) c.crashes++;
    c.colliding = colliding;
    c.crashed = crashed;
  }
}

// One line of a slot's state, for following a rider through a race.
void trace_slot(int s) {
  bike *b = bike_slot_bike(s);
  if (!b) return;
  const dReal *p = dBodyGetPosition(b->chassis), *v = dBodyGetLinearVel(b->chassis);
  printf("t %7.2f slot %d at (%.1f, %.1f, %.1f) speed %.1f lean %.2f wheels %d%d gates %d crash %d", sim.sim_tick * TICK_LENGTH,
         s, p[0], p[1], p[2], std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]), bike_lean_angle(b),
         wheel_touches(b, 0), wheel_touches(b, 1), (int)race_timing.bikes[s].gates_passed, b->crash_timer);
  const robot_state &r = robot_states[s];
  if (bike_slot_kind(s) == BIKE_ROBOT && r.path_index < r.path_count) {
    const line_point &q = r.path[r.path_index];
    printf(" mode %d point %d/%d (%.1f, %.1f) v %.1f", (int)r.mode, (int)r.path_index, (int)r.path_count, q.x, q.z, q.speed);
  } else if (double aim[3]; bike_slot_kind(s) != BIKE_ROBOT && line_ahead_target(s, p[0], p[2], aim)) {
    printf(" line aim (%.1f, %.1f)", aim[0], aim[2]);
  }
  printf(" thr %.2f steer %.2f\n", b->controls.throttle, b->controls.steer);
}

const char *kind_name(int kind) { return kind == BIKE_LOCAL ? "human" : kind == BIKE_ROBOT ? "robot" : "replayed"; }

void print_results() {
  printf("track %s, %d gates per lap, race laps %d\n", track_state.folder, (int)race_course.normal_count,
         (int)race_timing.race_laps);
  for (int s = 0; s < BIKE_SLOT_COUNT; s++) {
    bike *b = bike_slot_bike(s);
    if (!b) continue;
    int place = standings_index(s);
    const dReal *p = dBodyGetPosition(b->chassis);
    printf("slot %d %s #%s %s: gates %d, laps %d, position %d%s, at (%.2f, %.2f), collisions %d, crashes %d\n", s,
           kind_name(bike_slot_kind(s)), b->rider_number, b->spec.name, (int)race_timing.bikes[s].gates_passed,
           (int)laps_completed(s), place < race_timing.standings_count ? place + 1 : 0,
           rider_finished(s) ? ", finished" : "", p[0], p[2], incidents[s].collisions, incidents[s].crashes);
    for (int lap = 1; lap <= laps_completed(s); lap++) printf("  lap %d %.3f s\n", lap, lap_time(s, lap));
  }
}

}  // namespace

int main(int argc, char **argv) {
  race_tool_options o;
  int status = race_options_parse(argc, argv, &o);
  if (status) return status == 1 ? 0 : 2;
  int32_t lineup[LINEUP_GATES];
  if (!race_options_lineup(o, lineup)) {
    fprintf(stderr, "korvath-race: nobody in the lineup (use --robots, --lineup, --script or --test-rider)\n");
    return 2;
  }
  setenv("KV_HOME", KV_DEFAULT_GAME_DIR, 0);
  debug_level = o.debug;

  action_table_reset();
  run_options_defaults(&run_opts);
  run_opts.learn_lines = false;  // a benchmark run leaves the riding lines alone
  settings_defaults();
  controls_resolve();
  if (o.human == HUMAN_SCRIPT) {
    std::string text;
    if (!read_text(o.script, &text)) {
      fprintf(stderr, "korvath-race: can't read script '%s'\n", o.script.c_str());
      return 2;
    }
    if (!script_load_text(text.c_str(), time_from_seconds(0))) return 2;
  }

  session_world_create();
  session_clear_slots();
  if (o.has_seed) sim.sim_tick = (int32_t)o.seed;  // the set-up seeds its generator with the tick count
  race_setup_args a = {lineup, false, o.record, (int32_t)(o.minutes * 60 / TICK_LENGTH), o.laps, o.skill,
                       o.track.c_str()};
  if (!race_setup(a)) {
    fprintf(stderr, "korvath-race: can't set up a race on '%s'\n", o.track.c_str());
    session_shutdown();
    controls_release();
    return 1;
  }
  printf("gate drop at %.3f s\n", race_start_tick * TICK_LENGTH);

  auto wall_start = std::chrono::steady_clock::now();
  int64_t ticks = 0;
  for (; ticks < o.tick_limit && !everyone_finished() && !quit_requested(); ticks++) {
    int h = human_slot();
    if (bike *b = bike_slot_bike(h)) {
      if (o.human == HUMAN_SCRIPT) drive_by_script(b, ticks * TICK_LENGTH);
      if (o.human == HUMAN_TEST_RIDER) drive_by_test_rider(h, b, o.rider_speed);
    }
    game_tick();
    count_incidents();
    if (o.trace_slot >= 0 && sim.sim_tick % 128 == 0) trace_slot(o.trace_slot);
  }
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  double simulated = ticks * TICK_LENGTH;

  print_results();
  printf("simulated %.3f s, wall clock %.3f s, ratio %.1f\n", simulated, wall, wall > 0 ? simulated / wall : 0.0);
  session_shutdown();
  controls_release();
  script_stop();
  return 0;
}
