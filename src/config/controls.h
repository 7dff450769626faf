// Riding actions from the bindings: the fixed action table (12 entries), the
// per-tick sums into the loop's action values, applying them to the player's
// bike, the fixed menu keys, and the calibration watch.
#pragma once
#include <cstdint>

struct action_entry {
  int binding;  // index into settings.bindings
  int action;   // index into the action values
  float scale;
  float value;  // current value of the binding, 0..1
};

enum { ACTION_TABLE_SIZE = 12 };
extern action_entry action_table[ACTION_TABLE_SIZE];

// The resolved fixed menu keys.
struct menu_keys {
  int32_t up, down, left, right, enter, keypad_enter, esc, pause, cursor_left, cursor_right, page_up, page_down;
};
extern menu_keys fixed_keys;

// Copies the compiled-in table into the working copy (start-up step 1).
void action_table_reset();
// Resolves every binding's key name to a code and the fixed menu keys.
void controls_resolve();
void controls_release();
// Event routing step 1: every entry bound to the code takes the press value.
void action_table_key(int32_t code, int32_t pressed);
// Sums every entry into values (9 floats, cleared by the caller).
void action_table_sum(float *values);
// Sets the player's bike controls from the action values.
void apply_controls(const float *values);
// Binding command keys read by the main loop.
int32_t binding_key_code(int binding);

bool calibration_running();
void calibration_key(int32_t code);
void calibration_watch();
