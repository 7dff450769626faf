// The data generator: byte-identical runs, the generated tracks loading with
// the game's own terrain code and agreeing with their design, the timing
// gates, and the bike shapes at rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "data/data.h"
#include "datakit.h"
#include "kit_names.h"
#include "sim/bike_spec.h"
#include "sim/shape.h"
#include "support/test_env.h"
#include "race/timing.h"
#include "race/timing_gates.h"
#include "track/heightfield.h"

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> read_tree(const std::string &root) {
  std::map<std::string, std::string> files;
  for (const auto &e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = read_file(e.path().string());
  return files;
}

// One generated tree shared by the tests below.
class Kit : public ::testing::Test {
 protected:
  static temp_dir *dir;
  static scoped_env *home;
  static bool written;
  static void SetUpTestSuite() {
    dir = new temp_dir;
    home = new scoped_env("XDG_DATA_HOME", (dir->path + "/home").c_str());
    written = datakit_write_tree((dir->path + "/kit").c_str());
  }
  static void TearDownTestSuite() {
    delete home;
    delete dir;
    home = nullptr;
    dir = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(written);
    data_reset();
  }
  void TearDown() override {
    heightfield_release();
    timing_gates_reset();
  }
  std::string track(const course_design *d) { return dir->path + "/kit/" + d->name; }
};
temp_dir *Kit::dir = nullptr;
scoped_env *Kit::home = nullptr;
bool Kit::written = false;

struct built {
  course c;
  bool ok;
};
// Signed arc length from a to b on the loop, the shorter way round.
float loop_gap(const course &c, float a, float b) {
  float d = std::fmod(b - a + 2 * c.loop.length, c.loop.length);
  return d > c.loop.length / 2 ? d - c.loop.length : d;
}

built build(const course_design *d) {
  built b;
  b.ok = course_build(d, &b.c);
  return b;
}

}  // namespace

TEST(DatakitProgram, TwoRunsWriteIdenticalTrees) {
  temp_dir a, b;
  scoped_env home("XDG_DATA_HOME", a.path.c_str());
  for (const std::string &out : {a.path + "/one", b.path + "/two"}) {
    std::string cmd = std::string(KV_DATAKIT) + " " + out;
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }
  auto one = read_tree(a.path + "/one"), two = read_tree(b.path + "/two");
  ASSERT_FALSE(one.empty());
  EXPECT_TRUE(one.count(std::string(KIT_DEFAULT_TRACK) + "/" + KIT_TERRAIN_FILE));
  EXPECT_TRUE(one.count(KIT_FRAME_SHAPE));
  ASSERT_EQ(one.size(), two.size());
  for (const auto &[name, bytes] : one) {
    auto it = two.find(name);
    ASSERT_NE(it, two.end()) << name;
    EXPECT_TRUE(bytes == it->second) << name << " differs between runs";
  }
}

TEST(DatakitProgram, RefusesAMissingArgument) {
  std::string cmd = std::string(KV_DATAKIT) + " >/dev/null 2>&1";
  EXPECT_NE(std::system(cmd.c_str()), 0);
}

// Both tracks load with the game's terrain code, the centre lines lie on the
// designed bed, and the track's surfaces are where the design puts them.
TEST_F(Kit, TracksLoadAndFollowTheirBed) {
  for (int i = 0; i < course_design_count(); i++) {
    const course_design *d = course_design_at(i);
    SCOPED_TRACE(d->name);
    built b = build(d);
    ASSERT_TRUE(b.ok);
    ASSERT_TRUE(heightfield_load(track(d).c_str()));
    EXPECT_EQ(terrain.size_shift, d->size_shift);
    EXPECT_FLOAT_EQ(terrain.extent, b.c.extent);
    EXPECT_EQ(terrain.surface_count, SURF_COUNT);

    int dirt = 0, checked = 0;
    for (const course_path *p : {&b.c.loop, &b.c.straight}) {
      for (float s = 0; s < p->length; s += 5) {
        path_sample q = course_sample_at(p, s);
        ASSERT_NEAR(height_at(q.x, q.z), course_bed_height(p, s, 0), 0.05f) << "s " << s;
        int surface = surface_at(q.x, q.z);
        // Tiles are 4 ft: leave the edges of flagged stretches alone.
        if (course_sample_at(p, s - 4).flags != q.flags || course_sample_at(p, s + 4).flags != q.flags) continue;
        checked++;
        if (q.flags & SAMPLE_HARDPACK)
          EXPECT_EQ(surface, SURF_HARDPACK) << "s " << s;
        else if (q.flags & SAMPLE_SAND)
          EXPECT_EQ(surface, SURF_SAND) << "s " << s;
        else if (surface == SURF_DIRT || surface == SURF_DIRT_ALT)
          dirt++;
        else
          EXPECT_EQ(surface, SURF_BERM) << "s " << s;  // only a berm's raised outside may differ
      }
    }
    EXPECT_GT(dirt, checked / 2);
    // Off the course: grass.
    int far = surface_at(4, 4);
    EXPECT_TRUE(far == SURF_GRASS || far == SURF_GRASS_ALT);
    heightfield_release();
  }
}

