// Riding actions from the bindings: the fixed action table (12 entries), the
// per-tick sums into the loop's action values, applying them to the player's
// bike, the command keys, the fixed menu keys, and the calibration watch
// ("watching pots") that binds a control to the axis or key the player moves.
//
// Promises: every binding value is 0..1 (an axis range with high == low reads
// 0, a reversed range inverts the axis); axis handles opened here are closed by
// controls_resolve (before reopening), controls_release and the calibration.
// Main thread only.
#pragma once
#include <cstdint>

struct bike;
struct binding_item;

struct action_entry {
  int binding;  // index into settings.bindings
  int action;   // index into the action values
  float scale;
  float value;  // current value of the binding, 0..1
};

enum { ACTION_TABLE_SIZE = 12 };
extern action_entry action_table[ACTION_TABLE_SIZE];

// The resolved fixed menu keys (-1 when a name did not resolve).
struct menu_keys {
  int32_t up, down, left, right, enter, keypad_enter, esc, pause, cursor_left, cursor_right, page_up, page_down;
};
extern menu_keys fixed_keys;

// Copies the compiled-in table into the working copy and clears the sticky
// sit/dab state (start-up step 1).
void action_table_reset();
// Resolves every binding: a key name to a code, an axis name to an open
// handle (reads 0 when the axis can't be opened); opens "cursor-x" and
// "cursor-y"; resolves the fixed menu keys.
void controls_resolve();
// Closes every handle opened here and ends a running calibration.
void controls_release();
// Event routing step 1: every entry bound to the code takes the press value.
void action_table_key(int32_t code, int32_t pressed);
// Reads the axis bindings, then sums every entry into values (9 floats,
// cleared by the caller): opposite keys cancel, an axis and a key add up.
void action_table_sum(float *values);
// An axis reading r (full range +-32768) through the range low..high: 0..1.
float binding_axis_value(int32_t r, float low, float high);
// Sets the player's bike controls (the BIKE_LOCAL bike in the viewed slot)
// from the action values; nothing when the viewed slot holds no such bike.
void apply_controls(const float *values);
// The same for a given bike: steering (reversed with "Reversed Steering"),
// brakes, throttle, sit/dab (sticky when asked), back up, lean, the clutch
// lever (engages at 4 * tick_length a tick, disengages at once), shift.
void apply_actions(bike *b, const float *values);
// A binding's key code (the command keys), -1 when none.
int32_t binding_key_code(int binding);
// The last cursor position in window pixels (0, 0 without a cursor).
void controls_read_cursor(int32_t *x, int32_t *y);

// Starts watching every centred absolute axis for the item; false when the
// item is nullptr. A running calibration is cancelled first.
bool calibration_start(binding_item *item);
bool calibration_running();
// A key press while calibrating: "esc" cancels, a named key binds the item.
void calibration_key(int32_t code);
// Each tick: the first axis pushed beyond half deflection binds the item.
void calibration_watch();
