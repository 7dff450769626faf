#include "config/controls.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/main_loop.h"
#include "config/settings.h"
#include "platform/devices.h"
#include "platform/input.h"
#include "platform/keys.h"
#include "platform/log.h"
#include "sim/bike.h"
#include "sim/world.h"

static const action_entry ACTION_TABLE[ACTION_TABLE_SIZE] = {
    {BIND_LEFT, 0, +1, 0},          {BIND_RIGHT, 0, -1, 0},        {BIND_THROTTLE, 1, +1, 0},
    {BIND_FRONT_BRAKE, 2, +1, 0},   {BIND_REAR_BRAKE, 3, +1, 0},   {BIND_UPSHIFT, 4, +1, 0},
    {BIND_DOWNSHIFT, 4, -1, 0},     {BIND_CLUTCH, 5, +1, 0},       {BIND_DAB, 6, +1, 0},
    {BIND_BACK_UP, 7, +1, 0},       {BIND_LEAN_FORWARD, 8, -1, 0}, {BIND_LEAN_BACKWARD, 8, +1, 0},
};

action_entry action_table[ACTION_TABLE_SIZE];
menu_keys fixed_keys;

// Sticky sit/dab: the toggle and the previous tick's sit/dab action.
static bool dab_toggle;
static float previous_dab;
static axis_handle *cursor_axes[2];
static int32_t cursor_position[2];

void action_table_reset() {
  for (int i = 0; i < ACTION_TABLE_SIZE; i++) action_table[i] = ACTION_TABLE[i];
  dab_toggle = false;
  previous_dab = 0;
}

static int32_t resolve_key(const char *name, int32_t fallback) {
  int32_t c = key_code(name);
  return c >= 0 ? c : fallback;
}

void controls_resolve() {
  // The window backend normally set these up when it opened; without one
  // (headless runs, tests) the cursor and the built-in aliases still exist.
  devices_open_window_input(nullptr);
  devices_roll_call_done();
  for (int i = 0; i < 2; i++) {
    axis_close(cursor_axes[i]);
    cursor_axes[i] = axis_open(i == 0 ? "cursor-x" : "cursor-y");
  }
  for (binding_item &b : settings.bindings) {
    axis_close(b.axis);
    b.axis = nullptr;
    b.key_code = b.key_name[0] ? key_code(b.key_name) : -1;
    if (b.axis_name[0]) {
      b.axis = axis_open(b.axis_name);
      if (!b.axis) log_printf("Can't open axis \"%s\" for %s\n", b.axis_name, b.label ? b.label : "a control");
    }
  }
  for (action_entry &e : action_table) e.value = 0;
  fixed_keys.up = key_code("up");
  fixed_keys.down = key_code("down");
  fixed_keys.left = key_code("left");
  fixed_keys.right = key_code("right");
  fixed_keys.enter = key_code("enter");
  fixed_keys.keypad_enter = key_code("keypad enter");
  fixed_keys.esc = key_code("esc");
  fixed_keys.pause = key_code("pause");
  fixed_keys.cursor_left = resolve_key("cursor-left", MOUSE_LEFT_CODE);
  fixed_keys.cursor_right = resolve_key("cursor-right", MOUSE_RIGHT_CODE);
  fixed_keys.page_up = key_code("page up");
  fixed_keys.page_down = key_code("page down");
}

static void calibration_end();

void controls_release() {
  if (calibration_running()) calibration_end();
  for (binding_item &b : settings.bindings) {
    axis_close(b.axis);
    b.axis = nullptr;
  }
  for (axis_handle *&h : cursor_axes) {
    axis_close(h);
    h = nullptr;
  }
}

void action_table_key(int32_t code, int32_t pressed) {
  if (code < 0) return;
  for (action_entry &e : action_table)
    if (settings.bindings[e.binding].key_code == code) e.value = pressed ? 1.0f : 0.0f;
}

float binding_axis_value(int32_t r, float low, float high) {
  // A range of zero width (or one that is not a number) has no position in it.
  double width = (double)high - (double)low;
  if (!(width != 0) || !std::isfinite(width)) return 0;
  double v = ((double)r / 32768 - low) / width;
  if (!(v > 0)) return 0;
  return v < 1 ? (float)v : 1.0f;
}

void action_table_sum(float *values) {
  float axis_value[BINDING_COUNT];
  bool read[BINDING_COUNT] = {};
  for (const action_entry &e : action_table) {
    const binding_item &b = settings.bindings[e.binding];
    if (!b.axis) continue;
    // Each binding's axis is read once a tick (relative axes reset on a read).
    if (!read[e.binding]) {
      axis_value[e.binding] = binding_axis_value(axis_read(b.axis), b.low, b.high);
      read[e.binding] = true;
    }
  }
  for (action_entry &e : action_table) {
    if (read[e.binding]) e.value = axis_value[e.binding];
    values[e.action] += e.value * e.scale;
  }
}

void controls_read_cursor(int32_t *x, int32_t *y) {
  for (int i = 0; i < 2; i++)
    if (cursor_axes[i]) cursor_position[i] = axis_read(cursor_axes[i]);
  *x = cursor_position[0];
  *y = cursor_position[1];
}

