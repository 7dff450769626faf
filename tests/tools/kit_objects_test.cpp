// The kit tracks as the game loads them: every placed object, the lighting,
// shadows and map in place without a warning, props clear of the track, the
// shading made with the lighting file's sun and the shadows, and a digest
// that does not change between generator runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "app/message_log.h"
#include "data/data.h"
#include "datakit.h"
#include "kit_names.h"
#include "platform/log.h"
#include "race/timing_gates.h"
#include "render/image.h"
#include "sim/shape.h"
#include "support/test_env.h"
#include "track/heightfield.h"
#include "track/track_load.h"

namespace {

bool generate(const std::string &out) { return datakit_write_tree(out.c_str()); }

class KitTracks : public ::testing::Test {
 protected:
  static temp_dir *dir;
  static bool written;
  static void SetUpTestSuite() {
    dir = new temp_dir;
    written = generate(dir->path + "/kit");
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }
  scoped_env xdg{"XDG_DATA_HOME", (dir->path + "/home").c_str()};
  scoped_env home{"KV_HOME", (dir->path + "/kit").c_str()};
  void SetUp() override {
    ASSERT_TRUE(written);
    data_reset();
    shape_cache_clear();
    message_log_clear();
  }
  void TearDown() override {
    track_unload();
    shape_cache_clear();
    data_reset();
  }
  static std::string kit(const std::string &rel) { return dir->path + "/kit/" + rel; }
};
temp_dir *KitTracks::dir = nullptr;
bool KitTracks::written = false;

// Log lines other than the log's own header and the track release.
std::vector<std::string> unexpected_log_lines(const std::string &text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    bool routine = false;
    for (const char *ok : {"Logfile \"", "KOBA ", "Deallocating track", "Finished deallocating track"})
      routine = routine || line.find(ok) != std::string::npos;
    if (!routine) out.push_back(line);
  }
  return out;
}

}  // namespace

TEST_F(KitTracks, LoadWithEveryObjectAndNoWarning) {
  for (int i = 0; i < course_design_count(); i++) {
    const course_design *d = course_design_at(i);
    SCOPED_TRACE(d->name);
    course c;
    ASSERT_TRUE(course_build(d, &c));
    kit_objects objects;
    objects_generate(&c, &objects);

    std::string log = dir->file(std::string("log-") + d->name + ".txt");
    {
      scoped_env logfile("KOBA_LOGFILE", log.c_str());
      log_reset();
      message_log_clear();
      ASSERT_TRUE(track_load(d->name));
      EXPECT_EQ(message_log.write_index, 0) << message_log.lines[0];

      // Start gates first, then every prop of the file, each with its shape.
      ASSERT_EQ(track_state.start_gate_count, d->start_positions);
      ASSERT_EQ(statues.count - statues.first_editable, (int)objects.statues.size());
      ASSERT_GE(objects.statues.size(), 3u);
      int arches = 0;
      for (int k = statues.first_editable; k < statues.count; k++) {
        EXPECT_NE(statues.items[k].shape, nullptr) << statues.items[k].shape_name;
        arches += strcmp(statues.items[k].model_name, KIT_ARCH_MODEL) == 0;
      }
      EXPECT_EQ(arches, 1);
      EXPECT_GE(billboards.count - billboards.first_editable, 5);
      EXPECT_EQ(billboards.count - billboards.first_editable, (int)objects.billboards.size());

      // Start flagger, lap board and the jump flaggers, each watching a checkpoint.
      EXPECT_GE(track_flaggers.starter.billboard, 0);
      EXPECT_GE(track_flaggers.board.billboard, 0);
      ASSERT_GE(track_flaggers.count, 1);
      EXPECT_EQ(track_flaggers.count, (int)objects.flaggers.size());
      for (int k = 0; k < track_flaggers.count; k++) {
        EXPECT_GE(track_flaggers.items[k].gates[0], 0);
        EXPECT_LT(track_flaggers.items[k].gates[0], d->loop_gates);
      }

      // Lighting: the kit sun, a direction flare on it, the haze.
      float len = std::sqrt(KIT_SUN_VECTOR[0] * KIT_SUN_VECTOR[0] + KIT_SUN_VECTOR[1] * KIT_SUN_VECTOR[1] +
                            KIT_SUN_VECTOR[2] * KIT_SUN_VECTOR[2]);
      for (int k = 0; k < 3; k++) {
        EXPECT_NEAR(track_lighting.sun_vector[k], KIT_SUN_VECTOR[k] / len, 1e-5f);
        EXPECT_FLOAT_EQ(track_lighting.sun_color[k], KIT_SUN_COLOR[k]);
        EXPECT_FLOAT_EQ(track_lighting.ambient[k], KIT_AMBIENT[k]);
      }
      ASSERT_EQ(track_lighting.flare_count, 1);
      EXPECT_EQ(track_lighting.flares[0].kind, FLARE_VECTOR);
      EXPECT_GE(track_lighting.flares[0].element_count, 1);
      for (int k = 0; k < 3; k++) EXPECT_FLOAT_EQ(track_lighting.flares[0].position[k], KIT_SUN_VECTOR[k]);
      EXPECT_FLOAT_EQ(track_lighting.fog_density, KIT_FOG_DENSITY);

      // Shadows: shipped, and the start pad in full sun.
      ASSERT_TRUE(file_exists(kit(std::string(d->name) + "/" + KIT_SHADOWS_FILE)));
      ASSERT_NE(terrain.shadows, nullptr);
      int pi = (int)std::lround(d->start_x / terrain.spacing), pj = (int)std::lround(d->start_z / terrain.spacing);
      EXPECT_EQ(terrain.shadows[(size_t)pj * terrain.samples_per_side + pi], 0);
      track_unload();
    }
    log_reset();
    EXPECT_EQ(unexpected_log_lines(read_file(log)), std::vector<std::string>{});
  }
}

