#include "app/main_loop.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/game_tick.h"
#include "sim/bike.h"
#include "sim/world.h"
#include "app/menu.h"
#include "app/message_log.h"
#include "app/run_options.h"
#include "app/screenshot.h"
#include "config/controls.h"
#include "config/settings.h"
#include "editor/editor.h"
#include "net/session.h"
#include "platform/input.h"
#include "platform/video.h"
#include "race/race_session.h"
#include "render/frame.h"
#include "replay/demo_seek.h"
#include "sound/engine_sound.h"
#include "track/ground_height.h"

loop_state loop;

static const double PI = 3.14159265358979323846;

static bool slot_has_bike(int slot) { return bike_slot_bike(slot) != nullptr; }
static bool slot_is_player(int slot) { return bike_slot_kind(slot) == BIKE_LOCAL; }

// Position and velocity of the viewed bike's main body.
static bool viewed_bike_motion(float *p, float *u) {
  bike *b = bike_slot_bike(loop.viewed_slot);
  if (!b) return false;
  const dReal *pos = dBodyGetPosition(b->chassis), *vel = dBodyGetLinearVel(b->chassis);
  for (int i = 0; i < 3; i++) {
    p[i] = (float)pos[i];
    u[i] = (float)vel[i];
  }
  return true;
}

static bool viewed_is_player() { return slot_has_bike(loop.viewed_slot) && slot_is_player(loop.viewed_slot); }

void main_loop_defaults() {
  memset(&loop, 0, sizeof loop);
  loop.orbit.yaw = 0;
  loop.orbit.height = 5;
  loop.orbit.distance = 10;
  loop.orbit.center[0] = 0;
  loop.orbit.center[1] = 2.52f;
  loop.orbit.center[2] = 0.52f;
  loop.min_frame_time = 1.0;
  loop.max_frame_time = 0;
  loop.menu_state = -1;
  loop.view_mode = VIEW_EMPTY;
}

void main_loop_begin(bool connecting) {
  loop.viewport[0] = settings.xres;
  loop.viewport[1] = settings.yres;
  loop.sim_time = loop.target_time = 0;
  loop.view_mode = VIEW_RIDE;
  loop.menu_state = connecting ? -1 : 0;
  for (int i = 0; i < 3; i++) loop.orbit.center[i] = run_opts.chase_center[i];
  loop.previous_clock = clock_seconds();
}

int fix_view_mode(int mode, bool track_loaded, bool viewed_is_player_bike, bool viewed_has_bike) {
  if (track_loaded && mode == VIEW_EMPTY) mode = VIEW_RIDE;
  if (viewed_is_player_bike && mode != VIEW_RIDE && mode != VIEW_ORBIT && mode != VIEW_EDITOR) mode = VIEW_RIDE;
  if (!viewed_has_bike) mode = VIEW_TRACKSIDE;
  if (!track_loaded) mode = VIEW_EMPTY;
  return mode;
}

int next_view_mode(int mode, bool editor_enabled) {
  switch (mode) {
    case VIEW_RIDE: return editor_enabled ? VIEW_EDITOR : VIEW_ORBIT;
    case VIEW_ALT: return VIEW_RIDE;
    case VIEW_EDITOR: return VIEW_ORBIT;
    case VIEW_ORBIT: return VIEW_TRACKSIDE;
    case VIEW_TRACKSIDE: return VIEW_RIDE;
    default: return mode;
  }
}

static void record_frame_time(double elapsed) {
  if (elapsed < loop.min_frame_time) loop.min_frame_time = elapsed;
  if (elapsed > loop.max_frame_time) loop.max_frame_time = elapsed;
}

double frame_time_grant(double *now, double previous, float lock_fps, bool warp) {
  const double tick = settings.tick_length;
  double elapsed = *now - previous;
  if (lock_fps > 0) {
    if (elapsed < 1.0 / lock_fps) {
      sleep_seconds(1.0 / lock_fps - elapsed);
      *now = clock_seconds();
    }
    record_frame_time(elapsed);
    return 1.0 / lock_fps;
  }
  record_frame_time(elapsed);
  if (warp) return 100 * tick;
  while (elapsed < tick) {
    sleep_seconds(tick - elapsed);
    *now = clock_seconds();
    elapsed = *now - previous;
  }
  return elapsed < 0.125 ? elapsed : 0.125;
}

