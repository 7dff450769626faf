#include <gtest/gtest.h>

#include <vector>

#include "app/main_loop.h"
#include "app/message_log.h"
#include "app/run_options.h"
#include "config/controls.h"
#include "config/settings.h"
#include "platform/input.h"
#include "platform/keys.h"
#include "support/fake_clock.h"

namespace {

struct loop_fixture : ::testing::Test {
  fake_clock clock{100.0};
  void SetUp() override {
    settings_defaults();
    run_options_defaults(&run_opts);
    action_table_reset();
    controls_resolve();
    main_loop_defaults();
    input_queue_clear();
    main_loop_begin(false);
  }
  void TearDown() override {
    loop.on_tick = nullptr;
    input_queue_clear();
  }
  // Plays one frame of the given real length; returns the ticks it ran.
  int frame(double seconds) {
    double before = loop.sim_time;
    clock.advance(seconds);
    main_loop_pass();
    return (int)((loop.sim_time - before) / settings.tick_length + 0.5);
  }
};

TEST_F(loop_fixture, steady_sixty_frames_run_128_ticks_a_second) {
  int total = 0;
  for (int i = 0; i < 60; i++) {
    int n = frame(1.0 / 60);
    EXPECT_TRUE(n == 2 || n == 3) << n;
    total += n;
  }
  EXPECT_NEAR(total, 128, 1);
}

TEST_F(loop_fixture, lock_fps_warp_and_the_stall_cap) {
  run_opts.lock_fps = 30;
  double t0 = loop.target_time;
  frame(0.001);
  EXPECT_DOUBLE_EQ(loop.target_time - t0, 1.0 / 30);
  EXPECT_GT(clock.slept, 0.03);

  run_opts.lock_fps = 0;
  run_opts.warp = true;
  clock.slept = 0;
  EXPECT_EQ(frame(0.0), 100);
  EXPECT_EQ(clock.slept, 0);

  run_opts.warp = false;
  EXPECT_EQ(frame(5.0), MAX_FRAME_TICKS);
  // A frame shorter than one tick sleeps up to one tick.
  clock.slept = 0;
  frame(0.001);
  EXPECT_NEAR(clock.slept, settings.tick_length - 0.001, 1e-4);
  EXPECT_DOUBLE_EQ(loop.min_frame_time, 0.0);
}

std::vector<float> throttle_per_tick;
void record_throttle(const float *values) { throttle_per_tick.push_back(values[ACTION_THROTTLE]); }

TEST_F(loop_fixture, press_and_release_in_one_frame_reach_successive_ticks) {
  throttle_per_tick.clear();
  loop.on_tick = record_throttle;
  int32_t x = key_code("x");
  double start = clock.now();
  input_queue_add(x, 1, time_from_seconds(start + 0.002));
  input_queue_add(x, 0, time_from_seconds(start + 0.010));
  frame(1.0 / 60);
  ASSERT_GE(throttle_per_tick.size(), 2u);
  EXPECT_EQ(throttle_per_tick[0], 1.0f);
  EXPECT_EQ(throttle_per_tick[1], 0.0f);
}

TEST_F(loop_fixture, server_clock_scaling) {
  const double dt = 0.01, t = settings.tick_length;
  EXPECT_DOUBLE_EQ(scale_to_server(dt, 101, 100, 0), dt);                      // lead 0 after the start
  EXPECT_DOUBLE_EQ(scale_to_server(dt, 101 + 64, 100, 0), dt * (1 + 1.0 / 8));  // lead 0.5 s: capped at 1/8
  EXPECT_DOUBLE_EQ(scale_to_server(dt, 101 + 64, 100, 1000), dt * (1 + 3 * 64 * t));
  EXPECT_DOUBLE_EQ(scale_to_server(dt, 101 - 64, 100, 0), dt * 0.75);
  EXPECT_DOUBLE_EQ(scale_to_server(dt, 0, 1000, 0), dt * 0.5);
}

TEST(view_modes, key_cycle_and_fix_up) {
  EXPECT_EQ(next_view_mode(VIEW_RIDE, false), VIEW_ORBIT);
  EXPECT_EQ(next_view_mode(VIEW_ORBIT, false), VIEW_TRACKSIDE);
  EXPECT_EQ(next_view_mode(VIEW_TRACKSIDE, false), VIEW_RIDE);
  EXPECT_EQ(next_view_mode(VIEW_RIDE, true), VIEW_EDITOR);
  EXPECT_EQ(next_view_mode(VIEW_EDITOR, true), VIEW_ORBIT);
  EXPECT_EQ(next_view_mode(VIEW_ALT, false), VIEW_RIDE);
  EXPECT_EQ(next_view_mode(VIEW_EMPTY, false), VIEW_EMPTY);

  EXPECT_EQ(fix_view_mode(VIEW_EMPTY, true, false, true), VIEW_RIDE);
  EXPECT_EQ(fix_view_mode(VIEW_TRACKSIDE, true, true, true), VIEW_RIDE);
  EXPECT_EQ(fix_view_mode(VIEW_EDITOR, true, true, true), VIEW_EDITOR);
  EXPECT_EQ(fix_view_mode(VIEW_ORBIT, true, false, false), VIEW_TRACKSIDE);
  EXPECT_EQ(fix_view_mode(VIEW_RIDE, false, true, true), VIEW_EMPTY);
}

TEST_F(loop_fixture, event_routing_tab_pause_step_and_esc) {
  loop.menu_state = -1;
  loop.view_mode = VIEW_RIDE;
  route_event(VIEW_KEY_CODE, 1);
  EXPECT_EQ(loop.view_mode, VIEW_ORBIT);
  route_event(VIEW_KEY_CODE, 1);
  EXPECT_EQ(loop.view_mode, VIEW_TRACKSIDE);
  route_event(VIEW_KEY_CODE, 1);
  EXPECT_EQ(loop.view_mode, VIEW_RIDE);

  int32_t pause = binding_key_code(BIND_PAUSE);
  route_event(pause, 1);
  EXPECT_TRUE(loop.paused);
  route_event(pause, 0);
  EXPECT_TRUE(loop.paused);
  route_event(pause, 1);
  EXPECT_FALSE(loop.paused);

  int32_t esc = key_code("esc");
  route_event(esc, 1);
  EXPECT_EQ(loop.menu_state, 0);
  route_event(VIEW_KEY_CODE, 1);  // goes to the menu, which finds no track loaded
  EXPECT_EQ(loop.view_mode, VIEW_EMPTY);
  route_event(esc, 1);
  EXPECT_EQ(loop.menu_state, -1);
  route_event(binding_key_code(BIND_CONSOLE), 1);
  EXPECT_EQ(loop.menu_state, MENU_CHAT);
}

TEST_F(loop_fixture, message_log_ring_and_expiry) {
  message_log_clear();
  loop.clock = 10;
  for (int i = 0; i < MESSAGE_LINES + 1; i++) post_messagef("line %d", i);
  EXPECT_STREQ(message_log.lines[0], "line 1000");
  EXPECT_STREQ(message_log.lines[1], "line 1");
  EXPECT_EQ(message_log.visible, MESSAGE_VISIBLE);
  EXPECT_STREQ(message_log_visible(4), "line 1000");

  std::string long_text(300, 'a');
  post_message(long_text.c_str());
  EXPECT_EQ(strlen(message_log.lines[1]), (size_t)MESSAGE_LENGTH);
  post_message("100% %s %n");  // taken as data
  EXPECT_STREQ(message_log.lines[2], "100% %s %n");

  message_log_expire(11.9);
  EXPECT_EQ(message_log.visible, 5);
  message_log_expire(12.1);
  EXPECT_EQ(message_log.visible, 4);
  message_log_expire(16.0);
  EXPECT_EQ(message_log.visible, 4);
  message_log_expire(17.2);
  EXPECT_EQ(message_log.visible, 3);
}

}  // namespace
