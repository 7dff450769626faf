// Input devices: naming and codes, buttons by name, axes, aliases, time stamps.
#include <gtest/gtest.h>

#include <string>

#include "fake_device.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/keys.h"
#include "support/fake_clock.h"
#include "support/test_env.h"

namespace {

struct devices : ::testing::Test {
  fake_clock clock{200.0};
  // The hardware outlives the devices, which are closed in TearDown.
  fake_hardware h, big, pad, mouse, shy;
  void SetUp() override {
    devices_close_all();
    input_queue_clear();
  }
  void TearDown() override {
    devices_close_all();
    input_queue_clear();
  }
};

TEST_F(devices, names_follow_the_instance_and_stay_unique) {
  input_device *a = add_fake_device("USB Joystick", &h, 2, 4);
  input_device *b = add_fake_device("USB Joystick", &h, 2, 4);
  input_device *c = add_fake_device("USB Joystick", &h, 2, 4);
  input_device *d = add_fake_device(" Pad v1.2 ", &h, 2, 4);
  ASSERT_TRUE(a && b && c && d);
  EXPECT_STREQ(a->name, "USBJoystick");
  EXPECT_STREQ(b->name, "USBJoystick#2");
  EXPECT_STREQ(c->name, "USBJoystick#3");
  EXPECT_STREQ(d->name, "Padv12");
  EXPECT_NE(a->code, b->code);

  // A long name keeps its suffix within the name length.
  std::string long_name(100, 'x');
  input_device *l1 = add_fake_device(long_name.c_str(), &h, 0, 1);
  input_device *l2 = add_fake_device(long_name.c_str(), &h, 0, 1);
  ASSERT_TRUE(l1 && l2);
  EXPECT_EQ(strlen(l1->name), (size_t)DEVICE_NAME_LENGTH);
  EXPECT_EQ(std::string(l2->name), std::string(DEVICE_NAME_LENGTH - 2, 'x') + "#2");
}

TEST_F(devices, codes_are_a_checksum_moved_past_codes_in_use) {
  // "abcd": even bytes a + c = 196, odd bytes b + d = 198: 196 + 256 * 198 = 50884, mod 32768 = 18116.
  EXPECT_EQ(device_code("abcd"), 18116 * 65536);
  input_device *a = add_fake_device("abcd", &h, 0, 1);
  input_device *b = add_fake_device("cbad", &h, 0, 1);  // same sums
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->code, 18116 * 65536);
  EXPECT_EQ(b->code, 18117 * 65536);
  // A checksum of 0 is never a device code (0 is the keyboard's range).
  EXPECT_EQ(device_code(""), 65536);
}

TEST_F(devices, buttons_by_either_name_form) {
  input_device *j = add_fake_device("Joystick1", &h, 2, 4);
  input_device *k = add_fake_device("Wheel", &big, 0, 300);
  ASSERT_TRUE(j && k);
  EXPECT_FALSE(j->polling);
  int32_t c = key_code("Joystick1.key[3]");
  EXPECT_EQ(c, j->code + 3);
  EXPECT_EQ(key_code("Joystick1 button 3"), c);
  EXPECT_TRUE(j->polling);
  EXPECT_TRUE(j->acquired);
  EXPECT_STREQ(key_name(c), "Joystick1 button 3");

  const char *refused[] = {"Joystick1.key[4]",  "Joystick1 button 4", "Wheel.key[256]", "Wheel button 256",
                           "Joystick1.key[-1]", "Nothing.key[0]",     "Joystick1.key[1]x", "joystick1.key[0]",
                           "Wheel.key[4294967299]", "Wheel button 4294967299"};
  for (const char *name : refused) EXPECT_EQ(key_code(name), -1) << name;
  EXPECT_EQ(key_code("Wheel.key[255]"), k->code + 255);
  EXPECT_EQ(key_name(k->code + 256), nullptr);
  EXPECT_EQ(key_name(j->code + 4), nullptr);

  devices_roll_call_done();
  EXPECT_EQ(key_code("joystick-a-2"), j->code + 1);
}

TEST_F(devices, second_alias_is_ignored) {
  temp_dir dir;
  std::string log = dir.file("log.txt");
  scoped_env logfile("KOBA_LOGFILE", log.c_str());
  log_reset();
  alias_add("mouse-x", "Mouse.axis[0]");
  alias_add("mouse-x", "Other.axis[5]");
  EXPECT_STREQ(alias_lookup("mouse-x"), "Mouse.axis[0]");
  EXPECT_STREQ(alias_lookup("mouse-y"), "mouse-y");
  log_reset();
  EXPECT_NE(read_file(log).find("Second alias for 'mouse-x' ('Other.axis[5]') ignored"), std::string::npos);
}

