#include "config/controls.h"

#include "config/settings.h"
#include "platform/input.h"
#include "platform/keys.h"

static const action_entry ACTION_TABLE[ACTION_TABLE_SIZE] = {
    {BIND_LEFT, 0, +1, 0},          {BIND_RIGHT, 0, -1, 0},        {BIND_THROTTLE, 1, +1, 0},
    {BIND_FRONT_BRAKE, 2, +1, 0},   {BIND_REAR_BRAKE, 3, +1, 0},   {BIND_UPSHIFT, 4, +1, 0},
    {BIND_DOWNSHIFT, 4, -1, 0},     {BIND_CLUTCH, 5, +1, 0},       {BIND_DAB, 6, +1, 0},
    {BIND_BACK_UP, 7, +1, 0},       {BIND_LEAN_FORWARD, 8, -1, 0}, {BIND_LEAN_BACKWARD, 8, +1, 0},
};

action_entry action_table[ACTION_TABLE_SIZE];
menu_keys fixed_keys;

void action_table_reset() {
  for (int i = 0; i < ACTION_TABLE_SIZE; i++) action_table[i] = ACTION_TABLE[i];
}

void controls_resolve() {
  for (binding_item &b : settings.bindings) b.key_code = b.key_name[0] ? key_code(b.key_name) : -1;
  fixed_keys.up = key_code("up");
  fixed_keys.down = key_code("down");
  fixed_keys.left = key_code("left");
  fixed_keys.right = key_code("right");
  fixed_keys.enter = key_code("enter");
  fixed_keys.keypad_enter = key_code("keypad enter");
  fixed_keys.esc = key_code("esc");
  fixed_keys.pause = key_code("pause");
  fixed_keys.cursor_left = MOUSE_LEFT_CODE;
  fixed_keys.cursor_right = MOUSE_RIGHT_CODE;
  fixed_keys.page_up = key_code("page up");
  fixed_keys.page_down = key_code("page down");
}

void controls_release() {}

void action_table_key(int32_t code, int32_t pressed) {
  for (action_entry &e : action_table)
    if (settings.bindings[e.binding].key_code == code && code >= 0) e.value = pressed ? 1.0f : 0.0f;
}

void action_table_sum(float *values) {
  for (const action_entry &e : action_table) values[e.action] += e.value * e.scale;
}

void apply_controls(const float *) {}

int32_t binding_key_code(int binding) {
  if (binding < 0 || binding >= BINDING_COUNT) return -1;
  return settings.bindings[binding].key_code;
}

bool calibration_running() { return false; }
void calibration_key(int32_t) {}
void calibration_watch() {}
