// Input devices (joysticks, wheels, mice, the window cursor) behind one table
// of operations, so that a backend plugs its controllers in without touching
// this core; named axes and buttons; the alias table.
//
// Promises: device codes are multiples of 65536 in 65536 .. 32767 * 65536 and
// a button event's code is the device code + button (0 .. 255). Device names
// are unique, at most DEVICE_NAME_LENGTH characters, without blanks or ".".
// Axis values are 32-bit signed; absolute axes span -32767 .. 32767 (the
// backend sets that range), relative axes accumulate motion until read.
// Devices are owned by this module from devices_add to devices_close_all.
// Axis handles stay safe to read and close after their device is gone (they
// then read 0). Main thread only (polls run inside input_next_event); the
// events they queue go through the queue's own lock.
#pragma once
#include <cstdint>

#include "platform/clock.h"

enum {
  DEVICE_NAME_LENGTH = 63,
  DEVICE_MAX_AXES = 100,
  DEVICE_MAX_BUTTONS = 500,
  DEVICE_ADDRESSABLE_BUTTONS = 256,
  DEVICE_CODE_UNIT = 65536,
  DEVICE_LIMIT = 64,
};

struct input_device;

// What a backend provides. Any entry may be nullptr.
struct input_device_ops {
  bool (*acquire)(input_device *d);
  void (*release)(input_device *d);
  // Fresh value of an absolute axis read from the system when asked (the
  // cursor); without it the value the poll last stored is used.
  int32_t (*read_axis)(input_device *d, int axis);
  // Moves the device's new data in through device_axis_set / device_axis_add /
  // device_button_event / device_button_state; re-acquires a lost device.
  void (*poll)(input_device *d);
  // Frees the backend's own data (d->backend); the record itself is ours.
  void (*destroy)(input_device *d);
};

struct input_device {
  char name[DEVICE_NAME_LENGTH + 1];
  int32_t code;
  int32_t button_count;  // 0 .. DEVICE_MAX_BUTTONS
  int32_t axis_count;    // 0 .. DEVICE_MAX_AXES
  bool relative;         // axes report motion, not positions
  int32_t open_count;    // axis handles open on it
  bool acquired;
  bool polling;          // set once one of its buttons was looked up
  int32_t axes[DEVICE_MAX_AXES];
  uint8_t buttons[DEVICE_MAX_BUTTONS];
  int32_t timestamp_adjustment;  // milliseconds, >= 0
  const input_device_ops *ops;
  void *backend;
};

struct axis_handle;

// The device code for a name: a checksum of its bytes, moved on past 0 and
// past codes in use; 0 when none is free.
int32_t device_code(const char *name);
// The unique device name for a controller's instance name: blanks and "."
// removed, then "#2", "#3", ... appended while the name is in use.
void device_make_name(const char *instance, char *out /* DEVICE_NAME_LENGTH + 1 */);

// Adds a device found by a backend's roll call: named by the rule above and
// given its code. Counts beyond the limits are cut. An absolute device's axes
// join the absolute axis list. nullptr when the table is full or no code is
// free (the backend then destroys its own data).
input_device *devices_add(const char *instance, int axes, int buttons, bool relative, const input_device_ops *ops,
                          void *backend);
// The "cursor" device (two absolute axes, window pixels, y down) and the
// aliases that come with the window: "cursor-left/-middle/-right",
// "cursor-x/-y". Safe to call again; only the first call acts.
void devices_open_window_input(const input_device_ops *cursor_ops);
// Registers the aliases of the mice and joysticks (after a roll call). Only
// the first call acts.
void devices_roll_call_done();
// Destroys every device ("Killing %s" logged, and the timestamp adjustment
// when above 0), forgets the aliases and the absolute axis list.
void devices_close_all();

int devices_count();
input_device *device_at(int index);
input_device *device_find(const char *name);       // exact name
input_device *device_by_code(int32_t code);        // the device owning an event code

// For backends, from their poll operation.
void device_axis_set(input_device *d, int axis, int32_t value);
void device_axis_add(input_device *d, int axis, int32_t delta);
// A buffered button event stamped by the device's own clock: queued when the
// byte changed, at the stamp minus the timestamp adjustment; a stamp after the
// present raises the adjustment so the event lands at the present.
void device_button_event(input_device *d, int button, uint8_t byte, kv_time stamp);
// An unbuffered reading: queued, stamped with the present, when it changed.
void device_button_state(input_device *d, int button, uint8_t byte);
// Polls every device with its polling flag set.
void devices_poll_flagged();

// Device buttons by name ("Dev.key[3]" or "Dev button 3"): the code, or -1.
// Looking a button up acquires the device and sets its polling flag.
int32_t device_button_code(const char *name);
// "Dev button 3" for a device button code, into out; false for other codes.
bool device_button_name(int32_t code, char *out, int size);

// Axes by name ("Dev.axis[0]" or "Dev axis 0", aliases replaced first).
axis_handle *axis_open(const char *name);
int32_t axis_read(axis_handle *h);  // 0 for nullptr or a vanished device
void axis_close(axis_handle *h);    // nullptr is fine
bool axis_is_relative(const axis_handle *h);

// "Dev axis 0" names of every axis of the absolute roll-call devices, in
// order, without duplicates, the last entry empty.
const char *const *absolute_axis_names();

// Aliases, newest first; a second alias for the same name is logged and ignored.
void alias_add(const char *alias, const char *target);
// The target of name, or name itself.
const char *alias_lookup(const char *name);
