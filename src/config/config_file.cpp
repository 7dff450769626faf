#include "config/config_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/binding_text.h"
#include "config/settings.h"
#include "config/texture_variants.h"
#include "data/data.h"
#include "platform/log.h"

static const char CONFIG_NAME[] = "@config";
static const char CONFIG_TEMP_NAME[] = "@config.tmp";
enum { LINE_SIZE = 1024 };

enum key_kind { KEY_INT, KEY_NUMBER, KEY_STABILITY, KEY_CHOICE, KEY_BIKE, KEY_TEXT, KEY_SLOTS, KEY_HISTORY, KEY_BINDINGS };

struct config_key {
  const char *key;  // nullptr for the loops, which form their own keys
  key_kind kind;
  void *field;
};

#define INT_KEY(k) {#k, KEY_INT, &settings.k}
#define NUM_KEY(k) {#k, KEY_NUMBER, &settings.k}
#define CHOICE_KEY(k) {#k, KEY_CHOICE, &settings.k}
#define TEXT_KEY(k) {#k, KEY_TEXT, &settings.k}

// Every key in the order it is written.
static const config_key CONFIG_KEYS[] = {
    INT_KEY(xres), INT_KEY(yres), INT_KEY(draw_fps), INT_KEY(draw_time), INT_KEY(draw_ping), INT_KEY(spy),
    CHOICE_KEY(record), CHOICE_KEY(skill), NUM_KEY(minutes), NUM_KEY(laps),
    {nullptr, KEY_SLOTS, nullptr},
    NUM_KEY(ghost_fade_distance), CHOICE_KEY(time_trial_abort), {"bike", KEY_BIKE, &settings.bike},
    TEXT_KEY(name), TEXT_KEY(number),
    CHOICE_KEY(rider_texture), CHOICE_KEY(head_texture), CHOICE_KEY(bike_texture), CHOICE_KEY(wheel_texture),
    {"stability", KEY_STABILITY, &settings.stability},
    NUM_KEY(leveling), NUM_KEY(roll_damping), NUM_KEY(roll_limit_angle), NUM_KEY(roll_limit_factor),
    NUM_KEY(steering_damping), NUM_KEY(steering_strength), NUM_KEY(max_steering_force), NUM_KEY(direct_steering),
    NUM_KEY(slow_damping_speed), NUM_KEY(slow_damping_factor), NUM_KEY(land_damping_falloff),
    NUM_KEY(land_damping_factor),
    CHOICE_KEY(arcade), CHOICE_KEY(front_brake), CHOICE_KEY(rear_brake), CHOICE_KEY(stop_wheelies),
    CHOICE_KEY(auto_shift), CHOICE_KEY(auto_dab), CHOICE_KEY(sticky_dab), CHOICE_KEY(reverse_steering),
    CHOICE_KEY(lean_indicator),
    NUM_KEY(auto_clutch_rpms), NUM_KEY(brake_torque), NUM_KEY(rear_brake_torque), NUM_KEY(max_dab_speed),
    NUM_KEY(front_sprocket_adjustment), NUM_KEY(rear_sprocket_adjustment), NUM_KEY(fork_compression_adjustment),
    NUM_KEY(fork_rebound_adjustment), NUM_KEY(fork_spring_rate_adjustment), NUM_KEY(fork_preload_adjustment),
    NUM_KEY(fork_oil_level_adjustment), NUM_KEY(shock_compression_adjustment), NUM_KEY(shock_rebound_adjustment),
    NUM_KEY(shock_spring_rate_adjustment), NUM_KEY(shock_preload_adjustment), NUM_KEY(rider_yspring),
    NUM_KEY(rider_ydamping), NUM_KEY(rider_zspring), NUM_KEY(rider_zdamping), NUM_KEY(rider_mass_distribution),
    CHOICE_KEY(video_mode), TEXT_KEY(server_name),
    {nullptr, KEY_HISTORY, nullptr},
    NUM_KEY(ground_detail), NUM_KEY(ground_texture_detail), CHOICE_KEY(ground_texture_dim),
    CHOICE_KEY(ground_mipmaps), CHOICE_KEY(use_fbo), CHOICE_KEY(use_shader), NUM_KEY(roost_density),
    CHOICE_KEY(lens_flare), CHOICE_KEY(hide_rider), CHOICE_KEY(rigid_camera), NUM_KEY(model_detail),
    NUM_KEY(model_texture_detail), NUM_KEY(fov), NUM_KEY(first_person_height), NUM_KEY(first_person_angle),
    NUM_KEY(volume), CHOICE_KEY(playback_mode), INT_KEY(billboard_optimize_lookahead),
    {nullptr, KEY_BINDINGS, nullptr},
};

