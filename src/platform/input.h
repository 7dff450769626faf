// Time-ordered input event queue (256 waiting events at most, the 257th is
// dropped) and the calls the main loop makes. Codes: 0..255 typed characters
// (press only), 4096 + scan code for keys, 8192..8194 mouse buttons, 57005 the
// window's close request, device codes D + button. Guarded by a mutex: the
// backends may add events from their own threads.
#pragma once
#include <cstdint>
#include "platform/clock.h"

enum {
  KEY_CODE_BASE = 4096,
  MOUSE_LEFT_CODE = 8192,
  MOUSE_MIDDLE_CODE = 8193,
  MOUSE_RIGHT_CODE = 8194,
  CLOSE_CODE = 57005,
  INPUT_QUEUE_SIZE = 256,
};

struct input_event {
  int32_t code;
  int32_t pressed;  // 1 press, 0 release
  kv_time time;
};

// Adds an event in time order; returns false when the queue is full.
bool input_queue_add(int32_t code, int32_t pressed, kv_time time);
void input_queue_clear();
int input_queue_count();

// The oldest event if its time is not later than t (the backend's pending
// messages are dispatched first); false when there is none.
bool input_next_event(kv_time t, input_event *out);
bool input_next_event_any(input_event *out);
