#include "sim/bike_spec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/message_log.h"

namespace {

const bike_spec *spec(const char *name) {
  const bike_spec *s = bike_spec_exact(name);
  EXPECT_NE(s, nullptr) << name;
  return s;
}

std::string newest_message() {
  int i = (message_log.write_index + MESSAGE_LINES - 1) % MESSAGE_LINES;
  return message_log.lines[i];
}

}  // namespace

TEST(bike_spec, table_order_and_menu) {
  const char *names[BIKE_SPEC_COUNT] = {"crf250(2009)", "kx250f(2009)", "rmz250(2009)", "yz250f(2009)",
                                        "crf250(2008)", "kx250f(2008)", "rmz250(2008)", "yz250f(2008)",
                                        "cr125",        "kx125",        "rm125",        "yz125",
                                        "125sx",        "crf250(2007)", "kx250f(2007)", "rmz250(2007)",
                                        "yz250f(2007)", "yz250f_se(2006)"};
  for (int i = 0; i < BIKE_SPEC_COUNT; i++) {
    ASSERT_NE(bike_spec_at(i), nullptr);
    EXPECT_STREQ(bike_spec_at(i)->name, names[i]);
    EXPECT_EQ(bike_spec_offered(bike_spec_at(i)), strcmp(names[i], "125sx") != 0);
  }
  EXPECT_EQ(bike_spec_at(BIKE_SPEC_COUNT), nullptr);
  EXPECT_EQ(bike_spec_at(-1), nullptr);
}

TEST(bike_spec, lookup_falls_back_with_a_message) {
  struct {
    const char *asked, *found;
    bool message;
  } cases[] = {
      {"rm125", "rm125", false},
      {"yz250f(2007)", "yz250f(2007)", false},
      {"harley", "kx250f(2009)", true},  // first name containing "250f"
      {"xr125l", "cr125", true},         // first name containing "125"
      {"crf250", "kx250f(2009)", true},  // old names are renamed before lookup, not here
      {nullptr, "kx250f(2009)", true},
  };
  for (const auto &c : cases) {
    message_log_clear();
    const bike_spec *s = bike_spec_find(c.asked);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->name, c.found);
    if (c.message) {
      std::string expected = std::string("bike info for '") + (c.asked ? c.asked : "") + "' not found using '" +
                             c.found + "' instead";
      EXPECT_EQ(newest_message(), expected);
    } else {
      EXPECT_EQ(message_log.write_index, 0) << c.asked;
    }
  }
  // The names in the message are cut to 20 characters.
  message_log_clear();
  bike_spec_find("abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(newest_message(), "bike info for 'abcdefghijklmnopqrst' not found using 'kx250f(2009)' instead");
}

TEST(bike_spec, old_names_are_renamed) {
  const char *cases[][2] = {{"crf250", "crf250(2008)"}, {"kx250f", "kx250f(2008)"}, {"rmz250", "rmz250(2008)"},
                            {"yz250f", "yz250f(2008)"},  {"cr125", "cr125"},         {"crf250(2009)", "crf250(2009)"}};
  for (const auto &c : cases) EXPECT_STREQ(bike_spec_rename(c[0]), c[1]);
}

TEST(bike_spec, torque_tables) {
  const bike_spec *crf = spec("crf250(2009)");
  EXPECT_FLOAT_EQ(crf->torque_open[14], 19.1f);  // 7000 rpm
  EXPECT_FLOAT_EQ(crf->torque_closed[14], -6);
  EXPECT_FLOAT_EQ(crf->torque_open[4], 5);
  EXPECT_FLOAT_EQ(crf->torque_open[5], 6.4f);
  EXPECT_FLOAT_EQ(crf->torque_open[28], 0);  // last listed
  EXPECT_FLOAT_EQ(crf->torque_open[29], -1);
  EXPECT_FLOAT_EQ(crf->torque_open[30], -2);
  EXPECT_FLOAT_EQ(crf->torque_open[49], -11);
  const float four_closed[] = {2, 1, 0, 0, -1, -1, -2, -2};
  for (int i = 0; i < 8; i++) EXPECT_FLOAT_EQ(crf->torque_closed[i], four_closed[i]) << i;
  EXPECT_FLOAT_EQ(crf->torque_closed[49], -23);

  const bike_spec *crf08 = spec("crf250(2008)");  // 22 listed entries, 5..26
  EXPECT_FLOAT_EQ(crf08->torque_open[26], 13.9f);
  EXPECT_FLOAT_EQ(crf08->torque_open[27], 0);
  EXPECT_FLOAT_EQ(crf08->torque_open[28], -1);

  const bike_spec *cr = spec("cr125");
  EXPECT_FLOAT_EQ(cr->torque_closed[4], -1);
  EXPECT_FLOAT_EQ(cr->torque_closed[14], -3.33f);
  EXPECT_FLOAT_EQ(cr->torque_closed[21], -9);
  EXPECT_FLOAT_EQ(cr->torque_closed[22], -10);
  EXPECT_FLOAT_EQ(cr->torque_open[25], 2.10085f);
  EXPECT_FLOAT_EQ(cr->torque_open[26], 0);

  // The special edition shares the 2007 engine.
  const bike_spec *se = spec("yz250f_se(2006)"), *yz07 = spec("yz250f(2007)");
  EXPECT_EQ(memcmp(se->torque_open, yz07->torque_open, sizeof se->torque_open), 0);
}

