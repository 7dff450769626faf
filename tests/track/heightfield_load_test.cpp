// Loading, sampling and saving a track folder's terrain.
#include <nettle/ripemd160.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/log.h"
#include "render/image.h"
#include "track_fixture.h"

using heightfield_files = track_files;

static float sample(int i, int j) { return sample_height(&terrain, i, j); }

TEST_F(heightfield_files, raw_grid_loads_with_its_geometry) {
  samples[0] = 0;
  samples[16] = 65535;
  write_track();
  ASSERT_TRUE(heightfield_load(folder.c_str())) << (messages().empty() ? "" : messages()[0]);
  EXPECT_EQ(terrain.samples_per_side, 17);
  EXPECT_EQ(terrain.tiles_per_side, 8);
  EXPECT_FLOAT_EQ(terrain.extent, 32);
  EXPECT_FLOAT_EQ(terrain.tile_size, 4);
  EXPECT_FLOAT_EQ(sample(0, 0), 0);
  EXPECT_FLOAT_EQ(sample(16, 0), 100);
  EXPECT_FLOAT_EQ(sample(3, 2), (2 * 17 + 3) * 200 * 100.0f / 65535);
  EXPECT_EQ(terrain.surface_count, 3);
  EXPECT_FALSE(terrain.terrain_modified);
  EXPECT_EQ(terrain.shading[0], 64);  // shading.ppm holds doubled values
  EXPECT_EQ(terrain.shadows[0], 0);
  EXPECT_TRUE(messages().empty());
}

TEST_F(heightfield_files, picture_samples_and_missing_picture) {
  write_track();
  // No ":" after the header: the heights come from terrain.png, whose last
  // row and column repeat over a larger grid.
  ASSERT_TRUE(write_terrain_header(path("terrain.hf").c_str(), 3, 2, 10, 20));
  ASSERT_TRUE(heightfield_load(folder.c_str()));
  EXPECT_FLOAT_EQ(sample(5, 5), 10);
  EXPECT_FLOAT_EQ(height_at(7.3f, 21.9f), 10);

  const uint16_t px[2 * 3] = {0, 65535, 0, 0, 13107, 65535};  // 2 wide, 3 high
  ASSERT_TRUE(write_png_gray16(path("terrain.png").c_str(), px, 2, 3));
  data_reset();
  ASSERT_TRUE(heightfield_load(folder.c_str()));
  EXPECT_FLOAT_EQ(sample(1, 0), 20);
  EXPECT_FLOAT_EQ(sample(16, 0), 20);
  EXPECT_FLOAT_EQ(sample(1, 1), 10);
  EXPECT_FLOAT_EQ(sample(0, 2), 12);
  EXPECT_FLOAT_EQ(sample(9, 16), 20);
  EXPECT_FLOAT_EQ(sample(0, 16), 12);
}

TEST_F(heightfield_files, raw_samples_cut_short_read_as_all_ones) {
  write_track();
  std::string hf = read_file(path("terrain.hf"));
  ASSERT_TRUE(write_file(path("terrain.hf"), hf.substr(0, hf.size() - 4)));
  ASSERT_TRUE(heightfield_load(folder.c_str()));
  EXPECT_FLOAT_EQ(sample(15, 16), 100);
  EXPECT_FLOAT_EQ(sample(16, 16), 100);
  EXPECT_FLOAT_EQ(sample(14, 16), (16 * 17 + 14) * 200 % 65536 * 100.0f / 65535);
}

