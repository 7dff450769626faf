#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"

namespace {

struct preset_case {
  int stability;
  double roll_damping, roll_limit_angle, roll_limit_factor, slow_damping_factor, direct_steering,
      land_damping_factor, land_damping_falloff;
};

TEST(stability_preset, interpolates_between_columns) {
  const preset_case cases[] = {
      {0, 40, 90, 0, 1, 1, 1, 0},
      {10, 45, 67.5, 2.5, 1, 1, 1.25, 0.0625},  // s = 0.5
      {50, 65, 42.5, 21, 1.75, 1, 2, 0.25},     // s = 2.5
      {90, 77.5, 35, 32, 2, 0.5, 2, 0.25},      // s = 4.5, the last segment
      {100, 80, 35, 32, 2, 0, 2, 0.25},
      {250, 80, 35, 32, 2, 0, 2, 0.25},  // clamps to s = 5
      {-40, 40, 90, 0, 1, 1, 1, 0},      // clamps to s = 0
  };
  for (const preset_case &c : cases) {
    SCOPED_TRACE(c.stability);
    settings_defaults();
    apply_stability_preset(c.stability);
    EXPECT_DOUBLE_EQ(settings.roll_damping.value, c.roll_damping);
    EXPECT_DOUBLE_EQ(settings.roll_limit_angle.value, c.roll_limit_angle);
    EXPECT_DOUBLE_EQ(settings.roll_limit_factor.value, c.roll_limit_factor);
    EXPECT_DOUBLE_EQ(settings.slow_damping_factor.value, c.slow_damping_factor);
    EXPECT_DOUBLE_EQ(settings.direct_steering.value, c.direct_steering);
    EXPECT_DOUBLE_EQ(settings.land_damping_factor.value, c.land_damping_factor);
    EXPECT_DOUBLE_EQ(settings.land_damping_falloff.value, c.land_damping_falloff);
    // The flat rows and the stability item itself are untouched by the position.
    EXPECT_DOUBLE_EQ(settings.max_steering_force.value, 400);
    EXPECT_DOUBLE_EQ(settings.slow_damping_speed.value, 40);
    EXPECT_DOUBLE_EQ(settings.steering_strength.value, 75);
    EXPECT_DOUBLE_EQ(settings.steering_damping.value, 45);
    EXPECT_DOUBLE_EQ(settings.leveling.value, 20);
    EXPECT_DOUBLE_EQ(settings.stability.value, 100);
  }
}

TEST(number_set_from_text, reads_clamps_or_keeps) {
  struct number_case {
    const char *text;
    bool read;
    double expected;
  };
  // An item 0..50 holding 5, like the laps item.
  const number_case cases[] = {
      {"99", true, 50},        {"12", true, 12},        {"-3", true, 0},          {"  7.5xyz", true, 7.5},
      {".5", true, 0.5},       {"5.", true, 5},         {"1e1", true, 10},        {"1e", true, 1},
      {"1e999", true, 50},     {"-1e999", true, 0},     {"abc", false, 5},        {"", false, 5},
      {"-", false, 5},         {".", false, 5},         {"nan", false, 5},        {"inf", false, 5},
  };
  for (const number_case &c : cases) {
    SCOPED_TRACE(c.text);
    number_item item = {"Laps", 5, 1, 0, 50};
    EXPECT_EQ(number_set_from_text(&item, c.text), c.read);
    EXPECT_DOUBLE_EQ(item.value, c.expected);
  }
}

TEST(number_set_from_text, compares_with_the_range_in_single_precision) {
  // 0.1f lies above the double 0.1 and 0.7f below the double 0.7; in single
  // precision both equal their bound, so neither is clamped.
  number_item high = {"", 0, 0.01, 0, 0.1};
  EXPECT_TRUE(number_set_from_text(&high, "0.1"));
  EXPECT_EQ(high.value, (double)0.1f);
  number_item low = {"", 1, 0.01, 0.7, 1};
  EXPECT_TRUE(number_set_from_text(&low, "0.7"));
  EXPECT_EQ(low.value, (double)0.7f);
}

TEST(choice_set_by_name, matches_exactly) {
  settings_defaults();
  choice_item &skill = settings.skill;
  EXPECT_TRUE(choice_set_by_name(&skill, "Expert"));
  EXPECT_EQ(skill.selected, 2);
  EXPECT_STREQ(choice_name(&skill), "Expert");
  for (const char *bad : {"expert", "Expert ", "", "Pro"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(choice_set_by_name(&skill, bad));
    EXPECT_EQ(skill.selected, 2);
  }
  // A selection outside the list has no name rather than reading past it.
  skill.selected = 3;
  EXPECT_STREQ(choice_name(&skill), "");
  skill.selected = -1;
  EXPECT_STREQ(choice_name(&skill), "");
}

TEST(text_set, cuts_at_the_maximum_length) {
  settings_defaults();
  text_set(&settings.name, std::string(100, 'n').c_str());
  EXPECT_EQ(std::string(settings.name.text), std::string(63, 'n'));
  text_set(&settings.number, "12345");
  EXPECT_STREQ(settings.number.text, "123");
  text_set(&settings.number, "");
  EXPECT_STREQ(settings.number.text, "");
  text_set(&settings.server_name, std::string(200, 's').c_str());
  EXPECT_EQ(std::string(settings.server_name.text), std::string(127, 's'));
}

}  // namespace
