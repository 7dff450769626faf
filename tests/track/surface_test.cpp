// The surface table: tileinfo and texturelist, curves, roost lists, blend
// codes and the tile lookup.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "track/surface_files.h"
#include "track/terrain_render.h"
#include "track_fixture.h"

namespace {

std::vector<std::string> loaded_textures;

uint32_t record_texture(const char *name) {
  loaded_textures.push_back(name);
  return (uint32_t)loaded_textures.size();
}

class surfaces : public track_files {
 protected:
  surface_type table[MAX_SURFACES];
  void SetUp() override {
    track_files::SetUp();
    loaded_textures.clear();
    terrain_render.load_texture = record_texture;
  }
  void TearDown() override {
    terrain_render.load_texture = nullptr;
    track_files::TearDown();
  }
  int read(int (*reader)(data_stream *, surface_type *, int), const std::string &text) {
    std::string file = dir.file("surfaces.txt");
    EXPECT_TRUE(write_file(file, text));
    data_stream *s = data_open(file.c_str(), "rb");
    EXPECT_NE(s, nullptr);
    if (!s) return -1;
    int n = reader(s, table, MAX_SURFACES);
    data_close(s);
    return n;
  }
  int tileinfo(const std::string &text) { return read(tileinfo_read, text); }
};

}  // namespace

TEST_F(surfaces, friction_runs_on_squared_speeds_after_sorting) {
  ASSERT_EQ(tileinfo("friction 1.2 20\nfriction 0.5 0\naddtile\n"
                     "friction 0.7 5\naddtile\n"
                     "addtile\n"
                     "roll_resist 5 15 10\nroll_resist 3 9 0\naddtile\n"),
            4);
  EXPECT_FLOAT_EQ(table[0].friction_curve[0].key, 1.0f / 1048576);
  EXPECT_FLOAT_EQ(surface_friction(&table[0], 0), 0.5f);
  EXPECT_NEAR(surface_friction(&table[0], 10), 0.675f, 1e-5f);
  EXPECT_FLOAT_EQ(surface_friction(&table[0], 20), 1.2f);
  EXPECT_FLOAT_EQ(surface_friction(&table[0], 30), 1.2f);
  for (float v : {0.0f, 4.0f, 5.0f, 100.0f}) {
    EXPECT_FLOAT_EQ(surface_friction(&table[1], v), 0.7f) << v;
    EXPECT_FLOAT_EQ(surface_friction(&table[2], v), 1.0f) << v;
  }
  float a, b;
  surface_roll_resist(&table[3], 5, &a, &b);  // linear in plain speed
  EXPECT_NEAR(a, 4, 1e-5f);
  EXPECT_NEAR(b, 12, 1e-5f);
  surface_roll_resist(&table[3], 50, &a, &b);
  EXPECT_FLOAT_EQ(a, 5);
  EXPECT_FLOAT_EQ(b, 15);
  surface_roll_resist(&table[2], 3, &a, &b);
  EXPECT_FLOAT_EQ(a, 5);
  EXPECT_FLOAT_EQ(b, 15);
  EXPECT_TRUE(messages().empty());
}

TEST_F(surfaces, tileinfo_warnings_and_kept_values) {
  std::string text = "  # not a keyword\n\n\t\r\n"
                     "friction 0.5\nroll_resist 1 2\nfriction nan 3\nfriction -2 -5\n";
  for (int k = 0; k < 8; k++) text += "roll_resist 1 2 " + std::to_string(k + 1) + "\n";
  text += "roll_resist 9 9 99\nfriction 1 1e40\n";
  text += "roost\nroost splash=1\nroost splash=x\nroost count=\nroost\n";
  text += "textures x\naddtile\n";
  ASSERT_EQ(tileinfo(text), 1);
  EXPECT_EQ(messages(), (std::vector<std::string>{
                            "tileinfo warning: Unknown identifier '#'\n",
                            "tileinfo warning: bad friction parameters\n",
                            "tileinfo warning: bad roll_resist parameters\n",
                            "tileinfo warning: bad friction parameters\n",
                            "tileinfo warning: too many roll_resist points\n",
                            "tileinfo warning: bad friction parameters\n",
                            "tileinfo warning: bad count\n",
                            "tileinfo warning: too many roost types\n",
                            "tileinfo warning: Unknown identifier 'textures'\n",
                        }));
  const surface_type &s = table[0];
  EXPECT_FLOAT_EQ(s.friction_curve[0].coefficient, 0);  // clamped to 0, key to 2^-20
  EXPECT_FLOAT_EQ(s.friction_curve[0].key, 1.0f / 1048576);
  EXPECT_FLOAT_EQ(s.friction_curve[1].key, 0);
  EXPECT_FLOAT_EQ(s.roll_resist_curve[7].key, 8);
  EXPECT_EQ(s.roost[0].kind, ROOST_DIRT);
  EXPECT_EQ(s.roost[1].kind, ROOST_SPLASH);
  EXPECT_EQ(s.roost[2].kind, ROOST_DIRT);
  EXPECT_EQ(s.roost[3].count, 0);
  EXPECT_EQ(s.texture, 0u);
  EXPECT_STREQ(s.name, "");
  EXPECT_EQ(loaded_textures, std::vector<std::string>(4, "@roost.png"));
}

