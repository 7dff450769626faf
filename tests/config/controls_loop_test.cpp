// Scripted key presses through the main loop's ticks reach the player's bike:
// each control acts for exactly the ticks between its two time stamps, and the
// same script moves the bike along the same path on every run.
#include <gtest/gtest.h>

#include <vector>

#include "../track/track_fixture.h"
#include "app/game_tick.h"
#include "app/main_loop.h"
#include "app/run_options.h"
#include "config/controls.h"
#include "config/settings.h"
#include "platform/devices.h"
#include "platform/input.h"
#include "platform/script.h"
#include "platform/video.h"
#include "sim/assembly.h"
#include "sim/world.h"
#include "support/fake_clock.h"
#include "track/track_load.h"

namespace {

struct tick_record {
  int32_t tick;  // the game tick the controls were applied for (0-based)
  float throttle, steer;
};
std::vector<tick_record> records;
bike *player;

void record_controls(const float *) {
  // Called before this tick applies its controls: what the bike holds now
  // was applied in the previous tick, which game_tick numbered sim_tick - 1.
  if (sim.sim_tick > 0) records.push_back({sim.sim_tick - 1, player->controls.throttle, player->controls.steer});
}

struct scripted_ride : track_files {
  struct run_result {
    std::vector<tick_record> controls;
    double position[3];
    double speed;
  };

  run_result ride() {
    run_result out{};
    samples.assign(samples.size(), 0);  // flat ground at height 0
    write_track();
    fake_clock clock(100.0);
    settings_defaults();
    settings.reverse_steering.selected = 0;
    run_options_defaults(&run_opts);
    action_table_reset();
    devices_close_all();
    controls_resolve();
    input_queue_clear();
    quit_reset();
    EXPECT_TRUE(sim_world_create());
    EXPECT_TRUE(track_load("tracks/test"));
    sim.sim_tick = 0;
    race_start_tick = 0;
    player = bike_create("crf250(2009)", 0, "7", nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(player);
    if (!player) return out;
    bike_set_option(player, OPTION_AUTO_DAB, true);
    bike_translate(player, 16, 0.15, 16);
    bike_slot_set(0, player, BIKE_LOCAL);

    main_loop_defaults();
    main_loop_begin(false);
    loop.menu_state = -1;
    loop.viewed_slot = 0;
    loop.view_mode = VIEW_RIDE;
    records.clear();
    loop.on_tick = record_controls;
    // Away from frame and tick boundaries: the throttle acts in ticks 13..38
    // (0.105 * 128 = 13.4, 0.305 * 128 = 39.04), the left key in 25..31.
    EXPECT_TRUE(script_load_text("0.105 press x\n0.2 press left\n0.252 release left\n0.305 release x\n",
                                 time_from_seconds(100.0)));
    for (int f = 0; f < 30; f++) {
      clock.advance(1.0 / 60);
      main_loop_pass();
    }
    loop.on_tick = nullptr;
    script_stop();
    out.controls = records;
    const dReal *p = dBodyGetPosition(player->chassis);
    for (int i = 0; i < 3; i++) out.position[i] = p[i];
    out.speed = bike_speed(player);

    bike_destroy(player);
    player = nullptr;
    track_unload();
    sim_world_destroy();
    controls_release();
    devices_close_all();
    input_queue_clear();
    return out;
  }
};

TEST_F(scripted_ride, keys_act_for_their_ticks_along_the_same_path) {
  run_result first = ride();
  ASSERT_GE(first.controls.size(), 60u);
  for (const tick_record &r : first.controls) {
    float throttle = r.tick >= 13 && r.tick <= 38 ? 1.0f : 0.0f;
    float steer = r.tick >= 25 && r.tick <= 31 ? 1.0f : 0.0f;
    EXPECT_EQ(r.throttle, throttle) << "tick " << r.tick;
    EXPECT_EQ(r.steer, steer) << "tick " << r.tick;
  }
  EXPECT_GT(first.speed, 0.01);  // the throttle moved the bike

  run_result second = ride();
  ASSERT_EQ(second.controls.size(), first.controls.size());
  for (int i = 0; i < 3; i++) EXPECT_EQ(second.position[i], first.position[i]) << i;
  EXPECT_EQ(second.speed, first.speed);
}

}  // namespace
