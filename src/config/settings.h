// The settings record: every configurable value, most of them menu items that
// the configuration file and the menus share. One global instance, `settings`,
// whose defaults are set by settings_defaults() at start-up. The item setters
// below clamp or reject what does not fit; none of them allocates. Main thread.
#pragma once
#include <cstdint>

struct axis_handle;

// A list of choices. Fixed lists point at static tables; the texture-variant
// lists are built at start-up and owned by the variant builder (data_names is
// parallel to names, nullptr for the entries without a data name).
struct choice_item {
  const char *label;
  const char *const *names;
  const char *const *data_names;
  int32_t count;
  int32_t selected;
};

struct number_item {
  const char *label;
  double value;
  double step;
  double minimum;
  double maximum;
};

enum { TEXT_ITEM_CAPACITY = 128 };

struct text_item {
  const char *label;
  int32_t max_length;  // at most TEXT_ITEM_CAPACITY - 1
  char text[TEXT_ITEM_CAPACITY];
};

enum { BINDING_NAME_CAPACITY = 128 };

// Bound to a key (key_name set) or to an axis with a calibrated range
// (axis_name set), or to nothing; empty names mean none.
struct binding_item {
  const char *label;
  char key_name[BINDING_NAME_CAPACITY];
  int32_t key_code;  // resolved at start-up, -1 when unresolved
  char axis_name[BINDING_NAME_CAPACITY];
  axis_handle *axis;  // resolved at start-up, nullptr when none
  float low;
  float high;
};

enum { GATE_COUNT = 40, SERVER_HISTORY_COUNT = 16, SERVER_HISTORY_SIZE = 128, BINDING_COUNT = 20 };

// Choice indices of the gate items.
enum { GATE_EMPTY = 0, GATE_HUMAN = 1, GATE_ROBOT = 2, GATE_ROBOT_2T = 3, GATE_ROBOT_4T = 4 };

struct settings_record {
  double tick_length;  // 1/128 s; never changed at run time

  int32_t xres, yres, draw_fps, draw_time, draw_ping, spy, billboard_optimize_lookahead;

  choice_item record, skill;
  number_item minutes, laps;
  choice_item gates[GATE_COUNT];
  number_item ghost_fade_distance;
  choice_item time_trial_abort, bike;
  text_item name, number;
  choice_item rider_texture, head_texture, bike_texture, wheel_texture;
  number_item stability, leveling, roll_damping, roll_limit_angle, roll_limit_factor, steering_damping,
      steering_strength, max_steering_force, direct_steering, slow_damping_speed, slow_damping_factor,
      land_damping_falloff, land_damping_factor;
  choice_item arcade, front_brake, rear_brake, stop_wheelies, auto_shift, auto_dab, sticky_dab,
      reverse_steering, lean_indicator;
  number_item auto_clutch_rpms, brake_torque, rear_brake_torque, max_dab_speed, front_sprocket_adjustment,
      rear_sprocket_adjustment, fork_compression_adjustment, fork_rebound_adjustment,
      fork_spring_rate_adjustment, fork_preload_adjustment, fork_oil_level_adjustment,
      shock_compression_adjustment, shock_rebound_adjustment, shock_spring_rate_adjustment,
      shock_preload_adjustment, rider_yspring, rider_ydamping, rider_zspring, rider_zdamping,
      rider_mass_distribution;
  choice_item video_mode;
  text_item server_name;
  char server_history[SERVER_HISTORY_COUNT][SERVER_HISTORY_SIZE];
  number_item ground_detail, ground_texture_detail;
  choice_item ground_texture_dim, ground_mipmaps, use_fbo, use_shader;
  number_item roost_density;
  choice_item lens_flare, hide_rider, rigid_camera;
  number_item model_detail, model_texture_detail, fov, first_person_height, first_person_angle, volume;
  choice_item playback_mode;

  // In the order they are written: throttle, front brake, rear brake, left,
  // right, clutch, upshift, downshift, dab, back up, lean forward, lean
  // backward, pause, step, rewind, skip, prev, next, console, screenshot.
  binding_item bindings[BINDING_COUNT];

  // The "Track" item: its choices are the track list (not written to the file).
  choice_item track;
};

enum binding_index {
  BIND_THROTTLE, BIND_FRONT_BRAKE, BIND_REAR_BRAKE, BIND_LEFT, BIND_RIGHT, BIND_CLUTCH, BIND_UPSHIFT,
  BIND_DOWNSHIFT, BIND_DAB, BIND_BACK_UP, BIND_LEAN_FORWARD, BIND_LEAN_BACKWARD, BIND_PAUSE, BIND_STEP,
  BIND_REWIND, BIND_SKIP, BIND_PREV, BIND_NEXT, BIND_CONSOLE, BIND_SCREENSHOT,
};

extern settings_record settings;

// Puts every built-in default in place (including the stability preset for the
// default stability), keeping the texture-variant, video-mode and track lists
// once they have been built (only their selections return to 0).
void settings_defaults();

// Selects the choice whose name equals text exactly (case-sensitive); false and
// the item unchanged when there is none.
bool choice_set_by_name(choice_item *item, const char *text);
// The selected choice's name, or "" when the selection is outside the list.
const char *choice_name(const choice_item *item);
// Reads one number from the text (leading blanks, sign, digits with one ".",
// exponent) and stores it clamped to [minimum, maximum], compared in single
// precision; false and the item unchanged when no number can be read.
bool number_set_from_text(number_item *item, const char *text);
// Copies at most the item's maximum length of characters and terminates.
void text_set(text_item *item, const char *text);
// Sets the twelve riding-assist numbers from a stability value (0..100, values
// outside clamp), straight into the items without their range clamping.
void apply_stability_preset(int stability);