void apply_actions(bike *b, const float *a) {
  if (!b) return;
  float steer = a[ACTION_STEER];
  if (settings.reverse_steering.selected == 1) steer = -steer;
  bike_set_steer(b, steer);
  bike_set_front_brake(b, a[ACTION_FRONT_BRAKE]);
  bike_set_rear_brake(b, a[ACTION_REAR_BRAKE]);
  bike_set_throttle(b, a[ACTION_THROTTLE]);

  float dab = a[ACTION_DAB];
  if (settings.sticky_dab.selected == 1) {
    if (dab >= 0.5f && previous_dab < 0.5f) dab_toggle = !dab_toggle;
    bike_set_dab(b, dab_toggle ? 1.0f : 0.0f);
  } else {
    bike_set_dab(b, dab);
  }
  previous_dab = dab;

  bike_set_back_up(b, a[ACTION_BACK_UP]);
  bike_set_lean(b, a[ACTION_LEAN]);

  // A lever pulled beyond 7/8 disengages fully; letting it out takes a quarter second.
  float target = clamp_value(1 - a[ACTION_CLUTCH] * 8 / 7, 0, 1);
  float engagement = b->controls.clutch;
  if (target > engagement) {
    engagement += (float)(4 * settings.tick_length);
    if (engagement > target) engagement = target;
  } else {
    engagement = target;
  }
  bike_set_clutch(b, engagement);

  float shift = a[ACTION_SHIFT];
  bike_set_shift(b, shift > 0.5f ? 1 : shift < -0.5f ? -1 : 0);
}

void apply_controls(const float *values) {
  int slot = loop.viewed_slot;
  if (bike_slot_kind(slot) != BIKE_LOCAL) return;
  apply_actions(bike_slot_bike(slot), values);
}

int32_t binding_key_code(int binding) {
  if (binding < 0 || binding >= BINDING_COUNT) return -1;
  return settings.bindings[binding].key_code;
}

// Calibration ("watching pots").

enum { WATCH_LIMIT = 256 };

struct watched_axis {
  char name[BINDING_NAME_CAPACITY];
  axis_handle *handle;
};

static struct {
  binding_item *item;
  watched_axis axes[WATCH_LIMIT];
  int count;
} calibration;

bool calibration_running() { return calibration.item != nullptr; }

static void close_watched(const axis_handle *keep) {
  for (int i = 0; i < calibration.count; i++)
    if (calibration.axes[i].handle != keep) axis_close(calibration.axes[i].handle);
  calibration.count = 0;
}

static void calibration_end() {
  close_watched(nullptr);
  calibration.item = nullptr;
}

bool calibration_start(binding_item *item) {
  if (calibration_running()) calibration_end();
  if (!item) return false;
  calibration.item = item;
  calibration.count = 0;
  if (debug_level >= 1) log_printf("Watching pots\n");
  for (const char *const *n = absolute_axis_names(); *n && **n && calibration.count < WATCH_LIMIT; n++) {
    axis_handle *h = axis_open(*n);
    if (h && std::abs((long)axis_read(h)) > 16384) {
      axis_close(h);
      if (debug_level >= 1) log_printf("\t%s Ignored (not centered)\n", *n);
      continue;
    }
    if (debug_level >= 1) log_printf("\t%s %s\n", *n, h ? "Ok" : "Failed");
    if (!h) continue;
    watched_axis &w = calibration.axes[calibration.count++];
    strncpy(w.name, *n, sizeof w.name - 1);
    w.name[sizeof w.name - 1] = 0;
    w.handle = h;
  }
  return true;
}

void calibration_watch() {
  if (!calibration_running()) return;
  int best = -1;
  double best_value = 0, best_signed = 0;
  for (int i = 0; i < calibration.count; i++) {
    double r = axis_read(calibration.axes[i].handle) / 32768.0;
    if (std::fabs(r) > best_value) {
      best_value = std::fabs(r);
      best_signed = r;
      best = i;
    }
  }
  if (best < 0 || best_value <= 0.5) return;
  binding_item *item = calibration.item;
  watched_axis &w = calibration.axes[best];
  axis_close(item->axis);
  item->key_name[0] = 0;
  item->key_code = -1;
  memcpy(item->axis_name, w.name, sizeof item->axis_name);
  item->axis = w.handle;
  bool positive = best_signed > 0;
  item->low = positive ? 0.0625f : -0.0625f;
  item->high = positive ? 0.9375f : -0.9375f;
  close_watched(w.handle);
  calibration.item = nullptr;
  if (debug_level >= 1) log_printf("Done watching pots\n");
}

void calibration_key(int32_t code) {
  if (!calibration_running()) return;
  if (code == fixed_keys.esc) {
    calibration_end();
    return;
  }
  const char *name = key_name(code);
  if (!name || !*name) return;  // a key without a name can't be written down
  binding_item *item = calibration.item;
  strncpy(item->key_name, name, sizeof item->key_name - 1);
  item->key_name[sizeof item->key_name - 1] = 0;
  item->key_code = code;
  item->axis_name[0] = 0;
  axis_close(item->axis);
  item->axis = nullptr;
  calibration_end();
}
