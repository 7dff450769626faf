// Opening a demo for playback (every header rule), the rider descriptions,
// creating the replayed bikes and playing one record block per tick.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/track_list.h"
#include "data/data.h"
#include "platform/log.h"
#include "replay/demo_internal.h"
#include "sim/assembly.h"
#include "sim/bike.h"
#include "sim/bike_spec.h"
#include "sim/world.h"

demo_playback demo_play;

namespace {

// Old model names and the models that replaced them.
const char *const BIKE_NAME_ALIASES[][2] = {
    {"crf250", "crf250(2008)"}, {"kx250f", "kx250f(2008)"}, {"rmz250", "rmz250(2008)"}, {"yz250f", "yz250f(2008)"}};

// One header line including its "\n", counted into *length. False when the
// line has no "\n" within DEMO_LINE_CAPACITY - 1 bytes or holds a NUL byte.
bool read_line(data_stream *s, char *buf, int64_t *length) {
  int n = 0;
  while (n < DEMO_LINE_CAPACITY - 1) {
    int c = data_getc(s);
    if (c < 0 || c == 0) return false;
    buf[n++] = (char)c;
    if (c == '\n') {
      buf[n - 1] = 0;
      *length += n;
      return true;
    }
  }
  return false;
}

// Up to `max` decimal numbers separated by blanks; how many were read. A
// number outside the 32-bit range ends the list.
int parse_numbers(const char *text, long *out, int max) {
  int count = 0;
  const char *p = text;
  while (count < max) {
    char *end;
    errno = 0;
    long v = strtol(p, &end, 10);
    if (end == p || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) break;
    out[count++] = v;
    p = end;
  }
  return count;
}

// The bike-graphics variant prefix of a model: its graphics texture's last
// name component without ".png", then "-".
void graphics_prefix(const char *model, char *out, int capacity) {
  const bike_spec *spec = bike_spec_find(model);
  const char *name = spec && spec->graphics_texture ? spec->graphics_texture : "";
  const char *slash = strrchr(name, '/');
  const char *base = slash ? slash + 1 : name[0] == '@' ? name + 1 : name;
  int n = (int)strlen(base);
  if (n >= 4 && strcmp(base + n - 4, ".png") == 0) n -= 4;
  snprintf(out, capacity, "%.*s-", n, base);
}

// The listed data name of the variant (prefix + name + ".png" as the last
// name component), or nullptr.
const char *find_variant(const char *prefix, const char *name) {
  if (!name || !name[0] || strcmp(name, "default") == 0) return nullptr;
  char wanted[2 * DEMO_TEXTURE_CAPACITY + 16];
  snprintf(wanted, sizeof wanted, "%s%s.png", prefix, name);
  const char *const *list = data_list();
  for (int i = 0; list && list[i]; i++) {
    const char *slash = strrchr(list[i], '/');
    if (strcmp(slash ? slash + 1 : list[i], wanted) == 0) return list[i];
  }
  return nullptr;
}

// A texture read from a demo stays only when it names a local variant.
void check_variant(char *field, const char *prefix) {
  if (field[0] && !find_variant(prefix, field)) snprintf(field, DEMO_TEXTURE_CAPACITY, "default");
}

void parse_rider(const char *line, const char *plate, demo_rider *r) {
  memset(r, 0, sizeof *r);
  char *fields[5] = {r->model, r->gear_texture, r->graphics_texture, r->wheel_texture, r->helmet_texture};
  const int capacity[5] = {DEMO_MODEL_CAPACITY, DEMO_TEXTURE_CAPACITY, DEMO_TEXTURE_CAPACITY,
                           DEMO_TEXTURE_CAPACITY, DEMO_TEXTURE_CAPACITY};
  const char *p = line;
  for (int f = 0; f < 5 && p; f++) {
    const char *bar = strchr(p, '|');
    int n = bar ? (int)(bar - p) : (int)strlen(p);
    if (n > capacity[f] - 1) n = capacity[f] - 1;
    memcpy(fields[f], p, (size_t)n);
    fields[f][n] = 0;
    p = bar ? bar + 1 : nullptr;
  }
  const char *alias = demo_model_alias(r->model);
  if (alias != r->model) demo_copy_field(r->model, DEMO_MODEL_CAPACITY, alias);
  char prefix[DEMO_TEXTURE_CAPACITY + 8];
  graphics_prefix(r->model, prefix, sizeof prefix);
  check_variant(r->gear_texture, "rider_body-");
  check_variant(r->graphics_texture, prefix);
  check_variant(r->wheel_texture, "wheels-");
  check_variant(r->helmet_texture, "rider_head-");
  demo_copy_field(r->plate, DEMO_PLATE_CAPACITY, plate);
}

bool read_header(data_stream *s) {
  char line[DEMO_LINE_CAPACITY], plate[DEMO_LINE_CAPACITY];
  int64_t length = 0;
  if (!read_line(s, line, &length) || strncmp(line, "KV", 2) != 0) return false;
  long v[5];
  int n = parse_numbers(line + 2, v, 5);
  if (n < 3 || packed_state_size((int)v[0]) == 0) return false;
  if (v[1] < 0 || v[1] > DEMO_MAX_BIKES) return false;  // the slot tables hold 40
  demo_play.version = (int)v[0];
  demo_play.record_size = packed_state_size(demo_play.version);
  demo_play.count = (int)v[1];
  demo_play.time_limit = v[2] > 0 ? (int32_t)v[2] : 0;
  demo_play.laps = n >= 4 && v[3] > 0 ? (int32_t)v[3] : 0;
  demo_play.gate_drop = n >= 5 ? (int32_t)v[4] : DEMO_DEFAULT_GATE_DROP;

  // The track must be one of ours, so a demo can't point the game anywhere else.
  if (!read_line(s, demo_play.track, &length) || track_list_find(demo_play.track) < 0) return false;
  for (int i = 0; i < demo_play.count; i++) {
    if (!read_line(s, line, &length) || !read_line(s, plate, &length)) return false;
    parse_rider(line, plate, &demo_play.riders[i]);
  }
  demo_play.header_length = length;
  return true;
}

void clear_playback() {
  if (demo_play.stream) data_close(demo_play.stream);
  memset(&demo_play, 0, sizeof demo_play);
}

}  // namespace