// The default track's layout: lap length, track width, and every track edge
// inside the object area (the central 75% of the square).
TEST_F(Kit, DefaultCourseLayout) {
  built b = build(course_design_at(0));
  ASSERT_TRUE(b.ok);
  EXPECT_STREQ(b.c.design->name, KIT_DEFAULT_TRACK);
  EXPECT_GE(b.c.loop.length, 3000.0f);
  EXPECT_LE(b.c.loop.length, 4000.0f);
  EXPECT_FLOAT_EQ(2 * b.c.design->half_width, 24.0f);
  const float lo = 0.125f * b.c.extent, hi = 0.875f * b.c.extent;
  for (const course_path *p : {&b.c.loop, &b.c.straight})
    for (const path_sample &q : p->pts)
      for (float side : {-1.0f, 1.0f}) {
        float x = q.x - q.tz * q.half_width * side, z = q.z + q.tx * q.half_width * side;
        ASSERT_TRUE(x > lo && x < hi && z > lo && z < hi) << "edge at " << x << ", " << z;
      }
  // Stretches of the loop that are far apart along it stay apart on the ground.
  for (size_t i = 0; i < b.c.loop.pts.size(); i += 4)
    for (size_t j = i; j < b.c.loop.pts.size(); j += 4) {
      float along = std::fabs(b.c.loop.pts[i].s - b.c.loop.pts[j].s);
      along = std::min(along, b.c.loop.length - along);
      if (along < 150) continue;
      float d = std::hypot(b.c.loop.pts[i].x - b.c.loop.pts[j].x, b.c.loop.pts[i].z - b.c.loop.pts[j].z);
      ASSERT_GT(d, 2 * b.c.design->half_width + 30) << "s " << b.c.loop.pts[i].s << " and " << b.c.loop.pts[j].s;
    }
  // The display name is written.
  EXPECT_EQ(read_file(track(b.c.design) + "/" + KIT_DESC_FILE), std::string(b.c.design->title) + "\n");
}

// At design speed the bed never curves enough to lift the bike off.
TEST_F(Kit, BedIsRideableAtDesignSpeed) {
  for (int i = 0; i < course_design_count(); i++) {
    built b = build(course_design_at(i));
    ASSERT_TRUE(b.ok);
    bool has_feature = false;
    for (const course_path *p : {&b.c.loop, &b.c.straight}) {
      const float h = 2.0f;
      for (float s = h; s < p->length - h; s += 1) {
        float k = (course_bed_height(p, s + h, 0) - 2 * course_bed_height(p, s, 0) + course_bed_height(p, s - h, 0)) /
                  (h * h);
        float v = course_sample_at(p, s).speed;
        ASSERT_LT(std::fabs(k) * v * v, RIDEABLE_ACCEL) << b.c.design->name << " s " << s;
        if (course_bed_height(p, s, 0) - course_bed_height(p, s - 40, 0) > 2) has_feature = true;
      }
    }
    EXPECT_TRUE(has_feature) << "no jump on " << b.c.design->name;
  }
}