// The map lies over the ground as the HUD draws it: the start line's centre
// is drawn, the corners of the square are transparent.
TEST_F(KitTracks, MapShowsTheTrackWhereItIs) {
  for (int i = 0; i < course_design_count(); i++) {
    const course_design *d = course_design_at(i);
    SCOPED_TRACE(d->name);
    course c;
    ASSERT_TRUE(course_build(d, &c));
    unsigned char *px = nullptr;
    int w = 0, h = 0, channels = 0;
    ASSERT_TRUE(read_png_color(kit(std::string(d->name) + "/" + KIT_MAP_FILE).c_str(), &px, &w, &h, &channels));
    EXPECT_EQ(w, MAP_SIDE);
    EXPECT_EQ(h, MAP_SIDE);
    ASSERT_EQ(channels, 4);
    auto alpha = [&](float x, float z) {
      int col = std::clamp((int)(x / c.extent * w), 0, w - 1), row = std::clamp((int)(z / c.extent * h), 0, h - 1);
      return px[((size_t)row * w + col) * 4 + 3];
    };
    EXPECT_EQ(alpha(d->start_x, d->start_z), 255);
    path_sample far_side = course_sample_at(&c.loop, c.finish_s + c.loop.length / 2);
    EXPECT_EQ(alpha(far_side.x, far_side.z), 255);
    EXPECT_EQ(alpha(0, 0), 0);
    EXPECT_EQ(alpha(c.extent - 1, c.extent - 1), 0);
    free(px);
  }
}

// No prop's collision sphere reaches onto any stretch of track or out of
// the object area: a robot on its line never meets one.
TEST_F(KitTracks, PropsStayClearOfTheTrack) {
  for (int i = 0; i < course_design_count(); i++) {
    const course_design *d = course_design_at(i);
    SCOPED_TRACE(d->name);
    course c;
    ASSERT_TRUE(course_build(d, &c));
    ASSERT_TRUE(track_load(d->name));
    for (int k = statues.first_editable; k < statues.count; k++) {
      const statue &st = statues.items[k];
      ASSERT_NE(st.shape, nullptr);
      for (int s = 0; s < st.shape->count; s++) {
        const collision_sphere &b = st.shape->spheres[s];
        float w[3];
        for (int r = 0; r < 3; r++)
          w[r] = (r == 0 ? st.x : r == 1 ? st.y : st.z) + st.orientation[3 * r] * b.centre[0] +
                 st.orientation[3 * r + 1] * b.centre[1] + st.orientation[3 * r + 2] * b.centre[2];
        EXPECT_TRUE(w[0] - b.radius > 0.125f * c.extent && w[0] + b.radius < 0.875f * c.extent &&
                    w[2] - b.radius > 0.125f * c.extent && w[2] + b.radius < 0.875f * c.extent)
            << st.model_name << " at " << w[0] << ", " << w[2];
        for (const course_path *p : {&c.loop, &c.straight})
          for (const path_sample &q : p->pts)
            ASSERT_GT(std::hypot(w[0] - q.x, w[2] - q.z) - q.half_width, b.radius)
                << st.model_name << " sphere " << s << " at " << w[0] << ", " << w[2] << " over s " << q.s;
      }
    }
    track_unload();
  }
}

