// PNG pictures: writers, colour and height reads, conversions, mip markers.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/message_log.h"
#include "image_test_util.h"
#include "render/image.h"

using png_files = image_files;

namespace {

// A PNG written directly with libpng, so the readers are checked against
// files they did not write themselves.
struct png_fixture {
  int w, h, color_type, bit_depth;
  std::vector<unsigned char> data = {};  // packed rows as libpng takes them
  std::vector<png_color> palette = {};
  std::vector<unsigned char> trns_alpha = {};  // palette transparency
  int trns_grey = -1;                     // grey transparency
  const char *text = nullptr;
};

bool write_fixture(const std::string &path, const png_fixture &fix) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows(fix.h);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, fix.w, fix.h, fix.bit_depth, fix.color_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!fix.palette.empty()) png_set_PLTE(png, info, fix.palette.data(), (int)fix.palette.size());
  if (!fix.trns_alpha.empty())
    png_set_tRNS(png, info, fix.trns_alpha.data(), (int)fix.trns_alpha.size(), nullptr);
  if (fix.trns_grey >= 0) {
    png_color_16 colour = {};
    colour.gray = (png_uint_16)fix.trns_grey;
    png_set_tRNS(png, info, nullptr, 0, &colour);
  }
  if (fix.text) {
    png_text t = {};
    t.compression = PNG_TEXT_COMPRESSION_NONE;
    t.key = (png_charp) "Comment";
    t.text = (png_charp)fix.text;
    png_set_text(png, info, &t, 1);
  }
  png_write_info(png, info);
  size_t stride = fix.data.size() / fix.h;
  for (int y = 0; y < fix.h; y++) rows[y] = (png_bytep)fix.data.data() + y * stride;
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return fclose(f) == 0;
}

}  // namespace

TEST_F(png_files, rgb_writer_turns_gl_rows_upright) {
  // Rows bottom first: the buffer's first row (red) is the picture's bottom.
  const unsigned char gl_rows[2 * 3] = {255, 0, 0, 0, 0, 255};
  std::string path = dir.file("screenshot000.png");
  ASSERT_TRUE(write_png_rgb(path.c_str(), gl_rows, 1, 2));
  owned<unsigned char> px;
  int w = 0, h = 0, c = 0;
  ASSERT_TRUE(read_png_color(path.c_str(), px.out(), &w, &h, &c));
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(c, 3);
  const unsigned char upright[9] = {0, 0, 255, 255, 0, 0, 127, 0, 127};
  EXPECT_EQ(memcmp(px.p, upright, 9), 0);

  // Through read_rgba_image every level gains an opaque alpha.
  owned<unsigned char> rgba;
  ASSERT_TRUE(read_rgba_image(path.c_str(), rgba.out(), &w, &h));
  const unsigned char expect[12] = {0, 0, 255, 255, 255, 0, 0, 255, 127, 0, 127, 255};
  EXPECT_EQ(memcmp(rgba.p, expect, 12), 0);
}

TEST_F(png_files, gray16_keeps_samples_exactly) {
  const uint16_t samples[6] = {0, 1, 0x1234, 0x8000, 0xfffe, 0xffff};
  std::string path = dir.file("terrain.png");
  ASSERT_TRUE(write_png_gray16(path.c_str(), samples, 3, 2));
  owned<uint16_t> back;
  int w = 0, h = 0, c = 0;
  ASSERT_TRUE(read_png_gray16(path.c_str(), back.out(), &w, &h));
  ASSERT_EQ(w, 3);
  ASSERT_EQ(h, 2);
  EXPECT_EQ(memcmp(back.p, samples, sizeof samples), 0);
  // The file holds the standard byte order: an 8-bit reader sees the high byte.
  owned<unsigned char> grey;
  ASSERT_TRUE(read_png_color(path.c_str(), grey.out(), &w, &h, &c));
  EXPECT_EQ(grey[3 * 2], 0x12);
  EXPECT_EQ(grey[3 * 3], 0x80);
}

