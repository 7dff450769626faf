// The device table: naming, codes, button events and polling.
#include "platform/devices.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/input.h"
#include "platform/log.h"

void aliases_clear();
void absolute_axes_add(const input_device *d);
void absolute_axes_clear();

static input_device *devices[DEVICE_LIMIT];
static int device_count;
static bool window_input_open, roll_call_aliases;

int devices_count() { return device_count; }
input_device *device_at(int index) { return index >= 0 && index < device_count ? devices[index] : nullptr; }

input_device *device_find(const char *name) {
  if (!name) return nullptr;
  for (int i = 0; i < device_count; i++)
    if (strcmp(devices[i]->name, name) == 0) return devices[i];
  return nullptr;
}

input_device *device_by_code(int32_t code) {
  if (code < DEVICE_CODE_UNIT) return nullptr;
  int32_t base = code & ~(DEVICE_CODE_UNIT - 1);
  for (int i = 0; i < device_count; i++)
    if (devices[i]->code == base) return devices[i];
  return nullptr;
}

static bool code_in_use(int32_t c) {
  for (int i = 0; i < device_count; i++)
    if (devices[i]->code == c) return true;
  return false;
}

int32_t device_code(const char *name) {
  uint16_t s1 = 0;
  uint8_t s2 = 0;
  for (int i = 0; name[i]; i++) {
    if (i % 2 == 0)
      s1 = (uint16_t)(s1 + (unsigned char)name[i]);
    else
      s2 = (uint8_t)(s2 + (unsigned char)name[i]);
  }
  int32_t slot = (int32_t)((s1 + 256 * s2) % 32768);
  for (int tries = 0; slot == 0 || code_in_use(slot * DEVICE_CODE_UNIT); tries++) {
    if (tries == 65535) return 0;
    slot = (slot + 1) % 32768;
  }
  return slot * DEVICE_CODE_UNIT;
}

void device_make_name(const char *instance, char *out) {
  char base[DEVICE_NAME_LENGTH + 1];
  int n = 0;
  for (const char *p = instance ? instance : ""; *p && n < DEVICE_NAME_LENGTH; p++)
    if (!isspace((unsigned char)*p) && *p != '.') base[n++] = *p;
  base[n] = 0;
  snprintf(out, DEVICE_NAME_LENGTH + 1, "%s", base);
  for (int k = 2; device_find(out); k++) {
    char suffix[16];
    int s = snprintf(suffix, sizeof suffix, "#%d", k);
    // Cut the base so that the suffix always fits.
    int keep = n + s > DEVICE_NAME_LENGTH ? DEVICE_NAME_LENGTH - s : n;
    snprintf(out, DEVICE_NAME_LENGTH + 1, "%.*s%s", keep, base, suffix);
  }
}

static int clamp_count(int v, int limit) { return v < 0 ? 0 : v > limit ? limit : v; }

static input_device *add_device(const char *instance, int axes, int buttons, bool relative,
                                const input_device_ops *ops, void *backend, bool listed) {
  if (device_count >= DEVICE_LIMIT) {
    log_printf("Too many input devices; \"%s\" ignored\n", instance ? instance : "");
    return nullptr;
  }
  input_device *d = (input_device *)calloc(1, sizeof *d);
  if (!d) return nullptr;
  device_make_name(instance, d->name);
  d->code = device_code(d->name);
  if (!d->code) {
    log_printf("No device code left for \"%s\"\n", d->name);
    free(d);
    return nullptr;
  }
  d->axis_count = clamp_count(axes, DEVICE_MAX_AXES);
  d->button_count = clamp_count(buttons, DEVICE_MAX_BUTTONS);
  d->relative = relative;
  d->ops = ops;
  d->backend = backend;
  devices[device_count++] = d;
  if (listed && !relative) absolute_axes_add(d);
  return d;
}

input_device *devices_add(const char *instance, int axes, int buttons, bool relative, const input_device_ops *ops,
                          void *backend) {
  return add_device(instance, axes, buttons, relative, ops, backend, true);
}

void devices_open_window_input(const input_device_ops *cursor_ops) {
  if (window_input_open) return;
  window_input_open = true;
  alias_add("cursor-left", "Mouse Left");
  alias_add("cursor-middle", "Mouse Middle");
  alias_add("cursor-right", "Mouse Right");
  if (add_device("cursor", 2, 0, false, cursor_ops, nullptr, false)) {
    alias_add("cursor-x", "cursor.axis[0]");
    alias_add("cursor-y", "cursor.axis[1]");
  }
}

void devices_roll_call_done() {
  if (roll_call_aliases) return;
  roll_call_aliases = true;
  static const char *const PAIRS[][2] = {
      {"mouse-x", "Mouse.axis[0]"},          {"mouse-y", "Mouse.axis[1]"},
      {"mouse-left", "Mouse.key[0]"},        {"mouse-right", "Mouse.key[1]"},
      {"mouse-middle", "Mouse.key[2]"},      {"joystick-a-x", "Joystick1.axis[0]"},
      {"joystick-a-y", "Joystick1.axis[1]"}, {"joystick-a-1", "Joystick1.key[0]"},
      {"joystick-a-2", "Joystick1.key[1]"},  {"joystick-b-x", "Joystick2.axis[0]"},
      {"joystick-b-y", "Joystick2.axis[1]"}, {"joystick-b-1", "Joystick2.key[0]"},
      {"joystick-b-2", "Joystick2.key[1]"},
  };
  for (const auto &p : PAIRS) alias_add(p[0], p[1]);
}