TEST_F(surfaces, roost_parameter_list) {
  ASSERT_EQ(tileinfo("texture @ground/mud.png  \n"
                     "roost \"texture=@fx/wet drop.png\" count=0.5 dig=2.5x slip_threshold=1e1 "
                     "slow_angle=1 fast_angle=0.5 slow_speed=2 fast_speed=30 size=0.1 grow=2 drag=0.25 "
                     "vscale=1.5 randomize=4 r=300 g=-1 b=12.9 a=0 fade_r=640 fade_g=-256 fade_b=127 "
                     "fade_a=-100000 bogus=1 r=\n"
                     "addtile\n"),
            1);
  const roost_params &r = table[0].roost[0];
  EXPECT_EQ(r.kind, ROOST_DIRT);
  EXPECT_EQ(loaded_textures, (std::vector<std::string>{"@ground/mud.png  ", "@roost.png", "@fx/wet drop.png"}));
  EXPECT_EQ(table[0].texture, 1u);
  EXPECT_STREQ(table[0].name, "mud.png  ");
  EXPECT_EQ(r.texture, 3u);
  EXPECT_FLOAT_EQ(r.count, 0.5f);
  EXPECT_FLOAT_EQ(r.dig, 2.5f);
  EXPECT_FLOAT_EQ(r.slip_threshold, 10);
  EXPECT_FLOAT_EQ(r.slow_angle, 1);
  EXPECT_FLOAT_EQ(r.fast_angle, 0.5f);
  EXPECT_FLOAT_EQ(r.slow_speed, 2);
  EXPECT_FLOAT_EQ(r.fast_speed, 30);
  EXPECT_FLOAT_EQ(r.size, 0.1f);
  EXPECT_FLOAT_EQ(r.grow, 2);
  EXPECT_FLOAT_EQ(r.drag, 0.25f);
  EXPECT_FLOAT_EQ(r.vscale, 1.5f);
  EXPECT_FLOAT_EQ(r.randomize, 4);
  EXPECT_EQ(r.r, 0);  // "r=" at the end stores the 0 it read after 300 -> 44
  EXPECT_EQ(r.g, 255);
  EXPECT_EQ(r.b, 12);
  EXPECT_EQ(r.a, 0);
  EXPECT_EQ(r.fade_r, 5);
  EXPECT_EQ(r.fade_g, -2);
  EXPECT_EQ(r.fade_b, 0);
  EXPECT_EQ(r.fade_a, (int8_t)(-781 & 255));
  EXPECT_EQ(messages(), (std::vector<std::string>{"tileinfo warning: unknown roost parameter 'bogus=1'\n",
                                                  "tileinfo warning: bad r\n"}));
  // Emitters not named keep every default and stay off.
  EXPECT_EQ(table[0].roost[1].kind, ROOST_OFF);
  EXPECT_FLOAT_EQ(table[0].roost[1].fast_angle, 0.19634955f);
  EXPECT_EQ(table[0].roost[1].fade_a, -2);

  roost_params p = roost_defaults(ROOST_DIRT);
  roost_parse("r=300", &p);
  EXPECT_EQ(p.r, 44);
  roost_parse("count=nan size=inf", &p);  // not finite: 0, with the warnings
  EXPECT_EQ(p.count, 0);
  EXPECT_EQ(p.size, 0);
}

TEST_F(surfaces, reading_stops_at_the_256th_surface) {
  std::string text;
  for (int k = 0; k < 300; k++) text += "friction " + std::to_string(k) + " 1\naddtile\n";
  text += "nonsense\n";
  ASSERT_EQ(tileinfo(text), MAX_SURFACES);
  EXPECT_FLOAT_EQ(table[255].friction_curve[0].coefficient, 255);
  EXPECT_TRUE(messages().empty());
}

