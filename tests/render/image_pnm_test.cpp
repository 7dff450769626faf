// PPM, PGM and J6/J7 pictures.
#include <cstring>
#include <vector>

#include "image_test_util.h"
#include "render/image.h"

using pnm_files = image_files;

static bool read_rgb(const std::string &path, owned<unsigned char> &px, int &w, int &h) {
  open_stream in(path);
  return in.s && read_rgb_image(in.s, px.out(), &w, &h);
}

TEST_F(pnm_files, binary_writers_round_trip_exactly) {
  const unsigned char rgb[2 * 2 * 3] = {1, 2, 3, 250, 251, 252, 0, 128, 255, 9, 8, 7};
  std::string ppm = dir.file("shading.ppm");
  ASSERT_TRUE(write_ppm(ppm.c_str(), rgb, 2, 2));
  EXPECT_EQ(read_file(ppm), std::string("P6\n2 2\n255\n") + std::string((const char *)rgb, 12));
  owned<unsigned char> px;
  int w = 0, h = 0;
  ASSERT_TRUE(read_rgb(ppm, px, w, h));
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(memcmp(px.p, rgb, 12), 0);
  EXPECT_EQ(px[12], (1 + 250 + 0 + 9) / 4);  // the 1x1 level follows

  const unsigned char grey[3] = {0, 77, 255};
  std::string pgm = dir.file("shadows.pgm");
  ASSERT_TRUE(write_pgm(pgm.c_str(), grey, 3, 1));
  open_stream in(pgm);
  owned<unsigned char> g;
  ASSERT_TRUE(read_pgm(in.s, g.out(), &w, &h));
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(memcmp(g.p, grey, 3), 0);

  EXPECT_FALSE(write_ppm(ppm.c_str(), rgb, 0, 2));
  EXPECT_FALSE(write_pgm(pgm.c_str(), nullptr, 1, 1));
}

TEST_F(pnm_files, comments_ascii_and_scaling) {
  struct {
    const char *name;
    std::string bytes;
    std::vector<int> expect;
  } cases[] = {
      {"max15.ppm", std::string("P6\n# made by hand\n2 1 # trailing\n15\n") + std::string("\x00\x01\x0f\x07\x08\x0e", 6),
       {0, 17, 255, 119, 136, 238}},
      {"ascii.ppm", "P3 #c\n1 2\n#\n 100\n 0 50 100 #x\n100 100 200\n", {0, 127, 255, 255, 255, 255}},
      {"wide.ppm", std::string("P6 1 1 65535\n") + std::string("\xff\xff\x80\x00\x00\x01", 6), {255, 127, 0}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    owned<unsigned char> px;
    int w = 0, h = 0;
    ASSERT_TRUE(read_rgb(put(c.name, c.bytes), px, w, h));
    for (size_t i = 0; i < c.expect.size(); i++) EXPECT_EQ(px[i], c.expect[i]) << i;
  }
  owned<unsigned char> g;
  int w = 0, h = 0;
  open_stream in(put("a.pgm", "P2\n# grey\n2 1\n4\n1 4\n"));
  ASSERT_TRUE(read_pgm(in.s, g.out(), &w, &h));
  EXPECT_EQ(g[0], 63);
  EXPECT_EQ(g[1], 255);
}

TEST_F(pnm_files, broken_headers_and_data_fail_cleanly) {
  const std::string four(4 * 3, '\x10');
  const char *rgb_cases[][2] = {
      {"zero.ppm", "P6\n0 0\n255\n"},
      {"max0.ppm", "P6\n1 1\n0\nabc"},
      {"max_too_big.ppm", "P6\n1 1\n65536\nabcdef"},
      {"negative.ppm", "P6\n-2 2\n255\n"},
      {"missing.ppm", "P6\n2\n"},
      {"wide.ppm", "P6\n16385 1\n255\n"},
      {"huge.ppm", "P6\n99999999999 99999999999\n255\n"},
      {"truncated.ppm", "P6\n2 2\n255\n\x10\x10\x10\x10\x10"},
      {"truncated2.ppm", "P6\n1 1\n1000\n\x10\x10\x10"},
      {"ascii_short.ppm", "P3\n1 1\n255\n1 2\n"},
      {"ascii_negative.ppm", "P3\n1 1\n255\n1 -2 3\n"},
      {"unknown.ppm", "P4\n1 1\n"},
      {"empty.ppm", ""},
      {"j_zero.j6", "J6 0 1\n"},
      {"j_wide.j7", "J7 16385 2\n"},
      {"j_truncated.j7", "J7 2 1\n\x01\x02\x03\x04\x05"},
  };
  for (const auto &c : rgb_cases) {
    SCOPED_TRACE(c[0]);
    owned<unsigned char> px;
    int w = -7, h = -7;
    EXPECT_FALSE(read_rgb(put(c[0], c[1]), px, w, h));
    EXPECT_EQ(px.p, nullptr);
  }
  for (const char *bytes : {"P5\n0 1\n255\n", "P5\n1 1\n0\n\x01", "P2\n2 1\n255\n7\n", "P6\n1 1\n255\nabc"}) {
    SCOPED_TRACE(bytes);
    open_stream in(put("bad.pgm", bytes));
    owned<unsigned char> g;
    int w, h;
    EXPECT_FALSE(read_pgm(in.s, g.out(), &w, &h));
    EXPECT_EQ(g.p, nullptr);
  }
}

TEST_F(pnm_files, j_prediction) {
  // 2x2 J6: the top row predicts from the left, the left column from above,
  // the rest a + b - c clamped before the byte is added modulo 256.
  const unsigned char bytes[] = {100, 100, 0, 100, 156, 0, 100, 156, 0, 1, 7, 0};
  std::string path = put("p.j6", std::string("J6 2 #size\n2\n") + std::string((const char *)bytes, 12));
  owned<unsigned char> px;
  int w = 0, h = 0;
  ASSERT_TRUE(read_rgb(path, px, w, h));
  ASSERT_EQ(w, 2);
  ASSERT_EQ(h, 2);
  const unsigned char expect[12] = {100, 100, 0, 200, 0, 0, 200, 0, 0, 0, 7, 0};
  EXPECT_EQ(memcmp(px.p, expect, 12), 0);

  // Asked for four channels, a J6 file's alpha is predicted only: 0 throughout.
  owned<unsigned char> rgba;
  ASSERT_TRUE(read_rgba_image(put("one.j6", "J6 1 1\n\x0a\x14\x1e").c_str(), rgba.out(), &w, &h));
  EXPECT_EQ(rgba[0], 10);
  EXPECT_EQ(rgba[1], 20);
  EXPECT_EQ(rgba[2], 30);
  EXPECT_EQ(rgba[3], 0);

  // J7 carries alpha with the same prediction; all-zero bytes stay zero.
  owned<unsigned char> j7;
  std::string j7_bytes = std::string("J7 2 1\n") + std::string("\x05\x06\x07\x08\x01\x01\x01\x01", 8);
  ASSERT_TRUE(read_rgba_image(put("a.j7", j7_bytes).c_str(), j7.out(), &w, &h));
  const unsigned char expect7[8] = {5, 6, 7, 8, 6, 7, 8, 9};
  EXPECT_EQ(memcmp(j7.p, expect7, 8), 0);
  owned<unsigned char> zero;
  ASSERT_TRUE(read_rgba_image(put("z.j7", std::string("J7 3 2\n") + std::string(24, '\0')).c_str(),
                              zero.out(), &w, &h));
  for (size_t i = 0; i < mip_chain_bytes(3, 2, 4); i++) EXPECT_EQ(zero[i], 0) << i;
}
