// The main loop: one frame drawn per pass, then as many fixed ticks of
// tick_length as the real time granted allows (at most 0.125 s a frame), with
// every input event handed to the tick during which it happened.
#pragma once
#include <cstdint>

#include "platform/clock.h"

enum view_mode_t { VIEW_RIDE = 0, VIEW_ALT = 1, VIEW_EDITOR = 2, VIEW_ORBIT = 3, VIEW_TRACKSIDE = 4, VIEW_EMPTY = 5 };

enum { ACTION_COUNT = 9, VIEW_KEY_CODE = 9, MENU_CHAT = 15, MAX_FRAME_TICKS = 16 };
enum action_index {
  ACTION_STEER, ACTION_THROTTLE, ACTION_FRONT_BRAKE, ACTION_REAR_BRAKE, ACTION_SHIFT,
  ACTION_CLUTCH, ACTION_DAB, ACTION_BACK_UP, ACTION_LEAN,
};

struct orbit_camera {
  float yaw, height, distance;
  float center[3];
};

struct trackside_camera {
  float position[3];
  float yaw, pitch, yaw_rate, pitch_rate, speed;
};

struct loop_state {
  double sim_time;
  double target_time;
  double previous_clock;
  double clock;
  double min_frame_time;
  double max_frame_time;
  int view_mode;
  int viewed_slot;
  bool paused;
  int menu_state;
  int selected_item;
  bool left_button;
  int32_t cursor[2], hover[2];
  float action_values[ACTION_COUNT];
  orbit_camera orbit;
  trackside_camera trackside;
  int viewport[2];
  bool window_closed;
  int64_t frames;
  // Called after each tick has gathered its input (recording tools, tests).
  void (*on_tick)(const float *action_values);
};

extern loop_state loop;

// Sets the loop's defaults (start-up step 1).
void main_loop_defaults();
// The state right before the first pass (start-up step 25).
void main_loop_begin(bool connecting);
// Runs passes until quit is requested or the window is closed.
void main_loop_run();
// One pass of the loop.
void main_loop_pass();

// The real time one frame grants: lock-fps, warp and the 0.125 s cap; sleeps
// through the platform clock while the frame is shorter than one tick.
double frame_time_grant(double *now, double previous, float lock_fps, bool warp);
// Stretches or shrinks frame_dt so that sim_tick follows the server's tick.
double scale_to_server(double frame_dt, int32_t server_tick, int32_t sim_tick, int32_t race_start_tick);

// Handles one input event during a tick.
void route_event(int32_t code, int32_t pressed);
// The view key cycle.
int next_view_mode(int mode, bool editor_enabled);
// The view-mode fix-up at the top of every pass.
int fix_view_mode(int mode, bool track_loaded, bool viewed_is_player, bool viewed_has_bike);
