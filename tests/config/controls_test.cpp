// Bindings to riding actions: axis ranges, the action sums, applying them to a
// bike, the calibration watch and resolution after a configuration round trip.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "../platform/fake_device.h"
#include "../sim/world_fixture.h"
#include "config/binding_text.h"
#include "config/config_file.h"
#include "config/controls.h"
#include "config/settings.h"
#include "platform/input.h"
#include "platform/keys.h"
#include "app/main_loop.h"

namespace {

void fresh_controls() {
  devices_close_all();
  settings_defaults();
  action_table_reset();
}

TEST(binding_values, axis_ranges) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  struct {
    int32_t r;
    float low, high, value;
  } cases[] = {
      {0, 0.1f, 0.9f, 0},           {16384, 0.1f, 0.9f, 0.5f},     {32767, 0.1f, 0.9f, 1},
      {-32768, 0.1f, 0.9f, 0},      {3277, 0.9f, 0.1f, 1},         {16384, 0.9f, 0.1f, 0.5f},
      {32767, 0.9f, 0.1f, 0},       {-32768, -0.0625f, -0.9375f, 1}, {16384, 0.5f, 0.5f, 0},
      {-16384, 0.5f, 0.5f, 0},      {16384, 0, inf, 0},            {16384, nan, 1, 0},
  };
  for (const auto &c : cases) {
    float v = binding_axis_value(c.r, c.low, c.high);
    EXPECT_NEAR(v, c.value, 2e-4) << c.r << " " << c.low << ".." << c.high;
    EXPECT_FALSE(std::isnan(v));
  }
}

struct controls : ::testing::Test {
  // The hardware outlives the devices, which are closed in TearDown.
  fake_hardware pedals, wheel, stick;
  void SetUp() override { fresh_controls(); }
  void TearDown() override {
    controls_release();
    devices_close_all();
  }
  float sum(int action) {
    float values[ACTION_COUNT] = {};
    action_table_sum(values);
    return values[action];
  }
};

TEST_F(controls, keys_and_axes_sum_into_actions) {
  ASSERT_TRUE(add_fake_device("Pedals", &pedals, 2, 0));
  binding_parse(&settings.bindings[BIND_THROTTLE], "(0.1,0.9)Pedals.axis[0]");
  binding_parse(&settings.bindings[BIND_FRONT_BRAKE], "(0.5,0.5)Pedals.axis[1]");
  binding_parse(&settings.bindings[BIND_REAR_BRAKE], "(0,1)Nothing.axis[0]");
  controls_resolve();
  ASSERT_NE(settings.bindings[BIND_THROTTLE].axis, nullptr);
  EXPECT_EQ(settings.bindings[BIND_REAR_BRAKE].axis, nullptr);  // reads 0

  int32_t left = key_code("left"), right = key_code("right");
  action_table_key(left, 1);
  EXPECT_EQ(sum(ACTION_STEER), 1);
  action_table_key(right, 1);
  EXPECT_EQ(sum(ACTION_STEER), 0);  // both held
  action_table_key(left, 0);
  EXPECT_EQ(sum(ACTION_STEER), -1);

  pedals.axes[0] = 16384;
  pedals.axes[1] = 30000;
  float values[ACTION_COUNT] = {};
  action_table_sum(values);
  EXPECT_NEAR(values[ACTION_THROTTLE], 0.5f, 1e-4);
  EXPECT_EQ(values[ACTION_FRONT_BRAKE], 0);  // a range of zero width
  EXPECT_EQ(values[ACTION_REAR_BRAKE], 0);

  // An axis and a key on the same action add up.
  binding_parse(&settings.bindings[BIND_LEAN_FORWARD], "(0,1)Pedals.axis[1]");
  controls_resolve();
  pedals.axes[1] = 16384;
  action_table_key(key_code("m"), 1);  // lean backward +1, the pedal -0.5
  EXPECT_NEAR(sum(ACTION_LEAN), 0.5f, 1e-4);
}