TEST_F(png_files, height_read_widens_and_converts) {
  struct {
    const char *name;
    png_fixture fix;
    std::vector<uint16_t> expect;
  } cases[] = {
      {"grey8", {2, 1, PNG_COLOR_TYPE_GRAY, 8, {0x80, 0xff}}, {0x8080, 0xffff}},
      {"grey2", {2, 1, PNG_COLOR_TYPE_GRAY, 2, {0x30}}, {0, 0xffff}},
      {"grey_alpha16", {1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16, {0xab, 0xcd, 0x00, 0x00}}, {0xabcd}},
      {"rgb", {2, 1, PNG_COLOR_TYPE_RGB, 8, {0, 0, 0, 255, 255, 255}}, {0, 0xffff}},
      {"palette",
       {2, 1, PNG_COLOR_TYPE_PALETTE, 8, {1, 0}, {{0, 0, 0}, {255, 255, 255}}, {0, 0}},
       {0xffff, 0}},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir.file(std::string(c.name) + ".png");
    ASSERT_TRUE(write_fixture(path, c.fix));
    owned<uint16_t> s;
    int w = 0, h = 0;
    ASSERT_TRUE(read_png_gray16(path.c_str(), s.out(), &w, &h));
    for (size_t i = 0; i < c.expect.size(); i++) EXPECT_EQ(s[i], c.expect[i]) << i;
  }
}

TEST_F(png_files, colour_conversions) {
  struct {
    const char *name;
    png_fixture fix;
    int channels;
    std::vector<int> expect;  // level 0
  } cases[] = {
      {"palette",
       {2, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1}, {{10, 20, 30}, {40, 50, 60}}},
       3,
       {10, 20, 30, 40, 50, 60}},
      {"palette_trns",
       {2, 1, PNG_COLOR_TYPE_PALETTE, 4, {0x01}, {{10, 20, 30}, {40, 50, 60}}, {0}},
       4,
       {10, 20, 30, 0, 40, 50, 60, 255}},
      {"grey_trns", {2, 1, PNG_COLOR_TYPE_GRAY, 8, {7, 9}, {}, {}, 9}, 4, {7, 7, 7, 255, 9, 9, 9, 0}},
      {"grey1", {2, 1, PNG_COLOR_TYPE_GRAY, 1, {0x40}}, 3, {0, 0, 0, 255, 255, 255}},
      {"grey_alpha", {1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {100, 50}}, 4, {100, 100, 100, 50}},
      {"rgba16", {1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, {1, 2, 3, 4, 5, 6, 7, 8}}, 4, {1, 3, 5, 7}},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir.file(std::string(c.name) + ".png");
    ASSERT_TRUE(write_fixture(path, c.fix));
    owned<unsigned char> px;
    int w = 0, h = 0, channels = 0;
    ASSERT_TRUE(read_png_color(path.c_str(), px.out(), &w, &h, &channels));
    EXPECT_EQ(channels, c.channels);
    for (size_t i = 0; i < c.expect.size(); i++) EXPECT_EQ(px[i], c.expect[i]) << i;
  }
}

TEST_F(png_files, rgba_writer_text_sets_max_alpha) {
  // Alphas 255, 255, 255, 0 average to 191, or keep 255 with the marker.
  const unsigned char block[16] = {30, 60, 90, 255, 60, 90, 120, 255, 90, 120, 150, 255, 255, 0, 0, 0};
  for (const char *comment : {(const char *)nullptr, "sky [mip_max_alpha] layer"}) {
    SCOPED_TRACE(comment ? comment : "no text");
    std::string path = dir.file("sky.png");
    ASSERT_TRUE(write_png_rgba(path.c_str(), block, 2, 2, comment));
    owned<unsigned char> px;
    int w = 0, h = 0, c = 0;
    ASSERT_TRUE(read_png_color(path.c_str(), px.out(), &w, &h, &c));
    ASSERT_EQ(c, 4);
    EXPECT_EQ(memcmp(px.p, block, 16), 0);
    EXPECT_EQ(px[16], 60);
    EXPECT_EQ(px[19], comment ? 255 : 191);
  }
  EXPECT_FALSE(write_png_rgba(dir.file("bad.png").c_str(), block, 2, 0, nullptr));
}

