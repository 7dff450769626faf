#include "track/flaggers.h"

#include <cmath>
#include <cstdlib>

#include "data/data.h"
#include "platform/log.h"
#include "race/timing.h"
#include "race/timing_gates.h"
#include "sim/world.h"
#include "track/billboards.h"
#include "track/heightfield.h"
#include "track/track_alloc.h"

static flagger_state empty_state() {
  flagger_state f = {};
  f.starter.billboard = -1;
  f.starter.travel_time = 1;
  f.board.billboard = -1;
  f.cue_seconds = 5;
  f.race_laps = 1000000;
  f.halfway_lap = 1000000;
  return f;
}

flagger_state track_flaggers = empty_state();
bool (*flagger_bike_down)(int slot) = nullptr;

static bool all_finite(const float *v, int n) {
  for (int k = 0; k < n; k++)
    if (!std::isfinite(v[k])) return false;
  return true;
}

static bool read_name(data_stream *s, char name[1024]) { return data_scanf(s, " %1023s ", name) == 1; }

static int32_t clamp_gate(int g) {
  if (g < -1) return -1;
  if (g >= race_course.gate_count) return race_course.gate_count - 1;  // -1 without gates
  return g;
}

static void read_starter(data_stream *s, flagger_state &f) {
  float v[9];
  if (data_scanf(s, " [ %f %f %f ] [ %f %f %f ] %f %f %f ", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                 &v[7], &v[8]) != 9)
    return;
  if (!all_finite(v, 8)) {
    log_printf("Bad number in the start flagger's line\n");
    return;
  }
  start_flagger &a = f.starter;
  for (int k = 0; k < 3; k++) a.start[k] = v[k], a.end[k] = v[3 + k];
  a.size = v[6];
  a.aspect = v[7];
  a.travel_time = std::isfinite(v[8]) && v[8] > 0 ? v[8] : 1;
  char name[1024];
  for (int k = 0; k < START_FLAGGER_PICTURES; k++) {
    if (!read_name(s, name)) return;
    if (k == 0) {
      a.billboard = billboard_add(a.start[0], a.start[1], a.start[2], a.size, a.aspect, name);
      a.pictures[0] = a.billboard >= 0 ? billboards.items[a.billboard].texture : 0;
    } else {
      a.pictures[k] = track_texture_load(name);
    }
  }

  float b[5];
  if (data_scanf(s, " [ %f %f %f ] %f %f ", &b[0], &b[1], &b[2], &b[3], &b[4]) != 5) return;
  if (!all_finite(b, 5)) {
    log_printf("Bad number in the lap board's line\n");
    return;
  }
  for (int k = 0; k < LAP_BOARD_PICTURES; k++) {
    if (!read_name(s, name)) return;
    if (k == 0) {
      f.board.billboard = billboard_add(b[0], b[1], b[2], b[3], b[4], name);
      f.board.pictures[0] = f.board.billboard >= 0 ? billboards.items[f.board.billboard].texture : 0;
    } else {
      f.board.pictures[k] = track_texture_load(name);
    }
  }

  for (;;) {
    float p[5];
    int g[4];
    char normal[1024], alert[1024];
    if (data_scanf(s, " [ %f %f %f ] %f %f %d %d %d %d", &p[0], &p[1], &p[2], &p[3], &p[4], &g[0], &g[1], &g[2],
                   &g[3]) != 9)
      return;
    if (!read_name(s, normal) || !read_name(s, alert)) return;
    if (!all_finite(p, 5)) {
      log_printf("Skipping a flagger with a bad number\n");
      continue;
    }
    flagger fl = {};
    fl.billboard = billboard_add(p[0], p[1], p[2], p[3], p[4], normal);
    fl.normal = billboards.items[fl.billboard].texture;
    fl.alert = track_texture_load(alert);
    for (int k = 0; k < FLAGGER_GATES; k++) fl.gates[k] = clamp_gate(g[k]);
    track_array_reserve((void **)&f.items, &f.capacity, f.count, sizeof(flagger));
    f.items[f.count++] = fl;
  }
}

void flaggers_read(data_stream *s) { read_starter(s, track_flaggers); }

void flaggers_race_set(float cue_seconds, int32_t race_laps, int32_t halfway_lap) {
  track_flaggers.cue_seconds = std::isfinite(cue_seconds) ? cue_seconds : 5;
  track_flaggers.race_laps = race_laps;
  track_flaggers.halfway_lap = halfway_lap;
}

static void show(int32_t index, texture_handle picture, int32_t tick) {
  if (index < 0 || index >= billboards.count) return;
  billboard &b = billboards.items[index];
  if (b.texture == picture) return;
  track_texture_switch(b.texture, picture, tick);
  b.texture = picture;
}

static void update_starter(start_flagger &a, float cue, double t, int32_t tick) {
  if (a.billboard < 0 || a.billboard >= billboards.count) return;
  double s = std::floor(cue);
  double f = (t - (s + 1)) / a.travel_time;
  f = f < 0 ? 0 : f > 1 ? 1 : f;
  billboard &b = billboards.items[a.billboard];
  b.x = (float)(a.start[0] + (a.end[0] - a.start[0]) * f);
  b.z = (float)(a.start[2] + (a.end[2] - a.start[2]) * f);
  b.y_offset = (float)(a.start[1] + (a.end[1] - a.start[1]) * f);
  b.y = height_at(b.x, b.z) + b.y_offset;
  int32_t p = t < s + 0.1 ? 0 : t < s + 0.4 ? 1 : t < s + 1 ? 2 : t < s + 1 + a.travel_time ? 3 : 4;
  if (p != a.picture) {
    a.picture = p;
    show(a.billboard, a.pictures[p], tick);
  }
}