TEST_F(heightfield_files, save_and_reload_round_trip) {
  write_track();
  ASSERT_TRUE(heightfield_load(folder.c_str()));
  terrain.tilemap[9] = 2;
  terrain.shading[5] = 200;  // doubled in shading.ppm: limited to 255
  heightfield_deform(8, 8, -3);
  std::vector<float> before(terrain.heights, terrain.heights + 17 * 17);
  float lo = terrain.heights[0], hi = lo;
  for (float h : before) lo = fminf(lo, h), hi = fmaxf(hi, h);

  std::string out = dir.file("saved");
  ASSERT_TRUE(heightfield_save(out.c_str()));
  EXPECT_FLOAT_EQ(terrain.min_height, lo);
  EXPECT_FLOAT_EQ(terrain.max_height, hi);
  char header[200];
  snprintf(header, sizeof header, "3 2.000000 %f %f\n", lo, hi);
  EXPECT_EQ(read_file(out + "/terrain.hf"), header);
  EXPECT_EQ(read_file(out + "/shading.ppm").substr(0, 16), std::string("P6\n17 17\n255\n") + "\x80\x80\x80");
  EXPECT_EQ((unsigned char)read_file(out + "/shading.ppm")[13 + 5], 255);

  // The surfaces file is not the terrain's to write: it stays with the track.
  ASSERT_TRUE(write_file(out + "/tileinfo", read_file(path("tileinfo"))));
  ASSERT_TRUE(heightfield_load(out.c_str()));
  float step = (hi - lo) / 65535;
  for (int k = 0; k < 17 * 17; k++) ASSERT_NEAR(terrain.heights[k], before[k], step + 1e-5f) << k;
  EXPECT_EQ(terrain.tilemap[9], 2);
  EXPECT_EQ(terrain.shading[5], 200);  // shadingx2.ppm wins and is kept as stored
  EXPECT_EQ(terrain.surface_count, 3);
}

TEST_F(heightfield_files, flat_terrain_saves_zero_pixels_and_save_failure_is_posted) {
  ASSERT_TRUE(heightfield_create(2, 1.5f, 7));
  std::string out = dir.file("flat");
  ASSERT_TRUE(heightfield_save(out.c_str()));
  uint16_t *px = nullptr;
  int w = 0, h = 0;
  ASSERT_TRUE(read_png_gray16((out + "/terrain.png").c_str(), &px, &w, &h));
  EXPECT_EQ(w, 9);
  EXPECT_EQ(h, 9);
  for (int k = 0; k < 81; k++) EXPECT_EQ(px[k], 0) << k;
  free(px);
  const texturelist_entry one = {1, 5, 15, "dirt.png"};
  ASSERT_TRUE(write_texturelist((out + "/texturelist").c_str(), &one, 1));
  ASSERT_TRUE(heightfield_load(out.c_str()));
  EXPECT_FLOAT_EQ(height_at(3, 3), 7);

  // A folder that can't be created: the first file fails and stops the save.
  ASSERT_TRUE(write_file(dir.file("blocked"), "x"));
  EXPECT_FALSE(heightfield_save((dir.file("blocked") + "/sub").c_str()));
  EXPECT_TRUE(posted("Can't open 'terrain.hf'"));
}

TEST_F(heightfield_files, every_failure_posts_and_leaves_nothing) {
  struct failure {
    const char *name;
    const char *file;
    std::string bytes;  // "" removes the file
    std::vector<std::string> expect;
  };
  std::string full = folder + "/";
  const std::vector<failure> cases = {
      {"no terrain.hf", "terrain.hf", "", {"Can't open '" + full + "terrain.hf'"}},
      {"three values", "terrain.hf", "3 2 0\n", {"Bad height field parameters", "Error reading heights"}},
      {"zero spacing", "terrain.hf", "3 0 0 100\n", {"Bad height field parameters", "Error reading heights"}},
      {"negative spacing", "terrain.hf", "3 -2 0 100\n", {"Bad height field parameters", "Error reading heights"}},
      {"huge height", "terrain.hf", "3 2 0 1e39\n", {"Bad height field parameters", "Error reading heights"}},
      {"shift 0", "terrain.hf", "0 2 0 100\n", {"Bad height field parameters", "Error reading heights"}},
      {"shift 13", "terrain.hf", "13 2 0 100\n", {"Bad height field parameters", "Error reading heights"}},
      {"negative shift", "terrain.hf", "-4 2 0 100\n", {"Bad height field parameters", "Error reading heights"}},
      {"no shading", "shading.ppm", "", {"Can't open '" + full + "shading.ppm'"}},
      {"bad shading", "shading.ppm", "P6\nbroken", {"Error reading shading"}},
      {"shading size", "shading.ppm", "P6\n16 17\n255\n" + std::string(16 * 17 * 3, 'a'),
       {"Bad shading dimensions (16x17)"}},
      {"shadingx2 size", "shadingx2.ppm", "P6\n1 1\n255\nabc", {"Bad shading dimensions (1x1)"}},
      {"no surfaces", "tileinfo", "texture @dirt.png\nfriction 1 2\n", {"Error reading tileinfo"}},
      {"no tilemap", "tilemap", "", {"Can't open '" + full + "tilemap'"}},
      {"shadow size", "shadows.pgm", "P5\n2 2\n255\nabcd", {}},
  };
  for (const failure &c : cases) {
    SCOPED_TRACE(c.name);
    write_track();
    remove(path("shadingx2.ppm").c_str());
    remove(path("shadows.pgm").c_str());
    if (c.bytes.empty()) remove(path(c.file).c_str());
    else ASSERT_TRUE(write_file(path(c.file), c.bytes));
    data_reset();
    message_log_clear();
    EXPECT_FALSE(heightfield_load(folder.c_str()));
    EXPECT_EQ(messages(), c.expect);
    EXPECT_EQ(terrain.heights, nullptr);
    EXPECT_EQ(terrain.shading, nullptr);
    EXPECT_EQ(terrain.tilemap, nullptr);
    EXPECT_EQ(terrain.shadows, nullptr);
    EXPECT_EQ(terrain.surface_count, 0);
  }
  // Without tileinfo the texturelist is required.
  write_track();
  remove(path("tileinfo").c_str());
  data_reset();
  message_log_clear();
  EXPECT_FALSE(heightfield_load(folder.c_str()));
  EXPECT_EQ(messages(), std::vector<std::string>{"Can't open '" + full + "texturelist'"});
}