static double clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

double scale_to_server(double frame_dt, int32_t server_tick, int32_t tick, int32_t start_tick) {
  double lead = (double)(server_tick - tick - 1) * settings.tick_length;
  if (lead < 0) return frame_dt * (0.5 + 0.5 * clamp01(lead + 1));
  if (tick < start_tick) return frame_dt * (1 + 3 * clamp01(lead));
  return frame_dt * (1 + clamp01(8 * lead) / 8);
}

static double wrap_pi(double a) {
  while (a > PI) a -= 2 * PI;
  while (a <= -PI) a += 2 * PI;
  return a;
}

static double move_toward(double value, double target, double step) {
  if (value < target) return value + step < target ? value + step : target;
  return value - step > target ? value - step : target;
}

static void orbit_controls(const float *a) {
  loop.orbit.yaw = (float)wrap_pi(loop.orbit.yaw + a[ACTION_STEER] * 2 * PI / 1024);
  if (a[ACTION_THROTTLE] > 0.5f) {
    loop.orbit.distance -= 1.0f / 64;
    if (loop.orbit.distance < 0.25f) loop.orbit.distance = 0.25f;
  }
  if (a[ACTION_FRONT_BRAKE] > 0.5f) loop.orbit.distance += 1.0f / 64;
  loop.orbit.height += (float)(settings.tick_length * a[ACTION_SHIFT]);
}

static void trackside_controls(const float *a) {
  trackside_camera &c = loop.trackside;
  const double dt = settings.tick_length;
  double target_yaw_rate, target_pitch_rate;
  float p[3], u[3];
  if (a[ACTION_DAB] > 0.125f && viewed_bike_motion(p, u)) {
    auto bearing = [&](const float *q) { return atan2(q[0] - c.position[0], q[2] - c.position[2]); };
    auto elevation = [&](const float *q) {
      double dx = q[0] - c.position[0], dz = q[2] - c.position[2];
      return atan2(q[1] - c.position[1], sqrt(dx * dx + dz * dz));
    };
    float q[3] = {(float)(p[0] + u[0] * dt), (float)(p[1] + u[1] * dt), (float)(p[2] + u[2] * dt)};
    double b0 = bearing(p), e0 = elevation(p);
    double bearing_rate = 0, elevation_rate = 0;
    if (!loop.paused) {
      bearing_rate = std::fmax(-2 * PI, std::fmin(2 * PI, wrap_pi(bearing(q) - b0) / dt));
      elevation_rate = std::fmax(-2 * PI, std::fmin(2 * PI, (elevation(q) - e0) / dt));
    }
    double error = wrap_pi(b0 - c.yaw);
    target_yaw_rate = std::fmax(-PI / 2, std::fmin(PI / 2, error));
    if ((bearing_rate > 0) == (error > 0)) target_yaw_rate += bearing_rate;
    target_pitch_rate = elevation_rate + (e0 - c.pitch) * PI / 4;
  } else {
    target_yaw_rate = a[ACTION_STEER] * 3 * PI / 8;
    target_pitch_rate = a[ACTION_SHIFT] * PI / 4;
  }
  c.yaw_rate = (float)move_toward(c.yaw_rate, target_yaw_rate, PI * dt);
  c.pitch_rate = (float)move_toward(c.pitch_rate, target_pitch_rate, PI * dt);
  c.yaw = (float)wrap_pi(c.yaw + c.yaw_rate * dt);
  c.pitch = (float)std::fmax(-PI / 2, std::fmin(PI / 2, c.pitch + c.pitch_rate * dt));
  if (a[ACTION_THROTTLE] > 0.5f) c.speed = (float)std::fmin(100.0, c.speed + 80 * dt);
  if (a[ACTION_FRONT_BRAKE] > 0.5f) c.speed = (float)std::fmax(-100.0, c.speed - 80 * dt);
  c.speed = (float)move_toward(c.speed, 0, 60 * dt);
  if (std::fabs(c.speed) > 0.0001f) {
    double step = c.speed * dt;
    c.position[0] += (float)(step * sin(c.yaw) * cos(c.pitch));
    c.position[1] += (float)(step * sin(c.pitch));
    c.position[2] += (float)(step * cos(c.yaw) * cos(c.pitch));
    float ground = ground_height_near(c.position[0], c.position[2]) + 2;
    if (c.position[1] < ground) c.position[1] = ground;
  }
}