TEST_F(devices, axes_absolute_and_relative) {
  input_device *p = add_fake_device("Pad", &pad, 3, 0);
  input_device *m = add_fake_device("Mouse", &mouse, 2, 3, true);
  ASSERT_TRUE(p && m);
  axis_handle *a = axis_open("Pad.axis[2]");
  axis_handle *b = axis_open("Pad axis 2");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(pad.acquires, 1);  // the first handle acquires the device
  EXPECT_EQ(p->open_count, 2);
  pad.axes[2] = -20000;
  EXPECT_EQ(axis_read(a), -20000);
  EXPECT_EQ(axis_read(b), -20000);  // a position reads the same again
  axis_close(a);
  EXPECT_EQ(pad.releases, 0);
  axis_close(b);
  EXPECT_EQ(pad.releases, 1);

  EXPECT_EQ(axis_open("Pad.axis[3]"), nullptr);
  EXPECT_EQ(axis_open("Pad axis -1"), nullptr);
  EXPECT_EQ(axis_open("Pad.key[0]"), nullptr);

  devices_roll_call_done();
  axis_handle *mx = axis_open("mouse-x");
  ASSERT_TRUE(mx);
  mouse.axes[0] = 5;
  EXPECT_EQ(axis_read(mx), 5);
  mouse.axes[0] = 7;
  fake_poll(m);  // motion gathered by a poll in between still counts
  mouse.axes[0] = 1;
  EXPECT_EQ(axis_read(mx), 8);
  EXPECT_EQ(axis_read(mx), 0);  // no motion since the last read

  add_fake_device("Shy", &shy, 1, 0);
  shy.refuse_acquire = true;
  EXPECT_EQ(axis_open("Shy.axis[0]"), nullptr);

  // A handle that outlives its device reads 0 and closes safely.
  devices_close_all();
  EXPECT_EQ(axis_read(mx), 0);
  axis_close(mx);
}

TEST_F(devices, absolute_axis_list) {
  add_fake_device("Pedals", &h, 2, 0);
  add_fake_device("Mouse", &h, 2, 3, true);
  add_fake_device("Pad", &h, 1, 4);
  devices_open_window_input(nullptr);  // the cursor is not a pot to watch
  const char *const *names = absolute_axis_names();
  const char *expected[] = {"Pedals axis 0", "Pedals axis 1", "Pad axis 0", ""};
  for (int i = 0; i < 4; i++) EXPECT_STREQ(names[i], expected[i]) << i;
  axis_handle *h0 = axis_open(names[2]);
  EXPECT_NE(h0, nullptr);
  axis_close(h0);
}

TEST_F(devices, button_events_from_polling_and_the_timestamp_adjustment) {
  input_device *j = add_fake_device("Joystick1", &h, 0, 4);
  ASSERT_TRUE(j);
  int32_t b1 = key_code("Joystick1.key[1]");  // sets the polling flag
  input_event e;
  // Polled when nothing is due: a press stamped 10 ms ago.
  h.buffered.push_back({1, 0x80, time_from_seconds(199.99)});
  ASSERT_TRUE(input_next_event(time_from_seconds(200.0), &e));
  EXPECT_EQ(e.code, b1);
  EXPECT_EQ(e.pressed, 1);
  EXPECT_NEAR(time_to_seconds(e.time), 199.99, 1e-6);
  // An unchanged byte is no event; a stamp 30 ms in the future lands now.
  h.buffered.push_back({1, 0x80, time_from_seconds(199.995)});
  h.buffered.push_back({1, 0, time_from_seconds(200.03)});
  ASSERT_TRUE(input_next_event_any(&e));
  EXPECT_EQ(e.pressed, 0);
  EXPECT_NEAR(time_to_seconds(e.time), 200.0, 1e-6);
  EXPECT_EQ(j->timestamp_adjustment, 30);
  EXPECT_FALSE(input_next_event_any(&e));
  // Later stamps are moved back by the adjustment.
  clock.advance(1.0);
  h.buffered.push_back({1, 1, time_from_seconds(201.01)});
  ASSERT_TRUE(input_next_event_any(&e));
  EXPECT_NEAR(time_to_seconds(e.time), 200.98, 1e-6);
  EXPECT_EQ(j->timestamp_adjustment, 30);
}

}  // namespace
