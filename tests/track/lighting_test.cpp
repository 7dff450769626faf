// The track lighting file: keywords, defaults, flares, fog and bad input.
#include <cmath>

#include "track/lighting.h"
#include "track_fixture.h"

namespace {

struct lighting_file : track_files {
  void TearDown() override {
    lighting_clear();
    track_files::TearDown();
  }
  void load(const std::string &text) {
    ASSERT_TRUE(write_file(path("lighting"), text));
    lighting_load(path("lighting").c_str());
  }
};

void expect3(const float *v, float a, float b, float c) {
  EXPECT_NEAR(v[0], a, 1e-6);
  EXPECT_NEAR(v[1], b, 1e-6);
  EXPECT_NEAR(v[2], c, 1e-6);
}

}  // namespace

TEST_F(lighting_file, sun_only_keeps_other_defaults) {
  load("sun_vector [0 2 0]\n");
  expect3(track_lighting.sun_vector, 0, 1, 0);
  expect3(track_lighting.sun_color, 1, 1, 1);
  expect3(track_lighting.ambient, 0.5f, 0.5f, 0.5f);
  expect3(track_lighting.global_ambient, 0.2f, 0.2f, 0.2f);
  EXPECT_TRUE(track_lighting.sky_loaded);
  EXPECT_EQ(track_lighting.flare_count, 0);
  EXPECT_EQ(track_lighting.fog_density, 0);
}

TEST_F(lighting_file, every_keyword_and_flares) {
  load("  sun_color [0.9 0.8 0.7]\n"
       "\tambient\t[0.1 0.2 0.3]\n"
       "global_ambient [0.3 0.3 0.4]\n"
       "sky_n @n.png\nsky_u @u.png\nsky_env @env.png\n"
       "\n"
       "flare_element [1 2] [0.5 0.5 0.5] 3 @f1.png\n"
       "flare_element [0 0] [1 1 1] 1 @f2.png\n"
       "flare_element [0 0] [1 1] 1 @short.png\n"  // colour cut short: not added
       "flare_element [3 4] [1 1 1] 2 @f3.png\n"
       "flare_vector [1 1 0]\n"
       "flare_point [10 20 30]\n"
       "flare_element [0 0] [1 1 1] 1 @left_over.png\n"
       "fog [0.5 0.6 0.7] 0.01\n");
  expect3(track_lighting.sun_color, 0.9f, 0.8f, 0.7f);
  expect3(track_lighting.ambient, 0.1f, 0.2f, 0.3f);
  expect3(track_lighting.global_ambient, 0.3f, 0.3f, 0.4f);
  ASSERT_EQ(track_lighting.flare_count, 2);
  const lens_flare &a = track_lighting.flares[0];
  EXPECT_EQ(a.kind, FLARE_VECTOR);
  ASSERT_EQ(a.element_count, 3);
  EXPECT_FLOAT_EQ(a.elements[0].b, 2);
  EXPECT_FLOAT_EQ(a.elements[2].size, 2);
  EXPECT_EQ(track_lighting.flares[1].kind, FLARE_POINT);
  EXPECT_EQ(track_lighting.flares[1].element_count, 0);
  expect3(track_lighting.flares[1].position, 10, 20, 30);
  expect3(track_lighting.fog_color, 0.5f, 0.6f, 0.7f);
  EXPECT_FLOAT_EQ(track_lighting.fog_density, 0.01f);
}

TEST_F(lighting_file, bad_values_leave_fields_and_unknown_keyword_stops) {
  load("fog [0.1 0.2 0.3] 0.05\n");
  load("fog [1 1 1]\n"                // no density: fog unchanged
       "sun_vector [0 0 0]\n"         // zero length: default kept
       "sun_color [1e999 1 1]\n"      // not finite: unchanged
       "flare_element [1 1] [1 1 1] 1 @f.png\n"
       "flare_vector [0 0 0]\n"        // no direction: the flare is dropped
       "flare_element [1 1] [1 1 1] 1e999 @f.png\n"
       "flare_point [1 2 3]\n"
       "ambient [0.4 0.4 0.4\n"       // unclosed
       "sun_colour [0 0 0]\n"         // misspelt: reading stops here
       "fog [0 0 0] 0.9\n");
  expect3(track_lighting.fog_color, 0.1f, 0.2f, 0.3f);  // carried over from the last load
  EXPECT_EQ(track_lighting.fog_density, 0);
  const float d = 1 / std::sqrt(3.0f);
  expect3(track_lighting.sun_vector, d, d, d);
  expect3(track_lighting.sun_color, 1, 1, 1);
  expect3(track_lighting.ambient, 0.5f, 0.5f, 0.5f);
  ASSERT_EQ(track_lighting.flare_count, 1);
  EXPECT_EQ(track_lighting.flares[0].element_count, 0);  // nothing carried over
  EXPECT_TRUE(posted("Error reading lighting: Unknown identifier 'sun_colour'\n"));
}