TEST_F(Kit, TimingGatesDescribeTheCourse) {
  for (int i = 0; i < course_design_count(); i++) {
    const course_design *d = course_design_at(i);
    SCOPED_TRACE(d->name);
    built b = build(d);
    ASSERT_TRUE(b.ok);
    ASSERT_TRUE(heightfield_load(track(d).c_str()));
    timing_gates_load((track(d) + "/" + KIT_GATES_FILE).c_str());
    const timing_course &g = race_course;
    ASSERT_TRUE(g.active);

    // Start positions: one row, far enough apart, centred on the straight.
    ASSERT_EQ(g.start_count, d->start_positions);
    for (int k = 1; k < g.start_count; k++)
      EXPECT_GE(std::hypot(g.starts[k].position[0] - g.starts[k - 1].position[0],
                           g.starts[k].position[2] - g.starts[k - 1].position[2]),
                4.5f);
    float mid = 0.5f * (g.starts[0].position[2] + g.starts[g.start_count - 1].position[2]);
    EXPECT_NEAR(mid, d->start_z, 0.01f);
    for (int k = 0; k < g.start_count; k++) {
      const start_position &s = g.starts[k];
      EXPECT_NEAR(-std::sin(s.heading), 1.0f, 1e-5f);  // facing down the straight (+x)
      EXPECT_NEAR(height_at(s.position[0], s.position[2]), s.position[1], 0.01f);  // the pad is level at 0
    }

    // Checkpoints and laps: both laps end on the finish line (checkpoint 0).
    int loop = d->loop_gates, total = g.gate_count;
    if (i == 0) {
      EXPECT_GE(loop, 10);
      EXPECT_LE(loop, 16);
    }
    EXPECT_GE(total - loop, 1);
    EXPECT_LE(total - loop, 2);
    ASSERT_GE(g.first_count, 3);
    ASSERT_GE(g.normal_count, 1);
    EXPECT_EQ(g.sequence[g.first_count - 1], 0);
    EXPECT_EQ(g.sequence[g.first_count + g.normal_count - 1], 0);
    EXPECT_EQ(g.first_segments, g.first_count);
    EXPECT_EQ(g.normal_segments, g.normal_count);

    // Each disc is smaller than half the distance to any other stretch: any
    // centre-line point more than a few radii away along the track network.
    for (int k = 0; k < total; k++) {
      const timing_gate &gate = g.gates[k];
      const float c[4] = {gate.radius, gate.position[0], gate.position[1], gate.position[2]};
      const course_path *own = k < loop ? &b.c.loop : &b.c.straight;
      float best = 1e9f, at_s = 0;
      for (const path_sample &q : own->pts) {
        float e = std::hypot(q.x - c[1], q.z - c[3]);
        if (e < best) best = e, at_s = q.s;
      }
      ASSERT_LT(best, 1.0f) << "gate " << k << " is off its centre line";
      auto along = [&](const course_path *p, float s) {
        float to_join_own = own == &b.c.loop ? std::fabs(loop_gap(b.c, at_s, b.c.join_s)) : b.c.straight.length - at_s;
        if (p == own) return own == &b.c.loop ? std::fabs(loop_gap(b.c, at_s, s)) : std::fabs(at_s - s);
        float to_join = p == &b.c.loop ? std::fabs(loop_gap(b.c, s, b.c.join_s)) : b.c.straight.length - s;
        return to_join_own + to_join;
      };
      for (const course_path *p : {&b.c.loop, &b.c.straight})
        for (const path_sample &q : p->pts)
          if (along(p, q.s) > 4 * c[0]) {
            ASSERT_GT(std::hypot(q.x - c[1], q.z - c[3]), 2 * c[0]) << "gate " << k << " near s " << q.s;
          }
    }

    // A bike's front wheel moved along the centre lines in race order crosses
    // every gate in turn and completes two laps.
    timing_set_present(0, true);
    timing_bikes_reset();
    race_timing.race_laps = 3;  // no finish during the two laps
    int32_t tick = 0;
    auto ride = [&](const course_path *p, float from, float to) {
      for (float s = from; s <= to; s += 0.5f) {
        path_sample q = course_sample_at(p, s);
        timing_update_at(0, q.x, q.z, ++tick);
      }
    };
    ride(&b.c.straight, b.c.start_line_s, b.c.straight.length);
    float to_finish = std::fmod(b.c.finish_s - b.c.join_s + b.c.loop.length, b.c.loop.length);
    ride(&b.c.loop, b.c.join_s, b.c.join_s + to_finish + 1);
    EXPECT_EQ(race_timing.bikes[0].gates_passed, g.first_count);
    ride(&b.c.loop, b.c.finish_s + 1, b.c.finish_s + b.c.loop.length + 1);
    EXPECT_EQ(race_timing.bikes[0].gates_passed, g.first_count + g.normal_count);
    EXPECT_EQ(laps_completed(0), 2);
    for (int32_t k = 0; k < g.first_count + g.normal_count; k++) EXPECT_TRUE(has_crossing(0, k)) << k;
    timing_bike_clear(0);
    timing_set_present(0, false);
  }
}
