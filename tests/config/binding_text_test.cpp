#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/binding_text.h"

namespace {

// An item that still carries an earlier axis binding and resolved handles, so
// that every case also shows what parsing clears.
binding_item dirty_item() {
  binding_item b = {};
  b.label = "Throttle";
  strcpy(b.key_name, "old");
  strcpy(b.axis_name, "old-axis");
  b.key_code = 77;
  b.axis = reinterpret_cast<axis_handle *>(&b);
  b.low = 0.25f;
  b.high = 0.5f;
  return b;
}

TEST(binding_parse, key_and_axis_forms) {
  struct parse_case {
    const char *text;
    const char *key, *axis;
    float low, high;
  };
  const parse_case cases[] = {
      {"(k)x", "x", "", 0, 1},
      {"x", "x", "", 0, 1},
      {"  (k)right ctrl", "right ctrl", "", 0, 1},
      {"(0.1,0.9)joy0-axis2", "", "joy0-axis2", 0.1f, 0.9f},
      {"(0.9,0.1)pedal", "", "pedal", 0.9f, 0.1f},  // inverted range kept as given
      {"(-0.0625,-0.9375)wheel", "", "wheel", -0.0625f, -0.9375f},
      {"( 0.5, 1)a b", "", "a b", 0.5f, 1},  // blanks before each number, as a scan allows
      {"(1,2", "(1,2", "", 0, 1},            // no ")": a key name
      {"(a,b)joy", "(a,b)joy", "", 0, 1},    // no numbers: a key name
      {"(1 ,2)joy", "(1 ,2)joy", "", 0, 1},  // the "," must follow the number
      {"(k)", "", "", 0, 1},                 // bound to nothing
      {"", "", "", 0, 1},
  };
  for (const parse_case &c : cases) {
    SCOPED_TRACE(c.text);
    binding_item b = dirty_item();
    binding_parse(&b, c.text);
    EXPECT_STREQ(b.key_name, c.key);
    EXPECT_STREQ(b.axis_name, c.axis);
    EXPECT_EQ(b.key_code, -1);
    EXPECT_EQ(b.axis, nullptr);
    if (c.axis[0]) {
      EXPECT_FLOAT_EQ(b.low, c.low);
      EXPECT_FLOAT_EQ(b.high, c.high);
    }
    EXPECT_STREQ(b.label, "Throttle");
  }
}

TEST(binding_parse, cuts_long_names) {
  binding_item b = dirty_item();
  std::string name(300, 'q');
  binding_parse(&b, ("(k)" + name).c_str());
  EXPECT_EQ(std::string(b.key_name), name.substr(0, BINDING_NAME_CAPACITY - 1));
  binding_parse(&b, ("(0,1)" + name).c_str());
  EXPECT_EQ(std::string(b.axis_name), name.substr(0, BINDING_NAME_CAPACITY - 1));
  EXPECT_STREQ(b.key_name, "");
}

TEST(binding_format, lines_and_round_trip) {
  char line[512];
  binding_item b = dirty_item();

  binding_parse(&b, "right ctrl");
  int n = binding_format("dab_key", &b, line, sizeof line);
  EXPECT_STREQ(line, "dab_key=(k)right ctrl\n");
  EXPECT_EQ(n, (int)strlen(line));

  binding_parse(&b, "(-0.0625,-0.9375)joy0-axis1");
  binding_format("throttle_key", &b, line, sizeof line);
  EXPECT_STREQ(line, "throttle_key=(-0.062500,-0.937500)joy0-axis1\n");

  // The written value parses back to the same binding.
  binding_item again = dirty_item();
  std::string value = std::string(line).substr(strlen("throttle_key="));
  value.pop_back();
  binding_parse(&again, value.c_str());
  EXPECT_STREQ(again.axis_name, "joy0-axis1");
  EXPECT_FLOAT_EQ(again.low, -0.0625f);
  EXPECT_FLOAT_EQ(again.high, -0.9375f);

  binding_parse(&b, "(k)");
  EXPECT_EQ(binding_format("left_key", &b, line, sizeof line), 0);

  // A line that does not fit is not written at all, rather than cut.
  binding_parse(&b, "right ctrl");
  EXPECT_EQ(binding_format("dab_key", &b, line, 10), 0);
}

}  // namespace