TEST_F(controls, bindings_survive_the_configuration_file_and_resolve) {
  temp_dir dir;
  scoped_env xdg("XDG_DATA_HOME", dir.path.c_str());
  scoped_env kv("KV_HOME", dir.path.c_str());
  data_reset();
  binding_parse(&settings.bindings[BIND_THROTTLE], "(0.100000,0.900000)Joystick1.axis[1]");
  binding_parse(&settings.bindings[BIND_CLUTCH], "Joystick1 button 2");
  binding_parse(&settings.bindings[BIND_PAUSE], "(k)keypad enter");
  ASSERT_TRUE(config_write());
  settings_defaults();
  ASSERT_TRUE(config_read());
  data_reset();

  input_device *j = add_fake_device("Joystick1", &stick, 2, 4);
  ASSERT_TRUE(j);
  controls_resolve();
  const binding_item &t = settings.bindings[BIND_THROTTLE];
  EXPECT_STREQ(t.axis_name, "Joystick1.axis[1]");
  EXPECT_FLOAT_EQ(t.low, 0.1f);
  EXPECT_FLOAT_EQ(t.high, 0.9f);
  EXPECT_NE(t.axis, nullptr);
  EXPECT_EQ(settings.bindings[BIND_CLUTCH].key_code, j->code + 2);
  EXPECT_TRUE(j->polling);
  EXPECT_EQ(binding_key_code(BIND_PAUSE), 4096 + 284);
  EXPECT_EQ(binding_key_code(BIND_STEP), key_code("."));
  EXPECT_EQ(fixed_keys.cursor_left, MOUSE_LEFT_CODE);
  EXPECT_EQ(fixed_keys.page_down, 4096 + 337);
  // Resolving again replaces the handle instead of stacking them.
  controls_resolve();
  EXPECT_EQ(j->open_count, 1);
}

struct calibration_test : controls {
  binding_item *item = &settings.bindings[BIND_THROTTLE];
  void SetUp() override {
    controls::SetUp();
    ASSERT_TRUE(add_fake_device("Pedals", &pedals, 2, 0));
    ASSERT_TRUE(add_fake_device("Wheel", &wheel, 1, 8));
    controls_resolve();
  }
};

TEST_F(calibration_test, a_pushed_pedal_binds_and_a_resting_one_is_ignored) {
  pedals.axes[1] = 32767;  // resting at full deflection
  ASSERT_TRUE(calibration_start(item));
  EXPECT_TRUE(calibration_running());
  calibration_watch();
  EXPECT_TRUE(calibration_running());  // the resting pedal is not watched
  pedals.axes[0] = 10000;
  calibration_watch();
  EXPECT_TRUE(calibration_running());  // less than half way
  pedals.axes[0] = 30000;
  wheel.axes[0] = -20000;
  calibration_watch();
  ASSERT_FALSE(calibration_running());
  EXPECT_STREQ(item->axis_name, "Pedals axis 0");
  EXPECT_EQ(item->key_name[0], 0);
  EXPECT_FLOAT_EQ(item->low, 0.0625f);
  EXPECT_FLOAT_EQ(item->high, 0.9375f);
  EXPECT_NEAR(sum(ACTION_THROTTLE), (30000 / 32768.0 - 0.0625) / 0.875, 1e-4);
  EXPECT_EQ(device_find("Wheel")->open_count, 0);  // the other watched axes are closed

  // Pulled the other way: a negative range.
  wheel.axes[0] = 0;
  pedals.axes[0] = 0;
  ASSERT_TRUE(calibration_start(&settings.bindings[BIND_LEFT]));
  calibration_watch();
  wheel.axes[0] = -25000;
  calibration_watch();
  ASSERT_FALSE(calibration_running());
  EXPECT_STREQ(settings.bindings[BIND_LEFT].axis_name, "Wheel axis 0");
  EXPECT_FLOAT_EQ(settings.bindings[BIND_LEFT].low, -0.0625f);
  EXPECT_FLOAT_EQ(settings.bindings[BIND_LEFT].high, -0.9375f);
  EXPECT_EQ(device_find("Pedals")->open_count, 1);  // the throttle's handle only
}