void devices_close_all() {
  for (int i = 0; i < device_count; i++) {
    input_device *d = devices[i];
    log_printf("Killing %s\n", d->name);
    if (d->timestamp_adjustment > 0) log_printf("Timestamp adjustment was %d\n", (int)d->timestamp_adjustment);
    if (d->acquired && d->ops && d->ops->release) d->ops->release(d);
    if (d->ops && d->ops->destroy) d->ops->destroy(d);
    free(d);
    devices[i] = nullptr;
  }
  device_count = 0;
  window_input_open = roll_call_aliases = false;
  absolute_axes_clear();
  aliases_clear();
}

void device_axis_set(input_device *d, int axis, int32_t value) {
  if (d && axis >= 0 && axis < d->axis_count) d->axes[axis] = value;
}

void device_axis_add(input_device *d, int axis, int32_t delta) {
  if (d && axis >= 0 && axis < d->axis_count) d->axes[axis] = (int32_t)((uint32_t)d->axes[axis] + (uint32_t)delta);
}

static int64_t to_microseconds(kv_time t) { return (int64_t)t.sec * 1000000 + t.usec; }
static kv_time from_microseconds(int64_t us) {
  int64_t sec = us / 1000000, rest = us % 1000000;
  if (rest < 0) sec--, rest += 1000000;
  return kv_time{(int32_t)sec, (int32_t)rest};
}

void device_button_event(input_device *d, int button, uint8_t byte, kv_time stamp) {
  if (!d || button < 0 || button >= d->button_count || d->buttons[button] == byte) return;
  d->buttons[button] = byte;
  if (button >= DEVICE_ADDRESSABLE_BUTTONS) return;  // stored, but has no event code
  int64_t t = to_microseconds(stamp) - (int64_t)d->timestamp_adjustment * 1000;
  int64_t now = to_microseconds(input_time());
  if (t > now) {
    // The device's clock runs ahead: never queue an event in the future.
    d->timestamp_adjustment += (int32_t)((t - now + 999) / 1000);
    t = now;
  }
  input_queue_add(d->code + button, byte != 0, from_microseconds(t));
}

void device_button_state(input_device *d, int button, uint8_t byte) {
  if (!d || button < 0 || button >= d->button_count || d->buttons[button] == byte) return;
  d->buttons[button] = byte;
  if (button < DEVICE_ADDRESSABLE_BUTTONS) input_queue_add(d->code + button, byte != 0, input_time());
}

void device_poll(input_device *d) {
  if (d && d->ops && d->ops->poll) d->ops->poll(d);
}

void devices_poll_flagged() {
  for (int i = 0; i < device_count; i++)
    if (devices[i]->polling) device_poll(devices[i]);
}

bool device_acquire(input_device *d) {
  if (d->acquired) return true;
  if (d->ops && d->ops->acquire && !d->ops->acquire(d)) return false;
  d->acquired = true;
  return true;
}

void device_release(input_device *d) {
  if (!d->acquired) return;
  if (d->ops && d->ops->release) d->ops->release(d);
  d->acquired = false;
}

static const char *skip_blanks(const char *s) {
  while (isspace((unsigned char)*s)) s++;
  return s;
}

// A decimal number with an optional sign; values past 999999 are refused
// rather than wrapped, so a huge number never turns into a small index.
static const char *read_number(const char *s, int *out) {
  bool negative = *s == '-';
  if (*s == '-' || *s == '+') s++;
  if (!isdigit((unsigned char)*s)) return nullptr;
  long v = 0;
  for (; isdigit((unsigned char)*s); s++) {
    v = v * 10 + (*s - '0');
    if (v > 999999) return nullptr;
  }
  *out = negative ? -(int)v : (int)v;
  return s;
}

// Reads "Dev.<dotted>[n]" or "Dev <spaced> n" (blanks allowed around the
// words as a scan would, nothing but blanks after) into the device name
// (at most 63 characters) and the number.
bool scan_device_part(const char *name, const char *dotted, const char *spaced, char *device, int *number) {
  size_t n = strcspn(name, ".");
  if (n > 0 && n <= DEVICE_NAME_LENGTH && name[n] == '.' && !strncmp(name + n + 1, dotted, strlen(dotted)) &&
      name[n + 1 + strlen(dotted)] == '[') {
    const char *p = read_number(skip_blanks(name + n + 2 + strlen(dotted)), number);
    if (p && *p == ']' && !*skip_blanks(p + 1)) {
      memcpy(device, name, n);
      device[n] = 0;
      return true;
    }
  }
  const char *s = skip_blanks(name);
  size_t w = 0;
  while (s[w] && !isspace((unsigned char)s[w])) w++;
  if (w == 0 || w > DEVICE_NAME_LENGTH) return false;
  const char *p = skip_blanks(s + w);
  size_t k = strlen(spaced);
  if (strncmp(p, spaced, k) != 0) return false;
  p = read_number(skip_blanks(p + k), number);
  if (!p || *skip_blanks(p)) return false;
  memcpy(device, s, w);
  device[w] = 0;
  return true;
}

int32_t device_button_code(const char *name) {
  char device[DEVICE_NAME_LENGTH + 1];
  int b;
  if (!name || !scan_device_part(name, "key", "button", device, &b)) return -1;
  if (b < 0 || b >= DEVICE_ADDRESSABLE_BUTTONS) return -1;
  input_device *d = device_find(device);
  if (!d || b >= d->button_count) return -1;
  if (!device_acquire(d)) log_printf("Can't acquire %s\n", d->name);
  d->polling = true;
  return d->code + b;
}

bool device_button_name(int32_t code, char *out, int size) {
  input_device *d = device_by_code(code);
  if (!d) return false;
  int b = code - d->code;
  if (b >= DEVICE_ADDRESSABLE_BUTTONS || b >= d->button_count) return false;
  snprintf(out, (size_t)size, "%.1000s button %d", d->name, b);
  return true;
}