void demo_copy_field(char *dst, int capacity, const char *text) {
  if (capacity <= 0) return;
  // Cut to the field, as the fixed-size rider record holds it.
  size_t n = text ? strnlen(text, (size_t)capacity - 1) : 0;
  if (n) memcpy(dst, text, n);
  dst[n] = 0;
}

bool demo_safe_folder(const char *folder) {
  if (!folder || !folder[0] || folder[0] == '/' || folder[0] == '@') return false;
  if (strchr(folder, '\\') || strchr(folder, ':')) return false;
  for (const char *p = folder; *p; p++)
    if (p[0] == '.' && p[1] == '.' && (p == folder || p[-1] == '/') && (p[2] == 0 || p[2] == '/')) return false;
  return true;
}

const char *demo_model_alias(const char *model) {
  if (!model) return "";
  for (const auto &a : BIKE_NAME_ALIASES)
    if (strcmp(model, a[0]) == 0) return a[1];
  return model;
}

bool demo_open_playback(const char *path, char *track, int track_size) {
  clear_playback();
  if (track && track_size > 0) track[0] = 0;
  if (!path) return false;
  data_stream *s = data_open(path, "rb");
  if (!s) return false;
  demo_play.stream = s;
  if (!read_header(s) || (track && (int)strlen(demo_play.track) >= track_size)) {
    clear_playback();
    return false;
  }
  demo_copy_field(demo_play.path, sizeof demo_play.path, path);
  if (track) snprintf(track, (size_t)track_size, "%s", demo_play.track);
  log_printf("Playing demo with %d bikes (version %d)\n", demo_play.count, demo_play.version);
  return true;
}

bool demo_is_playing() { return demo_play.stream != nullptr; }
void demo_stop_playback() { clear_playback(); }
int demo_bike_count() { return demo_play.stream ? demo_play.count : 0; }
int demo_version() { return demo_play.stream ? demo_play.version : 0; }
const char *demo_track_folder() { return demo_play.stream ? demo_play.track : ""; }
int32_t demo_time_limit_ticks() { return demo_play.stream ? demo_play.time_limit : 0; }
int demo_laps() { return demo_play.stream ? demo_play.laps : 0; }
int32_t demo_gate_drop_tick() { return demo_play.stream ? demo_play.gate_drop : DEMO_DEFAULT_GATE_DROP; }

bool demo_slot_rider(int index, demo_rider *out) {
  if (!demo_play.stream || index < 0 || index >= demo_play.count || !out) return false;
  *out = demo_play.riders[index];
  return true;
}

bike *demo_create_bike(int index, int slot) {
  demo_rider r;
  if (!demo_slot_rider(index, &r)) return nullptr;
  char prefix[DEMO_TEXTURE_CAPACITY + 8];
  graphics_prefix(r.model, prefix, sizeof prefix);
  // bike_create wants "@" data names; nullptr picks the model's own texture.
  char names[4][DEMO_LINE_CAPACITY];
  const char *found[4] = {find_variant(prefix, r.graphics_texture), find_variant("wheels-", r.wheel_texture),
                          find_variant("rider_body-", r.gear_texture), find_variant("rider_head-", r.helmet_texture)};
  const char *args[4];
  for (int k = 0; k < 4; k++) {
    args[k] = nullptr;
    if (found[k]) {
      snprintf(names[k], sizeof names[k], "@%s", found[k]);
      args[k] = names[k];
    }
  }
  return bike_create(r.model, slot, r.plate, args[0], args[1], args[2], args[3]);
}

int demo_create_ghosts(int first_slot) {
  int made = 0;
  for (int i = 0; i < demo_bike_count(); i++) {
    int slot = first_slot + i;
    if (slot < 0 || slot >= BIKE_SLOT_COUNT) break;
    bike *b = demo_create_bike(i, slot);
    if (!b) continue;
    bike_slot_set(slot, b, BIKE_REMOTE);
    bike_disable(b);
    made++;
  }
  return made;
}

void demo_play_block() {
  if (!demo_play.stream) return;
  uint8_t record[PACKED_STATE_SIZE];
  const int size = demo_play.record_size;
  int used = 0;
  for (int s = 0; s < BIKE_SLOT_COUNT && used < demo_play.count; s++) {
    bike *b = bike_slot_bike(s);
    if (!b || bike_slot_kind(s) != BIKE_REMOTE) continue;
    used++;
    // A short read means the demo has ended: the bike stays where it was.
    if (data_read(demo_play.stream, record, size) == size) {
      bike_apply_packed_state(b, record, demo_play.version, 1);
      demo_play.muted[s] = false;
    } else {
      demo_play.muted[s] = true;
    }
  }
  // Bikes the race has no slot for are skipped with this version's record size.
  for (; used < demo_play.count; used++) data_read(demo_play.stream, record, size);
}

bool demo_slot_muted(int slot) { return slot >= 0 && slot < DEMO_MAX_BIKES && demo_play.muted[slot]; }
