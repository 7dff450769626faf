// Shared by the terrain tests: a temporary folder as personal and data folder,
// the message log captured, the terrain released after each test, and a small
// track folder written with the terrain writers.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/message_log.h"
#include "data/data.h"
#include "support/test_env.h"
#include "track/heightfield.h"
#include "track/terrain_files.h"

class track_files : public ::testing::Test {
 protected:
  temp_dir dir;
  scoped_env xdg{"XDG_DATA_HOME", dir.path.c_str()};
  scoped_env home{"KV_HOME", dir.path.c_str()};
  std::string folder = dir.file("tracks/test");

  void SetUp() override {
    data_reset();
    message_log_clear();
    heightfield_release();
  }
  void TearDown() override {
    heightfield_release();
    data_reset();
  }

  std::string path(const char *name) const { return folder + "/" + name; }

  // Every line posted since the test began.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (int i = 0; i < message_log.write_index; i++) out.push_back(message_log.lines[i]);
    return out;
  }
  bool posted(const std::string &text) const {
    for (const std::string &m : messages())
      if (m == text) return true;
    return false;
  }

  // n = 3, spacing 2, heights 0..100 in the raw form; sample k is k * 200;
  // three surfaces (tileinfo), tiles all 0, neutral shading.
  std::vector<uint16_t> samples = ramp(17);
  static std::vector<uint16_t> ramp(int side) {
    std::vector<uint16_t> v((size_t)side * side);
    for (size_t k = 0; k < v.size(); k++) v[k] = (uint16_t)(k * 200 % 65536);
    return v;
  }
  void write_track() {
    ASSERT_TRUE(write_terrain_raw(path("terrain.hf").c_str(), 3, 2, 0, 100, samples.data()));
    std::vector<unsigned char> shade(17 * 17 * 3, 64);
    ASSERT_TRUE(write_shading(path("shading.ppm").c_str(), shade.data(), 17, true));
    tileinfo_surface s[3] = {};
    s[0].texture = "@dirt.png";
    s[1].texture = "@sand.png";
    s[2].texture = "@grass.png";
    ASSERT_TRUE(write_tileinfo(path("tileinfo").c_str(), s, 3));
    std::vector<unsigned char> tiles(64, 0);
    ASSERT_TRUE(write_tilemap(path("tilemap").c_str(), tiles.data(), 64));
  }
};
