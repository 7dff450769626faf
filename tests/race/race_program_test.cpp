// The game sets up its start-up race headless, and korvath-race runs one.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/test_env.h"

namespace {

TEST(race_program, start_up_track_sets_up_a_race_with_the_gate_drop_13_to_15_s_in) {
  temp_dir home, root;
  make_game_root(root.path, {});
  write_file(home.file("quit.txt"), "0.5 quit\n");
  std::string log = home.file("run.log");
  run_result r = run_korvath({"--track", "dozavurozu", "--debug"},
                             {"KV_HOME=" + root.path, "KOBA_LOGFILE=" + log,
                              "KOBA_OPTIONS=[video:headless][script:" + home.file("quit.txt") + "]"},
                             home.path);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string text = read_file(log);
  const std::string marker = "Race set up on 'dozavurozu', gate drop at tick ";
  size_t at = text.find(marker);
  ASSERT_NE(at, std::string::npos) << text;
  int tick = atoi(text.c_str() + at + marker.size());
  EXPECT_GE(tick, 13 * 128);
  EXPECT_LT(tick, 15 * 128);
  for (const char *step : {"Resetting...", "Remembering lines...", "Loading bikes...", "Deallocating bikes"})
    EXPECT_NE(text.find(step), std::string::npos) << step;
}

}  // namespace

namespace {

struct runner_result {
  int status;
  std::string out;
};

// Runs korvath-race from this build with the given arguments (standard
// error joined to the output); the personal folder is `home`.
runner_result run_runner(const std::string &home, const std::string &args) {
  std::string cmd = "XDG_DATA_HOME='" + home + "' KOBA_LOGFILE='" + home + "/log' '" KV_BUILD_DIR
                    "/tools/race/korvath-race' " + args + " 2>&1";
  runner_result r = {-1, ""};
  FILE *p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string human_line(const std::string &out) {
  size_t at = out.find("slot 0 human");
  return at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
}

TEST(race_program, runner_moves_the_scripted_rider_and_reports) {
  if (!file_exists(KV_BUILD_DIR "/tools/race/korvath-race")) GTEST_SKIP() << "korvath-race not built";
  temp_dir home;
  write_file(home.file("throttle.txt"), "15 press x\n25 release x\n");
  write_file(home.file("idle.txt"), "# nothing\n");
  runner_result ridden = run_runner(home.path, "--script '" + home.file("throttle.txt") + "' --robots 1 --ticks 4000 --seed 7");
  runner_result idle = run_runner(home.path, "--script '" + home.file("idle.txt") + "' --robots 1 --ticks 4000 --seed 7");
  ASSERT_EQ(ridden.status, 0) << ridden.out;
  ASSERT_EQ(idle.status, 0) << idle.out;
  EXPECT_NE(ridden.out.find("gate drop at 1"), std::string::npos) << ridden.out;
  EXPECT_NE(ridden.out.find("slot 1 robot"), std::string::npos) << ridden.out;
  EXPECT_NE(ridden.out.find("simulated 31.250 s"), std::string::npos) << ridden.out;
  // Same seed, same start; only the keys differ.
  EXPECT_NE(human_line(ridden.out), human_line(idle.out));
  EXPECT_FALSE(human_line(idle.out).empty());

  EXPECT_EQ(run_runner(home.path, "--track nowhere --robots 1").status, 1);
  EXPECT_EQ(run_runner(home.path, "--laps x").status, 2);
  EXPECT_EQ(run_runner(home.path, "").status, 2);  // nobody to race
}

}  // namespace
