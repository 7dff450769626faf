// A scripted input device for tests: the test sets the values the "hardware"
// reports and the button events it has buffered; the poll operation hands them
// to the device core like a real backend would.
#pragma once
#include <vector>

#include "platform/devices.h"

struct fake_button {
  int button;
  uint8_t byte;
  kv_time stamp;
};

struct fake_hardware {
  int32_t axes[DEVICE_MAX_AXES] = {};  // absolute positions or pending motion
  std::vector<fake_button> buffered;
  bool refuse_acquire = false;
  int acquires = 0, releases = 0, polls = 0;
};

inline bool fake_acquire(input_device *d) {
  fake_hardware *h = (fake_hardware *)d->backend;
  if (h->refuse_acquire) return false;
  h->acquires++;
  return true;
}
inline void fake_release(input_device *d) { ((fake_hardware *)d->backend)->releases++; }
inline void fake_poll(input_device *d) {
  fake_hardware *h = (fake_hardware *)d->backend;
  h->polls++;
  for (int i = 0; i < d->axis_count; i++) {
    if (d->relative) {
      device_axis_add(d, i, h->axes[i]);
      h->axes[i] = 0;
    } else {
      device_axis_set(d, i, h->axes[i]);
    }
  }
  for (const fake_button &b : h->buffered) device_button_event(d, b.button, b.byte, b.stamp);
  h->buffered.clear();
}
inline const input_device_ops FAKE_DEVICE_OPS = {fake_acquire, fake_release, nullptr, fake_poll, nullptr};

inline input_device *add_fake_device(const char *instance, fake_hardware *h, int axes, int buttons,
                                     bool relative = false) {
  return devices_add(instance, axes, buttons, relative, &FAKE_DEVICE_OPS, h);
}
