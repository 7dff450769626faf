#include <gtest/gtest.h>

#include "platform/input.h"
#include "platform/keys.h"
#include "platform/script.h"
#include "platform/video.h"
#include "support/fake_clock.h"

namespace {

kv_time at(double s) { return time_from_seconds(s); }

TEST(input_queue, keeps_time_order_and_drops_the_257th) {
  input_queue_clear();
  ASSERT_TRUE(input_queue_add(1, 1, at(2.0)));
  ASSERT_TRUE(input_queue_add(2, 1, at(3.0)));
  ASSERT_TRUE(input_queue_add(3, 1, at(1.0)));  // earlier than those waiting
  ASSERT_TRUE(input_queue_add(4, 1, at(2.0)));  // equal time goes after the earlier one
  input_event e;
  int order[4];
  for (int &o : order) {
    ASSERT_TRUE(input_next_event_any(&e));
    o = e.code;
  }
  EXPECT_EQ(order[0], 3);
  EXPECT_EQ(order[1], 1);
  EXPECT_EQ(order[2], 4);
  EXPECT_EQ(order[3], 2);
  EXPECT_FALSE(input_next_event_any(&e));

  for (int i = 0; i < INPUT_QUEUE_SIZE; i++) ASSERT_TRUE(input_queue_add(i, 1, at(i)));
  EXPECT_FALSE(input_queue_add(999, 1, at(0.5)));
  EXPECT_EQ(input_queue_count(), INPUT_QUEUE_SIZE);
  input_queue_clear();
}

TEST(input_queue, next_event_respects_the_time_limit) {
  input_queue_clear();
  input_queue_add(5, 1, at(10.0));
  input_event e;
  EXPECT_FALSE(input_next_event(at(9.999), &e));
  EXPECT_TRUE(input_next_event(at(10.0), &e));
  EXPECT_EQ(e.code, 5);
}

TEST(keys, names_and_codes) {
  struct {
    const char *name;
    int32_t code;
  } cases[] = {
      {"keypad enter", 4096 + 284}, {"Keypad Enter", 4096 + 284}, {"page_up", 4096 + 329}, {"PAGE UP", 4096 + 329},
      {"0x1c", 4096 + 28},          {"0x200", -1},                {"Esc", 4096 + 1},      {"x", 4096 + 45},
      {"Mouse Left", 8192},         {"Close", 57005},             {"Space", 4096 + 57},   {"\\", 4096 + 43},
      {"no such key", -1},          {"", -1},
  };
  for (const auto &c : cases) EXPECT_EQ(key_code(c.name), c.code) << c.name;
  EXPECT_STREQ(key_name(4096 + 57), "Space");
  EXPECT_STREQ(key_name(4096 + 500), "0x1f4");
  EXPECT_STREQ(key_name(8194), "Mouse Right");
  EXPECT_EQ(key_name(70000), nullptr);
}

TEST(script, feeds_events_at_their_times_and_quits) {
  fake_clock clock(50.0);
  input_queue_clear();
  quit_reset();
  EXPECT_FALSE(script_load_text("# comment\n0.5 press x\n0.25 type ab\n1 release x\n0.3 char 9\n2 quit\n3 press nokey\n",
                                at(50.0)));  // the last line is reported, the rest stands
  script_pump(at(50.4));
  input_event e;
  ASSERT_TRUE(input_next_event_any(&e));
  EXPECT_EQ(e.code, 'a');
  ASSERT_TRUE(input_next_event_any(&e));
  EXPECT_EQ(e.code, 'b');
  ASSERT_TRUE(input_next_event_any(&e));
  EXPECT_EQ(e.code, 9);
  EXPECT_FALSE(input_next_event_any(&e));
  script_pump(at(51.5));
  ASSERT_TRUE(input_next_event_any(&e));
  EXPECT_EQ(e.code, 4096 + 45);
  EXPECT_EQ(e.pressed, 1);
  EXPECT_NEAR(time_to_seconds(e.time), 50.5, 1e-6);
  ASSERT_TRUE(input_next_event_any(&e));
  EXPECT_EQ(e.pressed, 0);
  EXPECT_FALSE(quit_requested());
  script_pump(at(52.0));
  EXPECT_TRUE(quit_requested());
  quit_reset();
  script_stop();
  input_queue_clear();
}

}  // namespace