// The shipped shading is the game's re-shading of each sample with the
// lighting file's sun and the shipped shadows, so editing leaves no seams.
TEST_F(KitTracks, ShadingFollowsLightingAndShadows) {
  const course_design *d = course_design_at(0);
  ASSERT_TRUE(track_load(d->name));
  const int n = terrain.samples_per_side;
  const int ring[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
  auto point = [n](int i, int j, double out[3]) {
    int ci = std::clamp(i, 0, n - 1), cj = std::clamp(j, 0, n - 1);
    out[0] = ci * terrain.spacing, out[1] = terrain.heights[(size_t)cj * n + ci], out[2] = cj * terrain.spacing;
  };
  int checked = 0;
  for (int j = 1; j < n - 1; j += 5)
    for (int i = 1; i < n - 1; i += 5) {
      double p[3], sum[3] = {0, 0, 0};
      point(i, j, p);
      for (int k = 0; k < 8; k++) {
        double a[3], b[3];
        point(i + ring[k][0], j + ring[k][1], a);
        point(i + ring[(k + 1) % 8][0], j + ring[(k + 1) % 8][1], b);
        double u[3] = {a[0] - p[0], a[1] - p[1], a[2] - p[2]}, v[3] = {b[0] - p[0], b[1] - p[1], b[2] - p[2]};
        double cr[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        double l = std::sqrt(cr[0] * cr[0] + cr[1] * cr[1] + cr[2] * cr[2]) * (cr[1] < 0 ? -1 : 1);
        for (int q = 0; q < 3; q++) sum[q] += cr[q] / l;
      }
      double sl = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
      const float *sun = track_lighting.sun_vector;
      double shadow = terrain.shadows[(size_t)j * n + i];
      double lit = std::clamp((sum[0] * sun[0] + sum[1] * sun[1] + sum[2] * sun[2]) / sl, 0.0, 1.0) *
                   (1 - shadow / 255);
      for (int q = 0; q < 3; q++) {
        double want = std::round((track_lighting.sun_color[q] * lit + track_lighting.ambient[q]) * 0.5 * 255);
        ASSERT_NEAR(terrain.shading[((size_t)j * n + i) * 3 + q], std::clamp(want, 0.0, 255.0), 1.0)
            << "sample " << i << ", " << j;
      }
      checked++;
    }
  EXPECT_GT(checked, 1000);
}

// A wall across flat ground: the ground on the wall's side away from the sun
// is in shadow up to where the sun clears the wall, and the shading there
// keeps only the ambient light.
TEST(KitShadows, WallShadowsTheGroundAwayFromTheSun) {
  terrain_grid t;
  t.size_shift = 4;
  t.side = 33;
  t.spacing = 2;
  t.heights.assign((size_t)t.side * t.side, 0.0f);
  const int wall = 16;  // x = 32 ft, 20 ft high
  for (int j = 0; j < t.side; j++) t.heights[(size_t)j * t.side + wall] = 20;
  std::vector<unsigned char> shadows, rgb;
  shadows_generate(&t, &shadows);
  shading_generate(&t, &shadows, &rgb);
  ASSERT_EQ(shadows.size(), (size_t)t.side * t.side);
  auto at = [&](int i, int j) { return shadows[(size_t)j * t.side + i]; };
  // The sun lies towards +x and +z, about 36 degrees up: the wall hides it
  // from ground within about 27 ft on its -x side.
  EXPECT_EQ(at(wall - 4, 4), 0);   // 8 ft before the wall
  EXPECT_EQ(at(wall - 8, 4), 0);   // 16 ft
  EXPECT_EQ(at(0, 4), 255);        // 32 ft: the sun clears it
  EXPECT_EQ(at(wall + 4, 4), 255);  // on the sunny side
  EXPECT_EQ(at(wall - 4, t.side - 1), 255);  // the ray leaves the square before reaching the wall
  const unsigned char *dark = &rgb[((size_t)4 * t.side + wall - 6) * 3];
  const unsigned char *lit = &rgb[((size_t)4 * t.side + wall + 6) * 3];
  for (int q = 0; q < 3; q++) {
    EXPECT_EQ(dark[q], (int)std::lround(KIT_AMBIENT[q] * 127.5f));
    EXPECT_GT(lit[q], dark[q] + 40);
  }
}

// A second run of the generator gives a track with the same digest.
TEST_F(KitTracks, DigestStableAcrossRuns) {
  uint8_t first[TRACK_DIGEST_SIZE];
  ASSERT_TRUE(track_load(KIT_DEFAULT_TRACK));
  memcpy(first, track_state.digest, sizeof first);
  track_unload();

  temp_dir again;
  ASSERT_TRUE(generate(again.path));
  scoped_env other("KV_HOME", again.path.c_str());
  data_reset();
  shape_cache_clear();
  ASSERT_TRUE(track_load(KIT_DEFAULT_TRACK));
  EXPECT_EQ(memcmp(first, track_state.digest, sizeof first), 0);
  // The statues file is part of the digest: both runs wrote the same props.
  EXPECT_EQ(read_file(again.path + "/" KIT_DEFAULT_TRACK "/" KIT_STATUES_FILE),
            read_file(kit(KIT_DEFAULT_TRACK "/" KIT_STATUES_FILE)));
}
