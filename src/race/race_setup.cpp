// race_setup in its fixed order, and releasing the field.
#include "race/race_setup.h"

#include <cstdio>
#include <cstring>

#include "app/game_tick.h"
#include "app/main_loop.h"
#include "app/message_log.h"
#include "app/run_options.h"
#include "config/settings.h"
#include "platform/log.h"
#include "race/rider_settings.h"
#include "race/time_trial.h"
#include "race/timing.h"
#include "race/timing_bike.h"
#include "replay/demo.h"
#include "robot/autopilot.h"
#include "robot/lines.h"
#include "robot/roster.h"
#include "sim/assembly.h"
#include "sim/bike_spec.h"
#include "sim/ground.h"
#include "sim/world.h"
#include "track/flaggers.h"
#include "track/track_load.h"

race_session_state race_session;

void (*race_caption_hook)(const char *caption);
void (*race_series_save_hook)();
void (*race_voice_setup_hook)(int slot);
void (*race_voice_release_hook)(int slot);
void (*race_line_stats_reset_hook)();
void (*race_roost_reset_hook)();
unsigned long (*race_texture_memory_hook)();
void (*race_delete_stale_textures_hook)();
bool (*race_editor_changed_hook)();

namespace {

constexpr float FLAGGER_CUE_SECONDS = 5;

void caption(const char *text) {
  if (debug_level >= 1) log_printf("%s\n", text);
  if (race_caption_hook) race_caption_hook(text);
}

// Texture choice of a settings item as a data name, nullptr for "default".
const char *variant(const choice_item &item) {
  if (!item.data_names || item.selected < 0 || item.selected >= item.count) return nullptr;
  return item.data_names[item.selected];
}

const char *nonempty(const char *s) { return s && *s ? s : nullptr; }

void copy_text(char *dst, size_t size, const char *src) { snprintf(dst, size, "%s", src ? src : ""); }

// The "Track" choice's folder, or nullptr.
const char *menu_track() {
  const choice_item &t = settings.track;
  if (!t.data_names || t.selected < 0 || t.selected >= t.count) return nullptr;
  return t.data_names[t.selected];
}

// The description a recording writes for a bike we made ourselves.
void describe(int slot, const char *model, const char *number, const char *graphics, const char *wheels,
              const char *gear, const char *helmet) {
  demo_rider r;
  memset(&r, 0, sizeof r);
  copy_text(r.model, sizeof r.model, model);
  copy_text(r.plate, sizeof r.plate, number);
  copy_text(r.graphics_texture, sizeof r.graphics_texture, graphics);
  copy_text(r.wheel_texture, sizeof r.wheel_texture, wheels);
  copy_text(r.gear_texture, sizeof r.gear_texture, gear);
  copy_text(r.helmet_texture, sizeof r.helmet_texture, helmet);
  demo_set_slot_rider(slot, &r);
}

bike *create_described(int slot, const char *model, const char *number, const char *graphics,
                       const char *wheels, const char *gear, const char *helmet) {
  const char *name = bike_spec_rename(model);
  bike *b = bike_create(name, slot, number, nonempty(graphics), nonempty(wheels), nonempty(gear), nonempty(helmet));
  if (b) describe(slot, name, number, graphics, wheels, gear, helmet);
  return b;
}

bike *create_human(int slot, bool playing) {
  demo_rider r;
  if (playing && demo_slot_rider(slot, &r))
    return create_described(slot, r.model, r.plate, r.graphics_texture, r.wheel_texture, r.gear_texture,
                            r.helmet_texture);
  return create_described(slot, choice_name(&settings.bike), settings.number.text, variant(settings.bike_texture),
                          variant(settings.wheel_texture), variant(settings.rider_texture),
                          variant(settings.head_texture));
}

bike *create_robot(int slot, int32_t value) {
  int32_t p = personality_take(&race_session.personalities, value);
  const robot_rider *r = robot_roster_at(p);
  if (!r) return nullptr;
  race_session.slot_personality[slot] = p;
  return create_described(slot, r->bike, r->number_text, r->graphics, r->wheels, r->rider_body, r->rider_head);
}

// Step 10 for one gate: the bike and its kind; nullptr leaves the slot empty.
bike *create_for_gate(int j, int32_t value, bool playing, int *kind) {
  if (value == LINEUP_HUMAN) {
    *kind = BIKE_LOCAL;
    return create_human(j, playing);
  }
  if (lineup_is_robot(value)) {
    *kind = BIKE_ROBOT;
    return create_robot(j, value);
  }
  *kind = BIKE_REMOTE;
  if (value == LINEUP_DEMO || (value == LINEUP_EMPTY && playing && j < demo_bike_count()))
    return demo_create_bike(j, j);
  return nullptr;
}

void create_field(const working_lineup &w, bool playing) {
  caption("Loading bikes...");
  for (int j = 0; j < LINEUP_GATES; j++) {
    race_session.slot_personality[j] = -1;
    if (w.gates[j] == LINEUP_EMPTY && !(playing && j < demo_bike_count())) continue;
    int kind;
    bike *b = create_for_gate(j, w.gates[j], playing, &kind);
    if (!b) {
      bike_slot_set(j, nullptr, BIKE_REMOTE);
      continue;
    }
    bike_slot_set(j, b, kind);
    if (race_voice_setup_hook) race_voice_setup_hook(j);

    grid_spot g = race_grid_spot(j, sim_ground.extent);
    race_place_bike(b, g.x, g.z, g.heading);

    if (kind == BIKE_LOCAL) {
      race_session.false_start_penalty = 0;
      const dReal *p = dBodyGetPosition(b->chassis);
      for (int i = 0; i < 3; i++) race_session.false_start_position[i] = (float)p[i];
    }
    if (kind == BIKE_REMOTE)
      bike_disable(b);
    else
      bike_enable(b);
    int32_t p = race_session.slot_personality[j];
    autopilot_reset(j, kind == BIKE_ROBOT && robot_roster_at(p) ? robot_roster_at(p)->personality : 0);
    if (kind == BIKE_ROBOT)
      autopilot_set_name(j, run_opts.practice_mode ? "tester" : personality_name(robot_roster_at(p)->personality));
  }
}

bool choose_track(const race_setup_args &a, bool playing) {
  const char *folder = a.track;
  if (!folder && playing) folder = nonempty(demo_track_folder());
  if (!folder) folder = menu_track();
  if (!folder) {
    post_message("No track chosen");
    return false;
  }
  bool changed = race_editor_changed_hook && race_editor_changed_hook();
  if (track_loaded() && !changed && strcmp(track_state.folder, folder) == 0) return true;
  // The track copies the name before it is released.
  char name[TRACK_NAME_SIZE];
  snprintf(name, sizeof name, "%s", folder);
  track_unload();
  if (track_load(name)) return true;
  post_messagef("Can't load track '%s'", name);
  return false;
}

void set_race_length() {
  if (race_session.time_limit > 0) {
    race_timing.race_laps = RACE_NO_LIMIT_LAPS;
    race_session.halfway_lap = RACE_NO_LIMIT_LAPS;
  } else {
    race_timing.race_laps = race_session.laps;
    race_session.halfway_lap = (race_session.laps + 1) / 2;
  }
  flaggers_race_set(FLAGGER_CUE_SECONDS, race_timing.race_laps, race_session.halfway_lap);
}

// Step 18.
void choose_view() {
  int v = race_session.viewed_slot;
  if (!bike_slot_bike(v) && race_timing.standings_count > 0) v = race_timing.standings[0].slot;
  if (v < 0) v = 0;
  race_session.viewed_slot = v;
  loop.viewed_slot = v;
  dJointGroupEmpty(sim.contact_group);
  bike *b = bike_slot_bike(v);
  if (!b) return;
  if (bike_slot_kind(v) == BIKE_LOCAL) apply_rider_settings(b);
  const dReal *p = dBodyGetPosition(b->chassis);
  loop.trackside.position[0] = (float)p[0];
  loop.trackside.position[1] = (float)p[1] + 5;
  loop.trackside.position[2] = (float)p[2];
}

}  // namespace