TEST(bike_spec, per_model_values) {
  const bike_spec *crf = spec("crf250(2009)"), *kx = spec("kx125"), *rm = spec("rm125");
  EXPECT_FLOAT_EQ(crf->gear_ratios[4], 1.04167f);
  EXPECT_LE(crf->gear_ratios[5], 0);  // five gears
  EXPECT_FLOAT_EQ(kx->gear_ratios[5], 1);
  EXPECT_EQ(crf->two_stroke, 0);
  EXPECT_EQ(kx->two_stroke, 1);
  EXPECT_FLOAT_EQ(rm->front_sprocket, 12);
  EXPECT_FLOAT_EQ(rm->rear_sprocket, 50);
  EXPECT_FLOAT_EQ(rm->spare_rpm, 13750);
  EXPECT_FLOAT_EQ(kx->chassis_mass, 3.65375f);
  EXPECT_FLOAT_EQ(kx->downshift_rpm, 9400);
  EXPECT_FLOAT_EQ(crf->upshift_rpm, 12500);
  // Shared geometry is the same in every entry.
  for (int i = 0; i < BIKE_SPEC_COUNT; i++) {
    EXPECT_FLOAT_EQ(bike_spec_at(i)->rear_axle_position[2], 6);
    EXPECT_FLOAT_EQ(bike_spec_at(i)->hip_points[0][0], -0.269f);
    EXPECT_FLOAT_EQ(bike_spec_at(i)->hip_points[1][0], 0.269f);
  }
}

TEST(bike_spec, model_names_follow_the_prefix) {
  const bike_spec *crf = spec("crf250(2009)"), *se = spec("yz250f_se(2006)"), *sx = spec("125sx");
  EXPECT_STREQ(crf->frame_model, "@crf250_frame.jm");
  EXPECT_STREQ(crf->graphics_texture, "@crf250.png");
  EXPECT_STREQ(crf->frame_shape, "@generic_frame.shp");
  EXPECT_STREQ(crf->front_plate_model, "@crf250_front_plate.jm");
  EXPECT_STREQ(se->frame_model, "@yz250f_frame.jm");
  EXPECT_STREQ(se->graphics_texture, "@yz250f_se.png");
  EXPECT_STREQ(sx->swingarm_model, "@125sx_swingarm.jm");
  EXPECT_STREQ(sx->rider_shape, "@generic_rider.shp");
}

TEST(bike_spec, display_conversions) {
  const bike_spec *s = spec("crf250(2009)");
  struct {
    int which;
    double position;
    const char *text;
  } cases[] = {
      {DISPLAY_FORK_SPRING, 0.5, "0.450 kg/mm"},   {DISPLAY_SHOCK_SPRING, 0.5, "4.65 kg/mm"},
      {DISPLAY_FORK_PRELOAD, 0.5, "12.70 mm"},     {DISPLAY_FORK_OIL, 0, "127.00 mm"},
      {DISPLAY_FORK_OIL, 1, "76.20 mm"},           {DISPLAY_SHOCK_PRELOAD, 1, "8.38 mm"},
      {DISPLAY_FORK_SPRING, 7, "0.520 kg/mm"},     {DISPLAY_FORK_SPRING, -1, "0.380 kg/mm"},
      {DISPLAY_FRONT_SPROCKET, 1, "14.00 teeth"},  {DISPLAY_REAR_SPROCKET, -2, "49.00 teeth"},
  };
  char buf[32];
  for (const auto &c : cases) EXPECT_STREQ(bike_spec_display_text(s, c.which, c.position, buf, sizeof buf), c.text);
  EXPECT_STREQ(bike_spec_display_text(s, DISPLAY_COUNT, 0, buf, sizeof buf), "");
}