int32_t lap_board_leader_lap(int32_t gates_passed) {
  int32_t first = race_course.first_count, normal = race_course.normal_count;
  if (normal < 1) return 0;
  int32_t g = gates_passed + 1;
  return g < first ? 0 : (g - first) / normal + 1;
}

int32_t lap_board_picture(int32_t leader_lap, int32_t race_laps, int32_t halfway_lap) {
  if (leader_lap >= race_laps) return 3;
  if (leader_lap == race_laps - 1) return 2;
  if (leader_lap == halfway_lap) return 1;
  return 0;
}

static void update_board(lap_board &l, int32_t tick) {
  if (l.billboard < 0) return;
  int32_t leader = race_timing.standings_count > 0 ? race_timing.standings[0].gates_passed : 0;
  int32_t p = lap_board_picture(lap_board_leader_lap(leader), track_flaggers.race_laps, track_flaggers.halfway_lap);
  if (p != l.picture) {
    l.picture = p;
    show(l.billboard, l.pictures[p], tick);
  }
}

static void update_alerts(flagger_state &f, int32_t tick) {
  bool marked[TIMING_GATE_MAX] = {};
  if (flagger_bike_down)
    for (int32_t i = 0; i < race_timing.standings_count; i++) {
      const standings_entry &e = race_timing.standings[i];
      if (!flagger_bike_down(e.slot)) continue;
      int32_t gate = sequence_gate(e.gates_passed < 0 ? 0 : e.gates_passed);
      if (gate >= 0 && gate < TIMING_GATE_MAX) marked[gate] = true;
    }
  for (int32_t i = 0; i < f.count; i++) {
    flagger &fl = f.items[i];
    bool alert = false;
    for (int k = 0; k < FLAGGER_GATES; k++)
      if (fl.gates[k] >= 0 && marked[fl.gates[k]]) alert = true;
    show(fl.billboard, alert ? fl.alert : fl.normal, tick);
    fl.alerted = alert;
  }
}

void update_flaggers(int32_t tick) {
  if (race_course.gate_count <= 0) return;
  flagger_state &f = track_flaggers;
  update_starter(f.starter, f.cue_seconds, tick * TICK_LENGTH, tick);
  if (!race_course.active || race_course.normal_count < 1) return;
  update_board(f.board, tick);
  update_alerts(f, tick);
}

static bool names_writable(const char *const *names, int n) {
  for (int k = 0; k < n; k++)
    if (!object_name_writable(names[k])) return false;
  return true;
}

static bool flaggers_file_valid(const flaggers_file *f) {
  if (!f || f->count < 0 || (f->count > 0 && !f->flaggers)) return false;
  if ((f->board && !f->starter) || (f->count > 0 && !f->board)) return false;
  if (const start_flagger_record *a = f->starter) {
    float v[9] = {a->start[0], a->start[1], a->start[2], a->end[0], a->end[1], a->end[2], a->size, a->aspect,
                  a->travel_time};
    if (!all_finite(v, 9) || !(a->travel_time > 0) || !names_writable(a->pictures, START_FLAGGER_PICTURES))
      return false;
  }
  if (const lap_board_record *b = f->board) {
    float v[5] = {b->position[0], b->position[1], b->position[2], b->size, b->aspect};
    if (!all_finite(v, 5) || !names_writable(b->pictures, LAP_BOARD_PICTURES)) return false;
  }
  for (int32_t i = 0; i < f->count; i++) {
    const flagger_record &r = f->flaggers[i];
    float v[5] = {r.position[0], r.position[1], r.position[2], r.size, r.aspect};
    const char *names[2] = {r.normal, r.alert};
    if (!all_finite(v, 5) || !names_writable(names, 2)) return false;
  }
  return true;
}

bool flaggers_write(const char *name, const flaggers_file *f) {
  if (!flaggers_file_valid(f)) return false;
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  bool ok = true;
  if (const start_flagger_record *a = f->starter) {
    ok = ok && data_printf(s, "[%f %f %f] [%f %f %f] %f %f %f\n", a->start[0], a->start[1], a->start[2],
                           a->end[0], a->end[1], a->end[2], a->size, a->aspect, a->travel_time) >= 0;
    for (int k = 0; k < START_FLAGGER_PICTURES; k++)
      ok = ok && data_printf(s, k + 1 < START_FLAGGER_PICTURES ? "%s " : "%s\n", a->pictures[k]) >= 0;
  }
  if (const lap_board_record *b = f->board) {
    ok = ok && data_printf(s, "[%f %f %f] %f %f", b->position[0], b->position[1], b->position[2], b->size,
                           b->aspect) >= 0;
    for (int k = 0; k < LAP_BOARD_PICTURES; k++) ok = ok && data_printf(s, " %s", b->pictures[k]) >= 0;
    ok = ok && data_printf(s, "\n") >= 0;
  }
  for (int32_t i = 0; i < f->count; i++) {
    const flagger_record &r = f->flaggers[i];
    ok = ok && data_printf(s, "[%f %f %f] %f %f %d %d %d %d %s %s\n", r.position[0], r.position[1], r.position[2],
                           r.size, r.aspect, r.gates[0], r.gates[1], r.gates[2], r.gates[3], r.normal, r.alert) >= 0;
  }
  ok = ok && data_flush(s) == 0;
  data_close(s);
  return ok;
}

void flaggers_clear() {
  free(track_flaggers.items);
  flagger_state f = empty_state();
  f.cue_seconds = track_flaggers.cue_seconds;
  f.race_laps = track_flaggers.race_laps;
  f.halfway_lap = track_flaggers.halfway_lap;
  track_flaggers = f;
}
