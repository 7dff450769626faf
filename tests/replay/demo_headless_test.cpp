// The game plays a demo named on the command line, headless, and the skip and
// rewind keys move it both ways.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_env.h"
#include "track/terrain_files.h"

namespace {

bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// A 256 ft flat track (shift 5, spacing 4) with one surface.
void write_track(const std::string &folder) {
  const int side = 65;
  std::vector<uint16_t> samples((size_t)side * side, 0);
  ASSERT_TRUE(write_terrain_raw((folder + "/terrain.hf").c_str(), 5, 4, 0, 10, samples.data()));
  std::vector<unsigned char> shade((size_t)side * side * 3, 64);
  ASSERT_TRUE(write_shading((folder + "/shading.ppm").c_str(), shade.data(), side, true));
  tileinfo_surface s[1] = {};
  s[0].texture = "@dirt.png";
  ASSERT_TRUE(write_tileinfo((folder + "/tileinfo").c_str(), s, 1));
  std::vector<unsigned char> tiles(32 * 32, 0);
  ASSERT_TRUE(write_tilemap((folder + "/tilemap").c_str(), tiles.data(), (int)tiles.size()));
}

}  // namespace

TEST(demo_headless, a_demo_on_the_command_line_plays_and_seeks_both_ways) {
  temp_dir home, root;
  make_game_root(root.path, {});
  write_track(root.file("flat"));
  // Two bikes, 20 s of records moving along x.
  std::string demo = "KV05 2 0 2 1792\nflat\ncrf250||||\n12\nkx125||||\n7\n";
  for (int k = 0; k < 20 * 128; k++)
    for (int i = 0; i < 2; i++) {
      std::string r(39, '\0');
      uint32_t x = (uint32_t)(k * 2000 + 4000000 + i * 1000000);
      r[0] = (char)(x & 255), r[1] = (char)(x >> 8 & 255), r[2] = (char)(x >> 16 & 255);
      r[4] = (char)0x40;  // a little above the lowest height
      r[10] = r[9] = (char)0xFF;  // w = 1
      for (int c = 11; c < 17; c += 2) r[c] = (char)0x7F, r[c - 1] = (char)0xFF;
      demo += r;
    }
  ASSERT_TRUE(write_file(home.file("race.kvdemo"), demo));
  write_file(home.file("s.txt"), "0.3 tap esc\n1.0 tap /\n1.5 tap \\\n2.0 quit\n");
  std::string log = home.file("run.log");
  run_result r = run_korvath({home.file("race.kvdemo")},
                             {"KV_HOME=" + root.path, "KOBA_LOGFILE=" + log,
                              "KOBA_OPTIONS=[video:headless][script:" + home.file("s.txt") + "]"},
                             home.path);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::string text = read_file(log);
  EXPECT_TRUE(contains(text, "Playing demo with 2 bikes (version 5)")) << text;
  EXPECT_TRUE(contains(text, "Demo moved to tick")) << text;
  size_t skip = text.find("Demo moved to tick"), rewind = text.find("Demo moved to tick", skip + 1);
  ASSERT_NE(rewind, std::string::npos) << text;
  int after_skip = std::stoi(text.substr(skip + 19)), after_rewind = std::stoi(text.substr(rewind + 19));
  EXPECT_GT(after_skip, 128);           // a second forward from where the playback was
  EXPECT_LT(after_rewind, after_skip);  // half a second later, a second back
  EXPECT_TRUE(contains(text, "Main loop ended")) << text;
}