void race_release_bikes() {
  log_printf("Deallocating bikes\n");
  for (int s = 0; s < BIKE_SLOT_COUNT; s++) {
    if (race_voice_release_hook) race_voice_release_hook(s);
    bike_destroy(bike_slot_bike(s));
    bike_slot_set(s, nullptr, BIKE_REMOTE);
    demo_set_slot_rider(s, nullptr);
  }
  log_printf("Finished deallocating bikes\n");
}

bool race_setup(const race_setup_args &a) {
  // 1.
  if (race_series_save_hook) race_series_save_hook();
  caption("Resetting...");
  // 2. (the gate drop of step 5 is the generator's next output)
  int32_t drop;
  race_shuffle_and_drop((uint32_t)sim.sim_tick, race_session.personalities.order, &drop);
  race_session.personalities.taken = 0;

  // 3.-4.
  caption("Remembering lines...");
  if (track_loaded()) {
    if (run_opts.learn_lines) lines_save(track_state.folder);
    lines_clear();
  }
  const bool playing = a.play_demo && demo_is_playing();
  if (!playing) demo_stop_playback();
  demo_stop_recording();
  caption("Cleaning up...");
  race_release_bikes();
  autopilot_clear_all();
  timing_bikes_reset();

  // 5.-6.
  sim.sim_tick = 0;
  race_session.time_limit = a.time_limit > 0 ? a.time_limit : 0;
  race_session.laps = a.laps > 0 ? a.laps : 1;
  race_session.skill = a.skill;
  race_start_tick = drop;
  if (playing) {
    race_start_tick = demo_gate_drop_tick();
    race_session.time_limit = demo_time_limit_ticks() > 0 ? demo_time_limit_ticks() : 0;
    if (demo_laps() > 0) race_session.laps = demo_laps();
  }
  race_session.time_trial = a.lineup == nullptr;
  race_session.demo_played = playing;
  if (a.lineup && a.lineup != race_lineup) memcpy(race_lineup, a.lineup, sizeof race_lineup);

  // 7.
  timing_lines_prepare_hook = lines_prepare;
  standings_rebuilt_hook = race_length_update;
  if (!choose_track(a, playing)) return false;
  if (debug_level >= 1) log_printf("Race set up on '%s', gate drop at tick %d\n", track_state.folder, (int)race_start_tick);

  // 8.
  if (race_session.time_trial) {
    race_session.last_lap_time = race_session.best_lap_time = 0;
    sim.sim_tick = (int32_t)(300 / TICK_LENGTH);
  }
  working_lineup w = lineup_working(a.lineup, playing);
  race_session.viewed_slot = w.viewed_slot;

  // 9.
  lines_load(track_state.folder, a.skill);
  caption("Analyzing lines...");

  // 10.-12.
  create_field(w, playing);

  // 13.
  if (a.record_demo) {
    demo_race r = {race_session.time_limit, race_session.laps, race_start_tick, race_session.time_trial};
    if (!demo_start_recording(track_state.folder, &r)) post_message("Can't record the demo");
  }
  if (race_roost_reset_hook) race_roost_reset_hook();
  if (race_line_stats_reset_hook) race_line_stats_reset_hook();
  unsigned long bytes = race_texture_memory_hook ? race_texture_memory_hook() : 0;
  post_messagef("%d MB texture memory used\n", (int)(bytes >> 20));
  if (race_delete_stale_textures_hook) race_delete_stale_textures_hook();

  // 14.-16.
  set_race_length();
  for (int k = 0; k < START_POSITION_MAX; k++) race_session.start_gate_raise[k] = 1;
  for (int k = 0; k < track_state.start_gate_count; k++) start_gate_object_set_raise(k, 1);
  if (race_session.time_trial) time_trial_attempt();

  // 17.
  if (demo_is_recording()) demo_record_tick();
  if (playing) demo_play_block();
  race_timing.results_final = false;
  timing_sync_present();
  standings_update();

  choose_view();
  return true;
}
