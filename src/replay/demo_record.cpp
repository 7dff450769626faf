// Recording: which bikes, the header and rider lines, one flushed record
// block per tick, the pending name of "namedemo" and the rename at the end.
#include <cstdio>
#include <cstring>

#include "data/data.h"
#include "net/session.h"
#include "platform/log.h"
#include "replay/demo_internal.h"
#include "replay/state_history.h"
#include "sim/bike.h"
#include "sim/world.h"

demo_recording demo_rec;

namespace {

const char DEFAULT_DEMO[] = "@demos/default.kvdemo";
const char SUFFIX[] = ".kvdemo";
// Multiplayer demos are recorded from the history rings this far back, so
// remote bikes are written from received states with their delay absorbed.
const int32_t ONLINE_DELAY = 127;

bool recorded_kind(int kind, bool online, bool placed) {
  if (kind == BIKE_LOCAL) return !online || placed;
  if (kind == BIKE_ROBOT) return true;
  return online;
}

// A field written into a rider line: no line breaks, and no "|" inside one
// of the five "|"-separated fields.
void clean_field(char *dst, int capacity, const char *text, bool allow_bar) {
  demo_copy_field(dst, capacity, text);
  for (char *p = dst; *p; p++)
    if (*p == '\n' || *p == '\r' || (!allow_bar && *p == '|')) *p = '_';
}

void write_rider(data_stream *s, int slot) {
  demo_rider r;
  memset(&r, 0, sizeof r);
  if (demo_rec.slot_rider_set[slot]) {
    r = demo_rec.slot_riders[slot];
  } else if (const bike *b = bike_slot_bike(slot)) {
    demo_copy_field(r.model, sizeof r.model, b->spec.name);
  }
  // The plate is the bike's own number when the bike has one.
  char plate[RIDER_NUMBER_LENGTH + 1];
  const bike *b = bike_slot_bike(slot);
  clean_field(plate, sizeof plate, b && b->rider_number[0] ? b->rider_number : r.plate, true);
  char f[5][DEMO_MODEL_CAPACITY];
  clean_field(f[0], sizeof f[0], r.model, false);
  clean_field(f[1], sizeof f[1], r.gear_texture, false);
  clean_field(f[2], sizeof f[2], r.graphics_texture, false);
  clean_field(f[3], sizeof f[3], r.wheel_texture, false);
  clean_field(f[4], sizeof f[4], r.helmet_texture, false);
  data_printf(s, "%s|%s|%s|%s|%s\n%s\n", f[0], f[1], f[2], f[3], f[4], plate);
}

}  // namespace

void demo_set_slot_rider(int slot, const demo_rider *rider) {
  if (slot < 0 || slot >= DEMO_MAX_BIKES) return;
  demo_rec.slot_rider_set[slot] = rider != nullptr;
  if (rider)
    demo_rec.slot_riders[slot] = *rider;
  else
    memset(&demo_rec.slot_riders[slot], 0, sizeof demo_rec.slot_riders[slot]);
}

bool demo_start_recording(const char *track_folder, const demo_race *race) {
  if (demo_rec.stream) demo_stop_recording();
  if (!track_folder || !race) return false;
  char path[DEMO_LINE_CAPACITY];
  if (race->time_trial) {
    if (!demo_safe_folder(track_folder)) return false;
    snprintf(path, sizeof path, "@%s/lastlap.kvdemo", track_folder);
  } else {
    snprintf(path, sizeof path, "%s", DEFAULT_DEMO);
  }
  // Opening the played file for writing would destroy it while it is read.
  if (demo_play.stream && strcmp(demo_play.path, path) == 0) {
    log_printf("Can't record into the demo being played\n");
    return false;
  }
  data_stream *s = data_open(path, "wb");
  if (!s) return false;

  const bool online = net_session_active(), placed = online && net_player_placed();
  demo_rec.stream = s;
  demo_rec.time_trial = race->time_trial;
  demo_rec.online = online;
  demo_rec.count = 0;
  demo_copy_field(demo_rec.path, sizeof demo_rec.path, path);
  for (int slot = 0; slot < BIKE_SLOT_COUNT; slot++)
    if (bike_slot_bike(slot) && recorded_kind(bike_slot_kind(slot), online, placed))
      demo_rec.slots[demo_rec.count++] = slot;
  data_printf(s, "KV05 %d %d %d %d\n", demo_rec.count, (int)race->time_limit_ticks, (int)race->laps,
              (int)race->gate_drop_tick);
  char track[DEMO_LINE_CAPACITY];
  clean_field(track, sizeof track, track_folder, true);
  data_printf(s, "%s\n", track);
  for (int i = 0; i < demo_rec.count; i++) {
    memset(demo_rec.last[i], 0, PACKED_STATE_SIZE);
    write_rider(s, demo_rec.slots[i]);
  }
  data_flush(s);
  return true;
}

void demo_record_tick() {
  if (!demo_rec.stream) return;
  int32_t t = sim.sim_tick;
  if (demo_rec.online) {
    t -= ONLINE_DELAY;
    if (t < 0) return;
  }
  for (int i = 0; i < demo_rec.count; i++) {
    int slot = demo_rec.slots[i];
    // A bike that left its slot keeps its last state, so every block stays
    // the size the header promises.
    if (const bike *b = bike_slot_bike(slot)) {
      if (demo_rec.online)
        history_lookup(slot, t, demo_rec.last[i]);
      else
        pack_bike_state(b, demo_rec.last[i]);
    }
    data_write(demo_rec.stream, demo_rec.last[i], PACKED_STATE_SIZE);
  }
  data_flush(demo_rec.stream);
}

void demo_stop_recording() {
  if (!demo_rec.stream) return;
  data_close(demo_rec.stream);
  demo_rec.stream = nullptr;
  if (demo_rec.pending_name[0] && strcmp(demo_rec.path, DEFAULT_DEMO) == 0) {
    char target[DEMO_NAME_LIMIT + 16];
    snprintf(target, sizeof target, "@demos/%s", demo_rec.pending_name);
    // rename replaces the target in one step: the old file stays on failure.
    if (!data_rename(DEFAULT_DEMO, target)) log_printf("Can't rename the demo to %s\n", target);
  }
  demo_rec.pending_name[0] = 0;
}

bool demo_is_recording() { return demo_rec.stream != nullptr; }
const char *demo_pending_name() { return demo_rec.pending_name; }

const char *demo_name_command(const char *args) {
  if (!demo_rec.stream || demo_rec.time_trial) return "Not currently recording a demo";
  const char *p = args ? args : "";
  while (*p == ' ' || *p == '\t') p++;
  size_t n = 0;
  while (p[n] && p[n] != ' ' && p[n] != '\t' && p[n] != '\n' && p[n] != '\r') n++;
  if (n >= DEMO_NAME_LIMIT) return "Name too long";
  // The name stays a file inside the demos folder.
  if (n == 0 || memchr(p, '/', n) || memchr(p, '\\', n) || (n == 2 && p[0] == '.' && p[1] == '.'))
    return "Bad demo name";
  size_t suffix = sizeof SUFFIX - 1;
  bool has_suffix = n >= suffix && memcmp(p + n - suffix, SUFFIX, suffix) == 0;
  snprintf(demo_rec.pending_name, sizeof demo_rec.pending_name, "%.*s%s", (int)n, p, has_suffix ? "" : SUFFIX);
  return "Demo name updated";
}