void route_event(int32_t code, int32_t pressed) {
  action_table_key(code, pressed);
  if (code == fixed_keys.cursor_left) loop.left_button = pressed != 0;
  if (calibration_running() && pressed) {
    calibration_key(code);
    return;
  }
  if (code == fixed_keys.esc && pressed) {
    loop.menu_state = loop.menu_state < 0 ? 0 : -1;
    loop.selected_item = 0;
    return;
  }
  if (loop.menu_state >= 0) {
    if (pressed) menu_key(code);
    if (!track_is_loaded()) loop.view_mode = VIEW_EMPTY;
    return;
  }
  if (pressed && code == binding_key_code(BIND_CONSOLE) && loop.view_mode != VIEW_EDITOR) {
    loop.menu_state = MENU_CHAT;
    loop.selected_item = 0;
    return;
  }
  if (loop.view_mode == VIEW_EMPTY) return;
  if (loop.view_mode == VIEW_EDITOR && editor_key(code, pressed)) return;
  if (!pressed) return;
  if (code == binding_key_code(BIND_PAUSE) && !net_session_active()) {
    loop.paused = !loop.paused;
  } else if (code == binding_key_code(BIND_STEP)) {
    if (loop.paused) game_tick();
  } else if (code == VIEW_KEY_CODE) {
    if (loop.view_mode == VIEW_EDITOR) editor_leave();
    loop.view_mode = next_view_mode(loop.view_mode, run_opts.editor_enabled);
  } else if (code == binding_key_code(BIND_REWIND)) {
    demo_seek_seconds(-1);
  } else if (code == binding_key_code(BIND_SKIP)) {
    demo_seek_seconds(1);
  } else if (code == binding_key_code(BIND_PREV) || code == binding_key_code(BIND_NEXT)) {
    if (!viewed_is_player() || settings.spy || !net_player_placed())
      loop.viewed_slot = standings_neighbour(loop.viewed_slot, code == binding_key_code(BIND_PREV) ? -1 : 1);
  } else if (code == binding_key_code(BIND_SCREENSHOT) && loop.view_mode != VIEW_EDITOR) {
    take_screenshot();
  }
}

static void write_video_frame(int width, int height) {
  size_t row = (size_t)width * 3;
  unsigned char *rgb = (unsigned char *)malloc(row * (size_t)height);
  if (!rgb) return;  // skip this frame's recording
  if (frame_read_rgb(rgb, width, height)) {
    printf("P6\n%d %d\n255\n", width, height);
    for (int y = height - 1; y >= 0; y--) fwrite(rgb + row * (size_t)y, 1, row, stdout);
    fflush(stdout);
  }
  free(rgb);
}

static void draw_frame() {
  int width, height;
  if (!window_drawable_size(&width, &height)) return;
  loop.viewport[0] = width;
  loop.viewport[1] = height;
  if (settings.video_mode.selected == 1) {
    settings.xres = width;
    settings.yres = height;
  }
  frame_set_viewport(width, height);
  frame_draw_view(loop.view_mode);
  if (run_opts.show_hud) {
    if (loop.view_mode == VIEW_RIDE || loop.view_mode == VIEW_ORBIT) frame_draw_hud(loop.view_mode);
    frame_draw_overlays();
  }
  if (run_opts.record_video && !loop.paused && loop.view_mode != VIEW_EMPTY) write_video_frame(width, height);
  if (loop.paused && run_opts.show_paused) frame_draw_caption("Paused", 1);
  if (viewed_is_player() && net_session_active() && !net_player_placed())
    frame_draw_caption("Warmup mode - collisions disabled", 28);
  menu_draw();
  if (run_opts.glfinish) frame_finish();
  if (!window_swap_buffers()) loop.window_closed = true;
}