TEST_F(calibration_test, keys_bind_escape_cancels_unnamed_keys_are_ignored) {
  ASSERT_TRUE(calibration_start(item));
  calibration_key('q');  // a typed character has no key name
  EXPECT_TRUE(calibration_running());
  calibration_key(fixed_keys.esc);
  EXPECT_FALSE(calibration_running());
  EXPECT_STREQ(item->key_name, "x");
  EXPECT_EQ(device_find("Pedals")->open_count, 0);

  binding_parse(item, "(0,1)Pedals.axis[0]");
  controls_resolve();
  EXPECT_EQ(device_find("Pedals")->open_count, 1);
  ASSERT_TRUE(calibration_start(item));
  calibration_key(key_code("Wheel.key[5]"));
  EXPECT_FALSE(calibration_running());
  EXPECT_STREQ(item->key_name, "Wheel button 5");
  EXPECT_EQ(item->key_code, key_code("Wheel button 5"));
  EXPECT_EQ(item->axis_name[0], 0);
  EXPECT_EQ(item->axis, nullptr);
  EXPECT_EQ(device_find("Pedals")->open_count, 0);  // the old handle is closed too
}

struct actions_on_a_bike : world_test {
  bike *b = nullptr;
  float a[ACTION_COUNT] = {};
  void SetUp() override {
    world_test::SetUp();
    fresh_controls();
    b = make();
    ASSERT_TRUE(b);
  }
  void TearDown() override {
    devices_close_all();
    world_test::TearDown();
  }
};

TEST_F(actions_on_a_bike, steering_brakes_shift_and_lean) {
  a[ACTION_STEER] = 0.5f;
  a[ACTION_THROTTLE] = 0.75f;
  a[ACTION_FRONT_BRAKE] = 0.25f;
  a[ACTION_REAR_BRAKE] = 2;  // clamped by the setter
  a[ACTION_LEAN] = -1;
  a[ACTION_BACK_UP] = 1;
  a[ACTION_SHIFT] = 0.6f;
  settings.reverse_steering.selected = 0;
  apply_actions(b, a);
  EXPECT_FLOAT_EQ(b->controls.steer, 0.5f);
  EXPECT_FLOAT_EQ(b->controls.throttle, 0.75f);
  EXPECT_FLOAT_EQ(b->controls.front_brake, 0.25f);
  EXPECT_FLOAT_EQ(b->controls.rear_brake, 1);
  EXPECT_FLOAT_EQ(b->controls.lean, -1);
  EXPECT_FLOAT_EQ(b->controls.back_up, 1);
  EXPECT_EQ(b->controls.shift, 1);
  settings.reverse_steering.selected = 1;
  a[ACTION_SHIFT] = -0.6f;
  apply_actions(b, a);
  EXPECT_FLOAT_EQ(b->controls.steer, -0.5f);
  EXPECT_EQ(b->controls.shift, -1);
  a[ACTION_SHIFT] = 0.5f;
  apply_actions(b, a);
  EXPECT_EQ(b->controls.shift, 0);
}

TEST_F(actions_on_a_bike, clutch_lever_and_sticky_dab) {
  a[ACTION_CLUTCH] = 1;
  apply_actions(b, a);
  EXPECT_EQ(b->controls.clutch, 0);  // at once
  a[ACTION_CLUTCH] = 0;
  int ticks = 0;
  while (b->controls.clutch < 1 && ticks < 100) {
    apply_actions(b, a);
    ticks++;
  }
  EXPECT_EQ(ticks, 32);
  a[ACTION_CLUTCH] = 0.5f;  // half way: engagement 1 - 4/7 straight away
  apply_actions(b, a);
  EXPECT_NEAR(b->controls.clutch, 3.0 / 7, 1e-6);

  settings.sticky_dab.selected = 1;
  const float presses[] = {0, 1, 1, 0, 0, 1, 0};
  const float dab_after[] = {0, 1, 1, 1, 1, 0, 0};
  for (int i = 0; i < 7; i++) {
    a[ACTION_DAB] = presses[i];
    apply_actions(b, a);
    EXPECT_EQ(b->controls.dab, dab_after[i]) << i;
  }
  settings.sticky_dab.selected = 0;
  a[ACTION_DAB] = 0.3f;
  apply_actions(b, a);
  EXPECT_FLOAT_EQ(b->controls.dab, 0.3f);
}

}  // namespace