TEST_F(lighting_file, many_flare_elements_keep_eight) {
  std::string text;
  for (int k = 0; k < 11; k++) text += "flare_element [" + std::to_string(k) + " 0] [1 1 1] 1 @e.png\n";
  load(text + "flare_point [0 0 0]\n");
  ASSERT_EQ(track_lighting.flare_count, 1);
  EXPECT_EQ(track_lighting.flares[0].element_count, FLARE_MAX_ELEMENTS);
  EXPECT_FLOAT_EQ(track_lighting.flares[0].elements[7].a, 7);
}

// The writer's file reads back to the same values; sky faces it leaves out
// come from the default pictures. Content that would not read back as given
// is refused with nothing written.
TEST_F(lighting_file, written_file_reads_back) {
  lens_flare_record flares[2] = {};
  flares[0].kind = FLARE_VECTOR;
  flares[0].position[0] = 0.6f, flares[0].position[1] = 0.5f, flares[0].position[2] = 0.35f;
  flares[0].element_count = 2;
  flares[0].elements[0] = {0, 1, {1, 0.9f, 0.8f}, 0.3f, "@sun.png"};
  flares[0].elements[1] = {0.25f, -0.5f, {0.5f, 0.5f, 1}, 0.1f, "@ring.png"};
  flares[1].kind = FLARE_POINT;
  flares[1].position[0] = 10, flares[1].position[1] = 20, flares[1].position[2] = 30;
  lighting_record l = {{0, 2, 0}, {0.9f, 0.8f, 0.7f}, {0.1f, 0.2f, 0.3f}, {0.3f, 0.3f, 0.4f},
                     {"@n.png", nullptr, nullptr, nullptr, "@u.png"}, "@env.png", flares, 2, true,
                     {0.5f, 0.6f, 0.7f}, 0.0025f};
  ASSERT_TRUE(lighting_write(path("lighting").c_str(), &l));
  lighting_load(path("lighting").c_str());
  expect3(track_lighting.sun_vector, 0, 1, 0);
  expect3(track_lighting.sun_color, 0.9f, 0.8f, 0.7f);
  expect3(track_lighting.ambient, 0.1f, 0.2f, 0.3f);
  expect3(track_lighting.global_ambient, 0.3f, 0.3f, 0.4f);
  ASSERT_EQ(track_lighting.flare_count, 2);
  EXPECT_EQ(track_lighting.flares[0].kind, FLARE_VECTOR);
  ASSERT_EQ(track_lighting.flares[0].element_count, 2);
  EXPECT_FLOAT_EQ(track_lighting.flares[0].elements[1].a, 0.25f);
  EXPECT_FLOAT_EQ(track_lighting.flares[0].elements[1].b, -0.5f);
  EXPECT_EQ(track_lighting.flares[1].kind, FLARE_POINT);
  EXPECT_EQ(track_lighting.flares[1].element_count, 0);
  expect3(track_lighting.flares[1].position, 10, 20, 30);
  expect3(track_lighting.fog_color, 0.5f, 0.6f, 0.7f);
  EXPECT_FLOAT_EQ(track_lighting.fog_density, 0.0025f);
  EXPECT_TRUE(track_lighting.sky_loaded);
  const std::string text = read_file(path("lighting"));
  EXPECT_NE(text.find("sky_n @n.png\n"), std::string::npos);
  EXPECT_EQ(text.find("sky_e "), std::string::npos);

  struct refusal {
    const char *what;
    void (*spoil)(lighting_record *);
  };
  const refusal bad[] = {
      {"zero sun", [](lighting_record *f) { f->sun_vector[0] = f->sun_vector[1] = f->sun_vector[2] = 0; }},
      {"non-finite colour", [](lighting_record *f) { f->ambient[1] = NAN; }},
      {"negative fog", [](lighting_record *f) { f->fog_density = -1; }},
      {"sky name with a space", [](lighting_record *f) { f->sky[2] = "@a b.png"; }},
  };
  for (const refusal &r : bad) {
    lighting_record copy = l;
    copy.flare_count = 0;
    r.spoil(&copy);
    EXPECT_FALSE(lighting_write(path("refused").c_str(), &copy)) << r.what;
    EXPECT_FALSE(file_exists(path("refused"))) << r.what;
  }
  lens_flare_record nine = {};
  nine.kind = FLARE_POINT;
  nine.element_count = FLARE_MAX_ELEMENTS + 1;
  lighting_record many = l;
  many.flares = &nine;
  many.flare_count = 1;
  EXPECT_FALSE(lighting_write(path("refused").c_str(), &many));
}