TEST_F(heightfield_files, tilemap_short_or_out_of_range_and_shadows) {
  write_track();
  const unsigned char tiles[3] = {1, 200, 2};  // 61 tiles missing
  ASSERT_TRUE(write_tilemap(path("tilemap").c_str(), tiles, 3));
  std::vector<unsigned char> grey(17 * 17, 255);
  grey[18] = 55;
  ASSERT_TRUE(write_pgm(path("shadows.pgm").c_str(), grey.data(), 17, 17));
  ASSERT_TRUE(heightfield_load(folder.c_str()));
  EXPECT_EQ(terrain.tilemap[0], 1);
  EXPECT_EQ(terrain.tilemap[1], 2);  // 200 with three surfaces
  EXPECT_EQ(terrain.tilemap[2], 2);
  for (int k = 3; k < 64; k++) ASSERT_EQ(terrain.tilemap[k], 0) << k;
  EXPECT_EQ(terrain.shadows[18], 200);
  EXPECT_EQ(terrain.shadows[0], 0);
}

static std::string expected_digest(const std::vector<uint16_t> &v) {
  ripemd160_ctx ctx;
  ripemd160_init(&ctx);
  for (uint16_t s : v) {
    uint8_t b[2] = {(uint8_t)(s & 255), (uint8_t)(s >> 8)};
    ripemd160_update(&ctx, 2, b);
  }
  uint8_t d[RIPEMD160_DIGEST_SIZE];
  ripemd160_digest(&ctx, sizeof d, d);
  char hex[41];
  for (int k = 0; k < 20; k++) snprintf(hex + 2 * k, 3, "%02x", d[k]);
  return hex;
}

TEST_F(heightfield_files, digest_logged_at_verbosity_two_for_both_forms) {
  std::string log = dir.file("log.txt");
  scoped_env logfile("KOBA_LOGFILE", log.c_str());
  log_reset();
  int saved_level = debug_level;
  write_track();
  debug_level = 2;
  ASSERT_TRUE(heightfield_load(folder.c_str()));
  // The same samples through a picture give the same digest.
  std::vector<float> heights(terrain.heights, terrain.heights + 17 * 17);
  ASSERT_TRUE(write_terrain_png(path("terrain.png").c_str(), heights.data(), 17, 0, 100));
  ASSERT_TRUE(write_terrain_header(path("terrain.hf").c_str(), 3, 2, 0, 100));
  ASSERT_TRUE(heightfield_load(folder.c_str()));
  debug_level = 1;
  ASSERT_TRUE(heightfield_load(folder.c_str()));
  debug_level = saved_level;
  log_reset();

  std::string text = read_file(log), digest = expected_digest(samples) + "\n";
  size_t first = text.find(digest);
  ASSERT_NE(first, std::string::npos) << text;
  size_t second = text.find(digest, first + 1);
  EXPECT_NE(second, std::string::npos);
  EXPECT_EQ(text.find(digest, second + 1), std::string::npos);
  EXPECT_NE(text.find("0 bytes texture memory used after low detail ground textures\n"), std::string::npos);
}
