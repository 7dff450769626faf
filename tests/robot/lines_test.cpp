// The line store: the lines file both ways, damaged files, scores, eviction,
// thinning and route planning on small hand-made stores.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "data/data.h"
#include "robot/lines.h"
#include "support/test_env.h"

namespace {

// A straight line of n points heading +x from (x0, z0) at a steady speed.
std::vector<line_point> straight(float x0, float z0, int n, float speed = 30, float dx = 7.5f, float dz = 0) {
  std::vector<line_point> p;
  for (int i = 0; i < n; i++) p.push_back({x0 + dx * i, 1.5f, z0 + dz * i, speed, 0.1f * i});
  return p;
}

int32_t add(int32_t group, int32_t slot, const std::vector<line_point> &p, int32_t t2 = 1000) {
  return line_add(group, slot, p.data(), (int32_t)p.size(), t2 / 2, t2);
}

bool read_text(const std::string &text) {
  temp_dir dir;
  write_file(dir.file("lines"), text);
  data_stream *s = data_open(dir.file("lines").c_str(), "rb");
  bool ok = lines_read(s);
  data_close(s);
  return ok;
}

struct LinesTest : ::testing::Test {
  void SetUp() override { lines_prepare_counts(1, 2); }
  void TearDown() override { lines_clear(); }
};

TEST_F(LinesTest, RoundTripKeepsPointsAndStatistics) {
  add(0, 0, straight(0, 0, 3));
  add(2, 0, straight(10, 5, 4, -12.5f));
  riding_line *l = line_slot(2, 0);
  l->count = 7, l->best1 = 300, l->best2 = 600, l->sum1 = 2100, l->sum2 = 4200, l->fails = 2;
  add(2, 1, straight(10, 9, 2));

  temp_dir dir;
  data_stream *s = data_open(dir.file("lines").c_str(), "wb");
  ASSERT_TRUE(lines_write(s));
  data_close(s);
  std::string text = read_file(dir.file("lines"));
  EXPECT_EQ(text.substr(0, 24), "ct03 3\n1\n3 500 1000 0 10");
  EXPECT_NE(text.find("[10.000000 1.500000 5.000000] -12.500000 0.000000\n"), std::string::npos);

  int32_t old_id = line_slot(2, 0)->line_id;
  lines_empty();
  s = data_open(dir.file("lines").c_str(), "rb");
  ASSERT_TRUE(lines_read(s));
  data_close(s);
  EXPECT_EQ(lines_in_group(0), 1);
  EXPECT_EQ(lines_in_group(1), 0);
  EXPECT_EQ(lines_in_group(2), 2);
  l = line_slot(2, 0);
  ASSERT_EQ(l->n, 4);
  EXPECT_EQ(l->t1, 500);
  EXPECT_EQ(l->t2, 1000);
  EXPECT_EQ(l->count, 7);
  EXPECT_EQ(l->best1, 300);
  EXPECT_EQ(l->sum2, 4200);
  EXPECT_EQ(l->fails, 2);
  EXPECT_EQ(l->last_picked, LINE_UNPICKED);
  EXPECT_GT(l->line_id, old_id);
  EXPECT_FLOAT_EQ(l->points[3].x, 32.5f);
  EXPECT_FLOAT_EQ(l->points[3].speed, -12.5f);
  EXPECT_FLOAT_EQ(l->points[2].lean, 0.2f);
}

TEST_F(LinesTest, FileForOtherGateCountIsIgnored) {
  EXPECT_FALSE(read_text("ct03 4\n0\n0\n0\n0\n"));
  EXPECT_FALSE(read_text("ct02 3\n0\n0\n0\n"));
  EXPECT_FALSE(read_text(""));
  for (int g = 0; g < 3; g++) EXPECT_EQ(lines_in_group(g), 0);
}

const char *const POINT = "[1 2 3] 20 0\n";

std::string entry(const char *stats, int points, const char *bad_point = nullptr) {
  std::string e = std::string(stats) + "\n";
  for (int i = 0; i < points; i++) e += (bad_point && i == 1) ? bad_point : POINT;
  return e;
}

TEST_F(LinesTest, DamagedEntriesAreSkippedOrEndTheReading) {
  // A malformed point empties its slot; the next entry still lands in slot 0.
  ASSERT_TRUE(read_text("ct03 3\n2\n" + entry("3 1 2 0 0 0 0 0 0", 3, "[1 x 3] 20 0\n") +
                        entry("2 5 6 0 0 0 0 0 0", 2) + "0\n0\n"));
  EXPECT_EQ(lines_in_group(0), 1);
  EXPECT_EQ(line_slot(0, 0)->n, 2);
  EXPECT_EQ(line_slot(0, 0)->t1, 5);

  // Negative or huge point counts end the reading at that entry.
  for (const char *bad : {"-3 1 2 0 0 0 0 0 0", "900000000 1 2 0 0 0 0 0 0"}) {
    ASSERT_TRUE(read_text("ct03 3\n2\n" + entry("2 1 2 0 0 0 0 0 0", 2) + entry(bad, 0) + "1\n" +
                          entry("2 1 2 0 0 0 0 0 0", 2) + "0\n"));
    EXPECT_EQ(lines_in_group(0), 1) << bad;
    EXPECT_EQ(lines_in_group(1), 0) << bad;
  }

  // Negative statistics read as 0; a file that ends early keeps what was read.
  ASSERT_TRUE(read_text("ct03 3\n1\n" + entry("2 -5 -6 -1 -2 -3 -4 -5 -9", 2) + "1\n2 1 2 0"));
  const riding_line *l = line_slot(0, 0);
  EXPECT_EQ(l->t1, 0);
  EXPECT_EQ(l->t2, 0);
  EXPECT_EQ(l->count, 0);
  EXPECT_EQ(l->sum2, 0);
  EXPECT_EQ(l->fails, 0);
  EXPECT_EQ(line_score(l), 0);
  EXPECT_EQ(lines_in_group(1), 0);
}

TEST_F(LinesTest, OversizedStatisticsAreHalvedKeepingAverages) {
  ASSERT_TRUE(read_text("ct03 3\n1\n" + entry("2 1 2 200000 5 10 1000000000 2000000000 70000", 2) + "0\n0\n"));
  const riding_line *l = line_slot(0, 0);
  EXPECT_LE(l->count, 65535);
  EXPECT_LE(l->sum2, 100000000);
  EXPECT_LE(l->fails, 65535);
  EXPECT_NEAR((double)l->sum2 / l->count, 10000.0, 2);
  EXPECT_NEAR((double)l->sum1 / l->count, 5000.0, 2);
}

TEST_F(LinesTest, EntriesBeyondTheSlotsAreReadAndDropped) {
  std::string text = "ct03 3\n47\n";
  for (int i = 0; i < 47; i++) text += entry("2 1 2 0 0 0 0 0 0", 2);
  ASSERT_TRUE(read_text(text + "1\n" + entry("2 7 8 0 0 0 0 0 0", 2) + "0\n"));
  EXPECT_EQ(lines_in_group(0), LINE_SLOTS);
  ASSERT_EQ(lines_in_group(1), 1);
  EXPECT_EQ(line_slot(1, 0)->t1, 7);
}

TEST(LineScore, TableOfCases) {
  struct {
    int32_t t2, count, sum2, fails, expected;
  } cases[] = {
      {1000, 0, 0, 0, 1250},                  // untested: t2 * 5/4
      {1000, 0, 0, 3, 1250 + FAIL_PENALTY},   // untested with fails
      {1000, 4, 4000, 0, 1000},               // average two-section time
      {1000, 3, 3000, 1, 1000 + 640 / 4},     // plus the share of fails
      {2000000000, 0, 0, 0, 2147483647},      // saturates instead of wrapping
  };
  for (auto &c : cases) {
    riding_line l{};
    std::vector<line_point> p = straight(0, 0, 2);
    l.points = p.data(), l.n = 2, l.t2 = c.t2, l.count = c.count, l.sum2 = c.sum2, l.fails = c.fails;
    EXPECT_EQ(line_score(&l), c.expected) << c.t2 << " " << c.count << " " << c.fails;
  }
}

TEST(LineCost, RulesAndExploration) {
  riding_line l{};
  std::vector<line_point> p = straight(0, 0, 2);
  l.points = p.data(), l.n = 2;
  // Never ridden: unrecommendable under 0-2, free to explore.
  EXPECT_EQ(line_cost(&l, 0), 1000000);
  EXPECT_EQ(line_cost(&l, 2), 1000000);
  EXPECT_EQ(line_cost(&l, 3), 0);
  l.count = 4, l.sum1 = 4000, l.fails = 1;
  EXPECT_EQ(line_cost(&l, 0), 1000000);  // fewer than 5 runs
  EXPECT_DOUBLE_EQ(line_cost(&l, 2), 1000 + 0.8 * 640);
  EXPECT_DOUBLE_EQ(line_cost(&l, 3), 1000.0 * (4 + 4));  // 4 + 4*1 = 8: four binary digits
  l.count = 5, l.sum1 = 5000, l.fails = 0;
  EXPECT_DOUBLE_EQ(line_cost(&l, 0), 1000);
  l.count = 1, l.fails = 6;
  EXPECT_EQ(line_cost(&l, 3), 100000);  // failing lines are avoided
}

TEST_F(LinesTest, EvictionSparesReliableLinesWhileFewAndFavoursCrowdedOnes) {
  // Three untested lines, two of them starting at the same place: the slowest
  // crowded one goes, since a distinct line's score is discounted by a quarter.
  add(0, 0, straight(0, 0, 3), 1000);
  add(0, 1, straight(0, 0.5f, 3), 1100);
  add(0, 2, straight(0, 30, 3), 1400);  // 1750 * 3/4 = 1312 < 1375
  EXPECT_EQ(pick_line_to_evict(0), 1);
  // A reliable line is never chosen while 22 or fewer are reliable.
  line_slot(0, 1)->count = 3, line_slot(0, 1)->sum2 = 99999;
  EXPECT_EQ(pick_line_to_evict(0), 2);
  for (int i = 0; i < 3; i++) line_slot(0, i)->count = 1, line_slot(0, i)->sum2 = 100;
  EXPECT_EQ(pick_line_to_evict(0), -1);
  EXPECT_EQ(pick_line_to_evict(7), -1);
}

// n lines in group 0: every fourth one runs diagonally across the others.
void fill_group(int n) {
  for (int i = 0; i < n; i++) {
    if (i % 4 == 3)
      add(0, i, straight(0, -10, 6, 30, 7.5f, 8), 1000 + i);
    else
      add(0, i, straight(0, 3.0f * i, 6), 1000 + i);
  }
}

TEST_F(LinesTest, ThinningRemovesTwoAtATimeBelowFortyFour) {
  struct {
    int before, after;
  } cases[] = {{45, 43}, {44, 42}, {43, 43}};
  for (auto &c : cases) {
    lines_empty();
    fill_group(c.before);
    lines_thin();
    EXPECT_EQ(lines_in_group(0), c.after) << c.before;
  }
  // The first removal is a crossing line (crossed by the most others).
  lines_empty();
  fill_group(44);
  prune_crossing_lines(0);
  int diagonals = 0;
  for (int i = 0; i < 44; i++)
    if (i % 4 == 3 && line_slot(0, i)->n > 0) diagonals++;
  EXPECT_EQ(diagonals, 10);
}

TEST_F(LinesTest, RoutePlannerFollowsCheapestConnectedChain) {
  // Two parallel tracks of lines 10 ft apart through first-lap group 0 and the
  // normal groups 1, 2; each line ends on a straight arc that the next line of
  // its own track continues. The normal lap closes (group 2 -> group 1) on
  // each track since the centre of a straight line is far away.
  for (int track = 0; track < 2; track++) {
    float z = 10.0f * track;
    for (int g = 0; g < 3; g++) {
      add(g, track, straight(30.0f * g, z, 4));
      riding_line *l = line_slot(g, track);
      l->count = 6, l->sum1 = track == 0 ? 900 : 600, l->sum2 = 2 * l->sum1;
    }
  }
  ASSERT_TRUE(plan_recommended_lines(0));
  for (int g = 0; g < 3; g++) EXPECT_EQ(recommended_line(0, g), line_slot(g, 1)->line_id) << g;

  // Track 1 fails a lot: under rule 2 the fail penalty makes track 0 cheaper.
  for (int g = 0; g < 3; g++) line_slot(g, 1)->fails = 6;
  ASSERT_TRUE(plan_recommended_lines(2));
  for (int g = 0; g < 3; g++) EXPECT_EQ(recommended_line(2, g), line_slot(g, 0)->line_id) << g;

  // With fewer than 5 runs a line on the route is never recommended.
  for (int g = 0; g < 3; g++) line_slot(g, 0)->count = 4, line_slot(g, 1)->count = 0;
  ASSERT_TRUE(plan_recommended_lines(2));
  for (int g = 0; g < 3; g++) EXPECT_EQ(recommended_line(2, g), 0);
}

TEST(LineConnection, ArcRadiusCurvatureAndSpeed) {
  // P ends on a circle of radius 50 about the origin, heading anticlockwise.
  auto arc = [](double a0, int n, float speed, double radius = 50) {
    std::vector<line_point> p;
    for (int i = 0; i < n; i++) {
      double a = a0 + 0.15 * i;
      p.push_back({(float)(radius * std::cos(a)), 0, (float)(radius * std::sin(a)), speed, 0});
    }
    return p;
  };
  std::vector<line_point> pp = arc(0, 3, 40);
  riding_line p{};
  p.points = pp.data(), p.n = 3;
  struct {
    double radius;
    float speed;
    bool connects;
  } cases[] = {{50, 40, true}, {52, 40, true}, {53, 40, false}, {47, 40, false}, {50, 24, false}, {50, 25, true}};
  for (auto &c : cases) {
    std::vector<line_point> qq = arc(0.45, 2, c.speed, c.radius);
    riding_line q{};
    q.points = qq.data(), q.n = 2;
    EXPECT_EQ(line_connects(&p, &q), c.connects) << c.radius << " " << c.speed;
  }
  // Q's second point moving 3 ft off the circle breaks the curvature match.
  std::vector<line_point> qq = arc(0.45, 2, 40);
  qq[1].x *= 1.06f, qq[1].z *= 1.06f;
  riding_line q{};
  q.points = qq.data(), q.n = 2;
  EXPECT_FALSE(line_connects(&p, &q));
}

TEST(LinesFile, SavedUnderPersonalFolderAndLoadedBack) {
  temp_dir home;
  scoped_env xdg("XDG_DATA_HOME", home.path.c_str());
  scoped_env kv("KV_HOME", home.path.c_str());
  data_reset();
  lines_prepare_counts(1, 1);
  std::vector<line_point> p = straight(0, 0, 3);
  line_add(1, 0, p.data(), 3, 100, 200);
  snprintf(lines.track, sizeof lines.track, "%s", "sometrack");
  lines.skill = 2;
  ASSERT_TRUE(lines_save(nullptr));
  EXPECT_EQ(lines_in_group(1), 0);  // saving empties the store
  data_reset();
  data_stream *s = data_open("@sometrack/lines_expert", "rb");
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(lines_read(s));
  data_close(s);
  EXPECT_EQ(lines_in_group(1), 1);
  lines_clear();
  data_reset();
}

}  // namespace

#include "robot/autopilot.h"
#include "robot/robot_hooks.h"
#include "sim/collisions.h"

TEST(robot_collisions, a_collision_forgets_both_riders_followed_lines) {
  robot_hooks_install();
  ASSERT_NE(forget_followed_lines_hook, nullptr);
  for (int s : {3, 7})
    for (int32_t &id : robot_states[s].followed) id = 11;
  forget_followed_lines_hook(3);
  forget_followed_lines_hook(-1);  // out of range: ignored
  for (int32_t id : robot_states[3].followed) EXPECT_EQ(id, 0);
  for (int32_t id : robot_states[7].followed) EXPECT_EQ(id, 11);
  for (int32_t &id : robot_states[7].followed) id = 0;
}