TEST_F(surfaces, blend_codes_for_alternatives_and_transitions) {
  const char *names[] = {"dirt.png",           "grass.png",           "dirt-alt1.png",
                         "dirt-grass-1010.png", "dirt-grass.png",      "dirt-grass-10x1.png",
                         "dirt-mud.png",        "mud-dirt.png",        "nohyphen.png",
                         "dirt-alt.png"};
  const int32_t expect[] = {0, 65536 + 256, 0, 256 + 10, 256, 256, -256, 7 * 65792, 8 * 65792, -256};
  std::string text;
  for (const char *n : names) text += std::string("texture @ground/") + n + "\naddtile\n";
  int count = tileinfo(text);
  ASSERT_EQ(count, 10);
  compute_blend_codes(table, count);
  for (int k = 0; k < count; k++) EXPECT_EQ(table[k].blend_code, expect[k]) << names[k];
}

TEST_F(surfaces, texturelist_lines) {
  ASSERT_EQ(read(texturelist_read, "0.8 3 9 tex/dirt.png\n  \n  grass.png\r\n1 2 mud.png"), 3);
  EXPECT_EQ(loaded_textures, (std::vector<std::string>{"@roost.png", "@tex/dirt.png", "@roost.png",
                                                       "@grass.png", "@roost.png", "@1 2 mud.png"}));
  float a, b;
  for (float v : {0.0f, 1.0f, 50.0f}) {
    EXPECT_FLOAT_EQ(surface_friction(&table[0], v), 0.8f);
    surface_roll_resist(&table[0], v, &a, &b);
    EXPECT_FLOAT_EQ(a, 3);
    EXPECT_FLOAT_EQ(b, 9);
    EXPECT_FLOAT_EQ(surface_friction(&table[1], v), 1);
  }
  EXPECT_STREQ(table[0].name, "dirt.png");
  EXPECT_STREQ(table[1].name, "grass.png");
  EXPECT_EQ(table[0].texture, 2u);
  EXPECT_EQ(table[0].roost[0].kind, ROOST_DIRT);
  EXPECT_EQ(table[0].roost[0].texture, 1u);
  EXPECT_EQ(table[0].roost[1].kind, ROOST_OFF);
}

TEST_F(surfaces, written_tileinfo_reads_back) {
  tileinfo_surface s[2] = {};
  s[0].texture = "@sand.png";
  s[0].friction_count = 2;
  s[0].friction[0] = {0.9f, 3};
  s[0].friction[1] = {0.4f, 1};
  s[0].roll_count = 1;
  s[0].roll[0] = {2, 6, 4};
  s[0].roost_count = 2;
  s[0].roost[0] = roost_defaults(ROOST_DIRT);
  s[0].roost[0].r = 200;
  s[0].roost[0].fade_a = -3;
  s[0].roost[1] = roost_defaults(ROOST_SPLASH);
  s[0].roost_texture[1] = "@spray drop.png";
  ASSERT_TRUE(write_tileinfo(dir.file("tileinfo").c_str(), s, 2));
  ASSERT_EQ(read(tileinfo_read, read_file(dir.file("tileinfo"))), 2);
  EXPECT_TRUE(messages().empty());
  EXPECT_FLOAT_EQ(table[0].friction_curve[0].key, 1);
  EXPECT_FLOAT_EQ(table[0].friction_curve[0].coefficient, 0.4f);
  EXPECT_FLOAT_EQ(table[0].roll_resist_curve[0].force_sunk, 6);
  roost_params want = roost_defaults(ROOST_DIRT);
  want.r = 200;
  want.fade_a = -3;
  want.texture = table[0].roost[0].texture;
  EXPECT_NEAR(table[0].roost[0].fast_angle, want.fast_angle, 1e-6f);
  want.fast_angle = table[0].roost[0].fast_angle;  // written with six decimals
  want.slow_angle = table[0].roost[0].slow_angle;
  EXPECT_EQ(memcmp(&table[0].roost[0], &want, sizeof want), 0);
  EXPECT_EQ(table[0].roost[1].kind, ROOST_SPLASH);
  EXPECT_EQ(loaded_textures.back(), "@spray drop.png");
  EXPECT_EQ(table[1].roost[0].kind, ROOST_OFF);
  EXPECT_FLOAT_EQ(surface_friction(&table[1], 7), 1);
}

TEST_F(surfaces, surface_at_clamps_onto_the_map) {
  ASSERT_TRUE(heightfield_create(3, 2, 0));  // 8 x 8 tiles of 4 feet
  for (int k = 0; k < 64; k++) terrain.tilemap[k] = (unsigned char)k;
  EXPECT_EQ(surface_at(5, 9), 2 * 8 + 1);
  EXPECT_EQ(surface_at(-5, 3.99f), 0);
  EXPECT_EQ(surface_at(4, 4), 9);
  EXPECT_EQ(surface_at(31.9f, 100), 63);
  EXPECT_EQ(surface_at(1e30f, -1e30f), 7);
}
