#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "config/settings.h"
#include "platform/log.h"

namespace {

struct parsed {
  int status;
  run_options o;
};

parsed parse(std::vector<std::string> args) {
  args.insert(args.begin(), "korvath");
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  parsed p;
  run_options_defaults(&p.o);
  testing::internal::CaptureStderr();
  p.status = parse_command_line((int)args.size(), argv.data(), &p.o);
  testing::internal::GetCapturedStderr();
  return p;
}

TEST(command_line, values_joined_separate_and_clamped) {
  EXPECT_EQ(parse({"--texture-detail=7"}).o.texture_detail, 4);
  EXPECT_EQ(parse({"--texture-detail", "-3"}).o.texture_detail, 0);
  EXPECT_EQ(parse({"--fake-loss", "300"}).o.fake_loss, 100);
  EXPECT_DOUBLE_EQ(parse({"--fake-lag=250"}).o.fake_lag, 0.25);
  EXPECT_DOUBLE_EQ(parse({"--fake-lag=5000"}).o.fake_lag, 1.0);
  EXPECT_FLOAT_EQ(parse({"--erode", "2"}).o.erode, 1.0f);
  EXPECT_FLOAT_EQ(parse({"--lod-scale=0"}).o.lod_scale, 0.000001f);
  EXPECT_EQ(parse({"--roostfrequency=5000"}).o.roost_frequency, 1000);
  parsed d = parse({"--max-detail-distance", "30"});
  EXPECT_FLOAT_EQ(d.o.max_detail_distance, 30);
  EXPECT_FLOAT_EQ(d.o.max_detail_fade_end, 35);
  EXPECT_EQ(parse({"--rotate-lineup", "-1"}).o.rotate_lineup, 39);
  EXPECT_EQ(parse({"--rotate-lineup", "83"}).o.rotate_lineup, 3);
  EXPECT_EQ(parse({"--rotate-lineup", "x"}).o.rotate_lineup, 0);
  parsed f = parse({"--fugly", "--nolearn", "--warp", "--hidden-hud", "--editor", "--accurate-skip"});
  EXPECT_EQ(f.status, PARSE_CONTINUE);
  EXPECT_TRUE(f.o.flat_shading && !f.o.learn_lines && f.o.warp && !f.o.show_hud && f.o.editor_enabled && f.o.accurate_skip);
  parsed c = parse({"--chase-center=1,2.5,-3"});
  EXPECT_FLOAT_EQ(c.o.chase_center[1], 2.5f);
  EXPECT_FLOAT_EQ(c.o.chase_center[2], -3.0f);
}

TEST(command_line, bad_values_and_arguments) {
  struct {
    std::vector<std::string> args;
    int status;
    const char *message;
  } cases[] = {
      {{"--erode", "x"}, 1, "Bad arg for --erode\n"},
      {{"--erode"}, 1, "Bad arg for --erode\n"},
      {{"--erode=nan"}, 1, "Bad arg for --erode\n"},
      {{"--texture-detail=abc"}, 1, "Bad arg for --texture-detail\n"},
      {{"--chase-center", "1,2"}, 1, "Bad arg for --chase-center\n"},
      {{"-x"}, 1, "bad option '-x'\n"},
      {{"a", "b"}, 1, "Too many files!\n"},
      {{"--bikes", "3", "--warp"}, PARSE_CONTINUE, "--bikes doesn't do anything anymore\n"},
      {{"--width", "oops"}, PARSE_CONTINUE, ""},
  };
  for (const auto &c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "korvath");
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    run_options o;
    run_options_defaults(&o);
    testing::internal::CaptureStderr();
    int status = parse_command_line((int)args.size(), argv.data(), &o);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, c.status) << c.args[0];
    EXPECT_EQ(err, c.message) << c.args[0];
  }
}

TEST(command_line, texts_positional_file_and_end_of_options) {
  parsed a = parse({"--", "-strange.kvdemo"});
  EXPECT_EQ(a.status, PARSE_CONTINUE);
  EXPECT_TRUE(a.o.has_demo);
  EXPECT_STREQ(a.o.demo, "-strange.kvdemo");

  parsed b = parse({"--track"});
  EXPECT_EQ(b.status, PARSE_CONTINUE);
  EXPECT_FALSE(b.o.has_track);

  parsed c1 = parse({"--connect", "korvath:example.org:19800"});
  parsed c2 = parse({"--connect=example.org:19800"});
  EXPECT_STREQ(c1.o.server, "example.org:19800");
  EXPECT_STREQ(c2.o.server, c1.o.server);

  settings.xres = 640;
  parse({"--width", "1024", "--height=700"});
  EXPECT_EQ(settings.xres, 1024);
  EXPECT_EQ(settings.yres, 700);

  debug_level = 0;
  parse({"--super-debug"});
  EXPECT_EQ(debug_level, 2);
  debug_level = 0;
}

TEST(command_line, match_option_rules) {
  std::vector<std::string> args = {"--track=x", "--track", "y", "--", "--track"};
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(a.data());
  option_cursor c{(int32_t)args.size(), argv.data(), false};
  const char *v;
  EXPECT_FALSE(match_option(&c, "--trac", true, &v));
  EXPECT_TRUE(match_option(&c, "--track", true, &v));
  EXPECT_STREQ(v, "x");
  EXPECT_FALSE(match_option(&c, "--trac", false, &v));  // a flag must match exactly
  EXPECT_TRUE(match_option(&c, "--track", true, &v));
  EXPECT_STREQ(v, "y");
  EXPECT_FALSE(match_option(&c, "--track", true, &v));  // consumes "--"
  EXPECT_TRUE(c.end_of_options);
  EXPECT_FALSE(match_option(&c, "--track", true, &v));
  EXPECT_EQ(c.remaining, 1);
}

}  // namespace
