#include <string>
#include <vector>

#include "config_fixture.h"

namespace {

std::vector<std::string> names_of(const choice_item &c) {
  std::vector<std::string> v;
  for (int i = 0; i < c.count; i++) v.push_back(c.names[i]);
  return v;
}

std::vector<std::string> data_names_of(const choice_item &c) {
  std::vector<std::string> v;
  for (int i = 0; i < c.count; i++) v.push_back(c.data_names[i] ? c.data_names[i] : "(none)");
  return v;
}

using texture_variants = config_test;

TEST_F(texture_variants, lists_matching_pictures_in_data_order) {
  for (const char *f : {"rider_body-red.png", "textures/rider_body-blue.png", "rider_body-blue_norm.png",
                        "rider_body-blue_spec.png", "rider_body-old.jpg", "rider_body.png", "Rider_body-caps.png",
                        "rider_body-.png", "textures/rider_body-red.png.bak", "x/rider_body-/plain.png"})
    data_file(f);
  texture_variants_build(&settings.rider_texture, "rider_body-");
  EXPECT_EQ(names_of(settings.rider_texture), (std::vector<std::string>{"default", "", "red", "blue"}));
  EXPECT_EQ(data_names_of(settings.rider_texture),
            (std::vector<std::string>{"(none)", "@rider_body-.png", "@rider_body-red.png",
                                      "@textures/rider_body-blue.png"}));
  EXPECT_EQ(settings.rider_texture.selected, 0);

  // A prefix that already reaches into ".png" matches nothing instead of
  // cutting a negative length.
  texture_variants_build(&settings.rider_texture, "rider_body-red.png");
  EXPECT_EQ(names_of(settings.rider_texture), (std::vector<std::string>{"default"}));
}

TEST_F(texture_variants, rebuild_replaces_and_release_restores_default) {
  for (const char *f : {"wheels-gold.png", "wheels-black.png", "rider_head-white.png"}) data_file(f);
  texture_variants_build(&settings.wheel_texture, "wheels-");
  settings.wheel_texture.selected = 2;
  EXPECT_EQ(names_of(settings.wheel_texture), (std::vector<std::string>{"default", "black", "gold"}));
  texture_variants_build(&settings.wheel_texture, "rider_head-");
  EXPECT_EQ(names_of(settings.wheel_texture), (std::vector<std::string>{"default", "white"}));
  EXPECT_EQ(settings.wheel_texture.selected, 0);

  texture_variants_release_all();
  EXPECT_EQ(names_of(settings.wheel_texture), (std::vector<std::string>{"default"}));
  EXPECT_EQ(settings.wheel_texture.data_names[0], nullptr);
  // Defaults keep built lists (only the selection returns to 0).
  texture_variants_build(&settings.wheel_texture, "wheels-");
  settings.wheel_texture.selected = 1;
  settings_defaults();
  EXPECT_EQ(settings.wheel_texture.count, 3);
  EXPECT_EQ(settings.wheel_texture.selected, 0);
}

TEST_F(texture_variants, build_all_uses_the_selected_bike) {
  for (const char *f : {"rider_body-a.png", "rider_head-b.png", "wheels-c.png", "crf250-d.png", "yz250f-e.png",
                        "yz250f_se-f.png"})
    data_file(f);
  texture_variants_build_all();
  EXPECT_EQ(names_of(settings.rider_texture), (std::vector<std::string>{"default", "a"}));
  EXPECT_EQ(names_of(settings.head_texture), (std::vector<std::string>{"default", "b"}));
  EXPECT_EQ(names_of(settings.wheel_texture), (std::vector<std::string>{"default", "c"}));
  EXPECT_EQ(names_of(settings.bike_texture), (std::vector<std::string>{"default", "d"}));

  ASSERT_TRUE(choice_set_by_name(&settings.bike, "yz250f_se(2006)"));
  texture_variants_build_all();
  EXPECT_EQ(names_of(settings.bike_texture), (std::vector<std::string>{"default", "f"}));
}

TEST(bike_texture_prefix, follows_the_bike_choices) {
  settings_defaults();
  const struct {
    const char *bike, *prefix;
  } cases[] = {{"crf250(2009)", "crf250-"}, {"yz250f(2007)", "yz250f-"}, {"yz250f_se(2006)", "yz250f_se-"},
               {"rmz250(2008)", "rmz250-"}, {"cr125", "cr125-"},         {"yz125", "yz125-"}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.bike);
    ASSERT_TRUE(choice_set_by_name(&settings.bike, c.bike));
    EXPECT_STREQ(bike_texture_prefix(settings.bike.selected), c.prefix);
  }
  EXPECT_EQ(settings.bike.count, 17);
  EXPECT_STREQ(bike_texture_prefix(-1), "crf250-");
  EXPECT_STREQ(bike_texture_prefix(17), "crf250-");
}

}  // namespace
