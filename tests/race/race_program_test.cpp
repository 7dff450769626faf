// The game sets up its start-up race headless, and korvath-race runs one.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_env.h"
#include "track/terrain_files.h"

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
runner_result run_runner(const std::string &home, const std::string &args, const std::string &env = "") {
  std::string cmd = env + "XDG_DATA_HOME='" + home + "' KOBA_LOGFILE='" + home + "/log' '" KV_BUILD_DIR
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

// A drag strip: flat ground, six start positions on z = 230 facing -z, the
// first lap ending at a checkpoint 50 ft on and every later lap at one 150 ft
// on, so that a straight run times two laps.
void write_drag_strip(const std::string &root) {
  const std::string dir = root + "/strip/";
  std::vector<uint16_t> flat(129 * 129, 0);
  write_terrain_raw((dir + "terrain.hf").c_str(), 6, 2, 0, 10, flat.data());
  std::vector<unsigned char> shade(129 * 129 * 3, 64), tiles(64 * 64, 0);
  write_shading((dir + "shading.ppm").c_str(), shade.data(), 129, true);
  tileinfo_surface dirt = {};
  dirt.texture = "@dirt.png";
  write_tileinfo((dir + "tileinfo").c_str(), &dirt, 1);
  write_tilemap((dir + "tilemap").c_str(), tiles.data(), (int)tiles.size());
  std::string gates = "startinggate:\n";
  for (int k = 0; k < 6; k++) gates += "[" + std::to_string(100 + 10 * k) + " 0 230] 0\n";
  gates += "checkpoints:\n20 [100 0 180] [0 0 -1]\n20 [100 0 80] [0 0 -1]\nfirstlap:\n0\nnormallap:\n1\n";
  write_file(dir + "timing_gates", gates);
}

TEST(race_program, runner_times_the_laps_of_a_scripted_rider) {
  if (!file_exists(KV_BUILD_DIR "/tools/race/korvath-race")) GTEST_SKIP() << "korvath-race not built";
  temp_dir home, root;
  make_game_root(root.path, {});
  write_drag_strip(root.path);
  // Full throttle from 16 s (the gate is down by 15 s), brakes from 26 s.
  write_file(home.file("drag.txt"), "16 press x\n26 release x\n26 press c\n26 press v\n");
  runner_result r = run_runner(home.path, "--track strip --laps 2 --ticks 5000 --script '" + home.file("drag.txt") +
                                              "'", "KV_HOME='" + root.path + "' ");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(human_line(r.out).find("gates 2, laps 2, position 1, finished"), std::string::npos) << r.out;
  double drop = 0, lap1 = 0, lap2 = 0;
  ASSERT_EQ(sscanf(r.out.c_str(), "gate drop at %lf", &drop), 1) << r.out;
  size_t at = r.out.find("  lap 1 ");
  ASSERT_NE(at, std::string::npos) << r.out;
  ASSERT_EQ(sscanf(r.out.c_str() + at, "  lap 1 %lf s\n  lap 2 %lf s", &lap1, &lap2), 2) << r.out;
  // From the drop: the rider waits until 16 s, then covers 50 ft from a
  // standstill; the second lap is the next 100 ft at speed.
  EXPECT_GT(lap1, 16 - drop + 1);
  EXPECT_LT(lap1, 16 - drop + 5);
  EXPECT_GT(lap2, 1);
  EXPECT_LT(lap2, lap1);
}

// The built-in test rider follows the default track's riding lines round a lap.
TEST(race_program, test_rider_laps_the_default_track) {
  if (!file_exists(KV_BUILD_DIR "/tools/race/korvath-race")) GTEST_SKIP() << "korvath-race not built";
  temp_dir home;
  runner_result r = run_runner(home.path, "--test-rider --laps 1 --ticks 38400");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(human_line(r.out).find("laps 1, position 1, finished"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  lap 1 "), std::string::npos) << r.out;
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