static void update_sound() {
  if (!sound_output_open()) return;
  float gain;
  if (loop.paused || loop.view_mode == VIEW_EDITOR)
    gain = 0;
  else if (loop.menu_state < 0)
    gain = 1;
  else
    gain = viewed_is_player() ? 0 : 0.25f;
  engine_sounds_update(gain * (float)settings.volume.value * 0.1f);
  sound_commit();
}

static void handle_mouse() {
  // The cursor axes come with the input devices; the loop keeps the last readings.
  if (loop.menu_state < 0) return;
  if (loop.left_button) {
    menu_drag(loop.cursor[0], loop.cursor[1]);
  } else if (!calibration_running() && (loop.cursor[0] != loop.hover[0] || loop.cursor[1] != loop.hover[1])) {
    loop.hover[0] = loop.cursor[0];
    loop.hover[1] = loop.cursor[1];
    menu_hover(loop.cursor[0], loop.cursor[1]);
  }
}

static void run_tick(double now) {
  loop.sim_time += settings.tick_length;
  double cutoff = now - (loop.target_time - loop.sim_time);
  memset(loop.action_values, 0, sizeof loop.action_values);
  input_event e;
  kv_time cutoff_time = time_from_seconds(cutoff);
  for (;;) {
    bool got = cutoff >= now ? input_next_event_any(&e) : input_next_event(cutoff_time, &e);
    if (!got) break;
    if (e.code == CLOSE_CODE) {
      request_quit();
      continue;
    }
    route_event(e.code, e.pressed);
  }
  calibration_watch();
  action_table_sum(loop.action_values);
  if (loop.on_tick) loop.on_tick(loop.action_values);
  if (loop.menu_state >= 0 && viewed_is_player() && !net_session_active()) return;
  if (loop.view_mode == VIEW_EDITOR) {
    editor_tick();
    if (!net_session_active()) return;
    loop.paused = false;
  } else if (loop.menu_state < 0 && loop.view_mode != VIEW_EMPTY) {
    if (viewed_is_player()) {
      apply_controls(loop.action_values);
      if (loop.action_values[ACTION_BACK_UP] > 0.5f && time_trial_attempt_running() &&
          settings.time_trial_abort.selected == 1)
        time_trial_abort_attempt();
    } else if (loop.view_mode == VIEW_ORBIT) {
      orbit_controls(loop.action_values);
    } else if (loop.view_mode == VIEW_TRACKSIDE) {
      trackside_controls(loop.action_values);
    }
    if (net_session_active()) loop.paused = false;
  }
  net_session_step();
  if (!track_is_loaded()) loop.view_mode = VIEW_EMPTY;
  if (!loop.paused && loop.view_mode != VIEW_EMPTY && !(net_session_active() && !net_server_has_tick())) {
    game_tick();
    if (run_opts.has_record_audio) sound_record_tick();
  }
}

void main_loop_pass() {
  loop.view_mode = fix_view_mode(loop.view_mode, track_is_loaded(), viewed_is_player(), slot_has_bike(loop.viewed_slot));
  draw_frame();
  update_sound();

  double now = clock_seconds();
  double frame_dt = frame_time_grant(&now, loop.previous_clock, run_opts.lock_fps, run_opts.warp);
  if (net_session_active() && net_server_has_tick())
    frame_dt = scale_to_server(frame_dt, net_server_tick(), sim.sim_tick, race_start_tick);
  loop.previous_clock = now;
  loop.target_time += frame_dt;
  loop.clock += frame_dt;

  controls_read_cursor(&loop.cursor[0], &loop.cursor[1]);
  handle_mouse();
  while (loop.sim_time < loop.target_time && !quit_requested()) run_tick(now);

  if (run_opts.warp && track_is_loaded() && timing_is_active() && race_leader_finished()) race_restart_rotated();
  if (loop.view_mode != VIEW_EMPTY) terrain_frame_update();
  message_log_expire(loop.clock);
  loop.frames++;
}

void main_loop_run() {
  while (!quit_requested() && !loop.window_closed) main_loop_pass();
}
