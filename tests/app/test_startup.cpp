// The program as a whole: start-up checks, a scripted headless run, Ctrl-C.
#include <gtest/gtest.h>

#include <string>

#include "support/test_env.h"

namespace {

bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

struct startup_fixture : ::testing::Test {
  temp_dir home, root;
  std::vector<std::string> env() const { return {"KV_HOME=" + root.path, "KOBA_OPTIONS=[video:headless]"}; }
};

TEST_F(startup_fixture, missing_game_data_shows_the_message_and_exits_0) {
  run_result r = run_korvath({}, {"KV_HOME=" + root.path}, home.path);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(contains(r.err, "Problem starting Korvath: Can't find game data")) << r.err;
}

TEST_F(startup_fixture, command_line_errors_exit_1) {
  make_game_root(root.path, {"dozavurozu"});
  struct {
    std::vector<std::string> args;
    const char *message;
  } cases[] = {
      {{"--erode", "x"}, "Bad arg for --erode\n"},
      {{"-x"}, "bad option '-x'\n"},
      {{"a", "b"}, "Too many files!\n"},
  };
  for (const auto &c : cases) {
    run_result r = run_korvath(c.args, env(), home.path);
    EXPECT_EQ(r.exit_code, 1) << c.message;
    EXPECT_EQ(r.err, c.message);
  }
}

TEST_F(startup_fixture, scripted_headless_run_logs_and_quits) {
  make_game_root(root.path, {"dozavurozu"});
  write_file(home.file("script.txt"), "0.2 tap esc\n1.5 quit\n");
  std::string log = home.file("run.log");
  run_result r = run_korvath({}, {"KV_HOME=" + root.path, "KOBA_LOGFILE=" + log,
                                  "KOBA_OPTIONS=[video:headless][script:" + home.file("script.txt") + "]"},
                             home.path);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::string text = read_file(log);
  EXPECT_TRUE(contains(text, "] Logfile \"" + log + "\" opened\n")) << text;
  EXPECT_TRUE(contains(text, "] KOBA 0.31\n"));
  EXPECT_TRUE(contains(text, "Main loop ended")) << text;
  EXPECT_TRUE(file_exists(home.file("Korvath")));
}

TEST_F(startup_fixture, interrupt_ends_the_game_cleanly) {
  make_game_root(root.path, {"dozavurozu"});
  std::string log = home.file("run.log");
  run_result r = run_korvath({}, {"KV_HOME=" + root.path, "KOBA_LOGFILE=" + log, "KOBA_OPTIONS=[video:headless]"},
                             home.path, 30, 1000);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(contains(read_file(log), "Main loop ended")) << read_file(log);
}

}  // namespace

namespace {

TEST_F(startup_fixture, configuration_survives_runs_and_feeds_the_render_settings) {
  make_game_root(root.path, {"dozavurozu"});
  write_file(home.file("quit.txt"), "0.2 quit\n");
  std::vector<std::string> e = {"KV_HOME=" + root.path, "KOBA_LOGFILE=" + home.file("run.log"),
                                "KOBA_OPTIONS=[video:headless][script:" + home.file("quit.txt") + "]"};
  ASSERT_EQ(run_korvath({}, e, home.path).exit_code, 0);
  std::string config = read_file(home.file("Korvath/config"));
  ASSERT_EQ(config.rfind("xres=640\nyres=480\ndraw_fps=0\n", 0), 0u) << config;
  EXPECT_TRUE(contains(config, "\nscreenshot_key=(k)s\n"));

  // A hand-edited value survives, a garbage line is dropped, and the derived
  // settings follow the file unless the command line says otherwise.
  size_t at = config.find("model_texture_detail=");
  config.replace(at, config.find('\n', at) - at, "model_texture_detail=4.000000\nthis is garbage");
  write_file(home.file("Korvath/config"), config);
  ASSERT_EQ(run_korvath({"--debug"}, e, home.path).exit_code, 0);
  EXPECT_TRUE(contains(read_file(home.file("run.log")), "texture detail 6,"));
  std::string again = read_file(home.file("Korvath/config"));
  EXPECT_TRUE(contains(again, "\nmodel_texture_detail=4.000000\n"));
  EXPECT_FALSE(contains(again, "garbage"));
  ASSERT_EQ(run_korvath({"--debug", "--texture-detail=1"}, e, home.path).exit_code, 0);
  EXPECT_TRUE(contains(read_file(home.file("run.log")), "texture detail 1,"));
}

}  // namespace

namespace {

TEST_F(startup_fixture, default_track_of_the_kit_loads_and_runs_without_warnings) {
  make_game_root(root.path, {});
  write_file(home.file("quit.txt"), "1 quit\n");
  std::string log = home.file("run.log");
  run_result r = run_korvath({"--track", "dozavurozu", "--debug"},
                             {"KV_HOME=" + root.path, "KOBA_LOGFILE=" + log,
                              "KOBA_OPTIONS=[video:headless][script:" + home.file("quit.txt") + "]"},
                             home.path);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::string text = read_file(log);
  EXPECT_TRUE(contains(text, "Loading 'dozavurozu'")) << text;
  EXPECT_TRUE(contains(text, "timing gates")) << text;
  EXPECT_FALSE(contains(text, "Warning")) << text;
  EXPECT_FALSE(contains(text, "Can't")) << text;
  EXPECT_TRUE(contains(text, "Finished deallocating track"));
}

}  // namespace

namespace {

// The title-screen robot rides the default course: with warp, laps go by in seconds.
TEST_F(startup_fixture, title_screen_robot_rides_laps) {
  make_game_root(root.path, {});
  write_file(home.file("quit.txt"), "8 quit\n");
  std::string log = home.file("run.log");
  run_result r = run_korvath({"--track", "dozavurozu", "--debug", "--warp"},
                             {"KV_HOME=" + root.path, "KOBA_LOGFILE=" + log,
                              "KOBA_OPTIONS=[video:headless][script:" + home.file("quit.txt") + "]"},
                             home.path);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(contains(read_file(log), "Slot 0 completed lap 1 in ")) << read_file(log);
}

}  // namespace