// Binding keys in settings.bindings order.
static const char *const BINDING_KEYS[BINDING_COUNT] = {
    "throttle_key",     "front_brake_key",  "rear_brake_key",    "left_key",  "right_key",
    "clutch_key",       "upshift_key",      "downshift_key",     "dab_key",   "back_up_key",
    "lean_forward_key", "lean_backward_key", "pause_key",        "step_key",  "rewind_key",
    "skip_key",         "prev_key",         "next_key",          "console_key", "screenshot_key"};

// Bike names of earlier releases and the models they now stand for.
static const char *const OLD_BIKE_NAMES[][2] = {
    {"crf250", "crf250(2008)"}, {"kx250f", "kx250f(2008)"}, {"rmz250", "rmz250(2008)"}, {"yz250f", "yz250f(2008)"}};

// A history entry holds SERVER_HISTORY_SIZE bytes with its terminator.
enum { HISTORY_TEXT_MAX = SERVER_HISTORY_SIZE - 1 };

// A decimal integer at the start of text; false (field unchanged) when there is
// none or it does not fit in 32 bits.
static bool read_int(const char *text, int32_t *out) {
  char *end;
  errno = 0;
  long v = strtol(text, &end, 10);
  if (end == text || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
  *out = (int32_t)v;
  return true;
}

// "slot%02d" / "server_name_hist%02d": the number n in 0..count-1, or -1.
static int numbered_key(const char *key, const char *format, int count) {
  char buf[32];
  for (int n = 0; n < count; n++) {
    snprintf(buf, sizeof buf, format, n);
    if (strcmp(key, buf) == 0) return n;
  }
  return -1;
}

static void set_bike(const char *value) {
  for (const auto &pair : OLD_BIKE_NAMES)
    if (strcmp(value, pair[0]) == 0) value = pair[1];
  choice_set_by_name(&settings.bike, value);
  texture_variants_build(&settings.bike_texture, bike_texture_prefix(settings.bike.selected));
  settings.bike_texture.selected = 0;
}

static void apply_value(const config_key &k, const char *value) {
  switch (k.kind) {
    case KEY_INT:
      read_int(value, (int32_t *)k.field);
      break;
    case KEY_NUMBER:
      number_set_from_text((number_item *)k.field, value);
      break;
    case KEY_STABILITY:
      // The assist values written after it in the file override the preset.
      if (number_set_from_text((number_item *)k.field, value))
        apply_stability_preset((int)((number_item *)k.field)->value);
      break;
    case KEY_CHOICE:
      choice_set_by_name((choice_item *)k.field, value);
      break;
    case KEY_BIKE:
      set_bike(value);
      break;
    case KEY_TEXT:
      text_set((text_item *)k.field, value);
      break;
    default:
      break;
  }
}

static void apply_line(char *line) {
  char *eq = strchr(line, '=');
  if (!eq) return;
  *eq = 0;
  const char *key = line;
  char *value = eq + 1;
  size_t len = strlen(value);
  while (len > 0 && (value[len - 1] == '\r' || value[len - 1] == '\n')) value[--len] = 0;

  for (const config_key &k : CONFIG_KEYS) {
    if (k.key && strcmp(k.key, key) == 0) {
      apply_value(k, value);
      return;
    }
  }
  for (int i = 0; i < BINDING_COUNT; i++) {
    if (strcmp(BINDING_KEYS[i], key) == 0) {
      binding_parse(&settings.bindings[i], value);
      return;
    }
  }
  int n = numbered_key(key, "slot%02d", GATE_COUNT);
  if (n >= 0) {
    choice_set_by_name(&settings.gates[n], value);
    return;
  }
  n = numbered_key(key, "server_name_hist%02d", SERVER_HISTORY_COUNT);
  if (n >= 0 && len <= HISTORY_TEXT_MAX) memcpy(settings.server_history[n], value, len + 1);
  // "ground_texture_distance" and every other key: ignored.
}

bool config_read() {
  data_stream *s = data_open(CONFIG_NAME, "rb");
  if (!s) return false;
  // A line longer than the buffer arrives in pieces, each taken as a line.
  char line[LINE_SIZE];
  while (data_gets(s, line, sizeof line)) apply_line(line);
  data_close(s);
  return true;
}

// Writes one formatted line; ok turns false on the first failed write.
#define PUT(...)                                        \
  do {                                                  \
    if (data_printf(s, __VA_ARGS__) < 0) ok = false;    \
  } while (0)

static bool write_all(data_stream *s) {
  bool ok = true;
  for (const config_key &k : CONFIG_KEYS) {
    switch (k.kind) {
      case KEY_INT:
        PUT("%s=%d\n", k.key, (int)*(const int32_t *)k.field);
        break;
      case KEY_NUMBER:
      case KEY_STABILITY:
        PUT("%s=%f\n", k.key, ((const number_item *)k.field)->value);
        break;
      case KEY_CHOICE:
      case KEY_BIKE:
        PUT("%s=%s\n", k.key, choice_name((const choice_item *)k.field));
        break;
      case KEY_TEXT:
        PUT("%s=%.*s\n", k.key, TEXT_ITEM_CAPACITY - 1, ((const text_item *)k.field)->text);
        break;
      case KEY_SLOTS:
        for (int i = 0; i < GATE_COUNT; i++) PUT("slot%02d=%s\n", i, choice_name(&settings.gates[i]));
        break;
      case KEY_HISTORY:
        for (int i = 0; i < SERVER_HISTORY_COUNT; i++)
          PUT("server_name_hist%02d=%.*s\n", i, HISTORY_TEXT_MAX, settings.server_history[i]);
        break;
      case KEY_BINDINGS:
        for (int i = 0; i < BINDING_COUNT; i++) {
          char line[3 * BINDING_NAME_CAPACITY + 128];
          int n = binding_format(BINDING_KEYS[i], &settings.bindings[i], line, sizeof line);
          if (n > 0 && data_write(s, line, n) != n) ok = false;
        }
        break;
    }
    if (!ok) return false;
  }
  return data_flush(s) == 0;
}

// Root 0 + the data name without its "@"; false when there is no root 0 or
// the path does not fit.
static bool personal_path(const char *data_name, char *out, size_t size) {
  const char *root = data_roots(0);
  if (!root) return false;
  int n = snprintf(out, size, "%s%s", root, data_name + 1);
  return n > 0 && (size_t)n < size;
}

bool config_write() {
  // The temporary file and the rename both stay in root 0, the personal folder.
  char temp[1024], target[1024];
  if (!personal_path(CONFIG_TEMP_NAME, temp, sizeof temp) || !personal_path(CONFIG_NAME, target, sizeof target))
    return false;
  data_stream *s = data_open(temp, "wb");
  if (!s) return false;
  bool ok = write_all(s);
  data_close(s);
  // Only a complete file replaces the player's settings.
  if (ok) ok = data_rename(temp, target) == 1;
  if (!ok) {
    remove(temp);
    if (debug_level >= 1) log_printf("Configuration not written\n");
  }
  return ok;
}