TEST_F(png_files, custom_mip_layout_is_cut_out) {
  // Every texel holds its own picture row and column.
  const int W = 64, H = 96;
  png_fixture fix{W, H, PNG_COLOR_TYPE_RGB, 8};
  for (int y = 0; y < H; y++)
    for (int x = 0; x < W; x++) fix.data.insert(fix.data.end(), {(unsigned char)y, (unsigned char)x, 1});
  fix.text = "[mip_custom]";
  std::string path = dir.file("custom.png");
  ASSERT_TRUE(write_fixture(path, fix));
  owned<unsigned char> px;
  int w = 0, h = 0, c = 0;
  ASSERT_TRUE(read_png_color(path.c_str(), px.out(), &w, &h, &c));
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 64);
  // Level starts and the picture texel each one begins at.
  struct {
    size_t offset;
    int row, col;
  } levels[] = {
      {0, 0, 0}, {64 * 64, 64, 0}, {64 * 64 + 32 * 32, 64, 32}, {64 * 64 + 32 * 32 + 16 * 16, 80, 32},
      {5460, 94, 32},  // the 1x1 level
  };
  for (const auto &l : levels) {
    EXPECT_EQ(px[l.offset * 3], l.row) << l.offset;
    EXPECT_EQ(px[l.offset * 3 + 1], l.col) << l.offset;
  }
  EXPECT_EQ(px[(64 * 64 + 1) * 3], 64);  // level 1's second texel: row 64, column 1
  EXPECT_EQ(px[(64 * 64 + 1) * 3 + 1], 1);
}

TEST_F(png_files, custom_mip_with_bad_height_is_an_ordinary_picture) {
  png_fixture fix{2, 100, PNG_COLOR_TYPE_GRAY, 8, std::vector<unsigned char>(200, 40)};
  fix.text = "[mip_custom]";
  std::string path = dir.file("odd.png");
  ASSERT_TRUE(write_fixture(path, fix));
  message_log_clear();
  owned<unsigned char> px;
  int w = 0, h = 0, c = 0;
  ASSERT_TRUE(read_png_color(path.c_str(), px.out(), &w, &h, &c));
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 100);
  EXPECT_EQ(px[200 * 3], 40);  // level 1 computed
  ASSERT_NE(message_log_visible(0), nullptr);
  EXPECT_EQ(std::string(message_log_visible(0)).rfind("Warning: Invalid height for custom MIP map in '", 0), 0u);
}

TEST_F(png_files, broken_files_fail_cleanly) {
  std::string good = dir.file("good.png");
  const unsigned char rgba[4 * 4] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  ASSERT_TRUE(write_png_rgba(good.c_str(), rgba, 2, 2, "[mip_max_alpha]"));
  std::string bytes = read_file(good);
  ASSERT_GT(bytes.size(), 40u);

  std::string crc = bytes;
  crc[30] ^= 0x55;  // inside the header chunk: its check sum no longer matches
  std::string cases[][2] = {
      {"missing.png", ""},
      {"signature.png", std::string("\x89PNX\r\n\x1a\n", 8) + bytes.substr(8)},
      {"truncated.png", bytes.substr(0, bytes.size() / 2)},
      {"header_only.png", bytes.substr(0, 8)},
      {"crc.png", crc},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c[0]);
    std::string path = c[1].empty() ? dir.file(c[0]) : put(c[0], c[1]);
    owned<unsigned char> px;
    owned<uint16_t> s;
    int w, h, ch;
    EXPECT_FALSE(read_png_color(path.c_str(), px.out(), &w, &h, &ch));
    EXPECT_FALSE(read_png_gray16(path.c_str(), s.out(), &w, &h));
    EXPECT_FALSE(read_rgba_image(path.c_str(), px.out(), &w, &h));
    EXPECT_EQ(px.p, nullptr);
    EXPECT_EQ(s.p, nullptr);
  }

  // Too wide for the reader, though small on disc.
  png_fixture wide{IMAGE_MAX_SIDE + 1, 1, PNG_COLOR_TYPE_GRAY, 1,
                std::vector<unsigned char>((IMAGE_MAX_SIDE + 1 + 7) / 8, 0)};
  std::string path = dir.file("wide.png");
  ASSERT_TRUE(write_fixture(path, wide));
  owned<unsigned char> px;
  owned<uint16_t> s;
  int w, h, ch;
  EXPECT_FALSE(read_png_color(path.c_str(), px.out(), &w, &h, &ch));
  EXPECT_FALSE(read_png_gray16(path.c_str(), s.out(), &w, &h));
}
