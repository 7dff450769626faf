// A robot alone on the kit's tracks leaves the gate, follows the shipped lines
// and finishes a clean lap: slower skills ride slower, and a fall, a stall or
// a robot that circles shows up as a lap far beyond the bound.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/test_env.h"

namespace {

// korvath-race from this build, standard error joined; `home` is the
// personal folder.
std::string run_race(const std::string &home, const std::string &args, int *status) {
  std::string cmd = "XDG_DATA_HOME='" + home + "' KOBA_LOGFILE='" + home + "/log' '" KV_BUILD_DIR
                    "/tools/race/korvath-race' " + args + " 2>&1";
  std::string out;
  *status = -1;
  FILE *p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int st = pclose(p);
  *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return out;
}

// The first lap time printed, or -1.
double first_lap(const std::string &out) {
  size_t at = out.find("  lap 1 ");
  return at == std::string::npos ? -1 : atof(out.c_str() + at + 8);
}

TEST(robot_lap, a_lone_robot_laps_each_track_at_its_skill_within_the_bound) {
  if (!file_exists(KV_BUILD_DIR "/tools/race/korvath-race")) GTEST_SKIP() << "korvath-race not built";
  struct lap_case {
    const char *track;
    int skill;
    double max_lap;  // seconds, first lap from the gate drop
  };
  // A clean lap takes about 25 / 21 s on the practice loop and 95 / 78 s on
  // the default track (novice / expert); one fall costs more than the margin.
  const lap_case cases[] = {
      {"practice", 0, 32}, {"practice", 2, 27}, {"dozavurozu", 0, 105}, {"dozavurozu", 2, 88}};
  temp_dir home;
  double laps[4];
  for (int i = 0; i < 4; i++) {
    const lap_case &c = cases[i];
    int status;
    std::string out = run_race(home.path, std::string("--track ") + c.track + " --lineup robot --laps 1 --seed 7 --skill " +
                                              std::to_string(c.skill) + " --ticks 25600",
                               &status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("laps 1, position 1, finished"), std::string::npos) << c.track << " skill " << c.skill << "\n" << out;
    laps[i] = first_lap(out);
    EXPECT_GT(laps[i], 0) << out;
    EXPECT_LT(laps[i], c.max_lap) << c.track << " skill " << c.skill;
  }
  EXPECT_GT(laps[0], laps[1]);  // novices ride slower than experts
  EXPECT_GT(laps[2], laps[3]);
}

}  // namespace
