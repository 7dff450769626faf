#include "sim/shape.h"

#include <string>

#include "sim/bike.h"
#include "sim/world_fixture.h"

namespace {

using collision_shapes = world_test;

const char *TWO_SPHERES = "2\n0 0.5 0\n0.25 0.8 2500 250\n1 0 0 0.5 1 2000 200\n";

std::string spheres(int n) {
  std::string text = std::to_string(n) + "\n";
  for (int i = 0; i < n; i++) text += "0 0 " + std::to_string(i * 0.01) + " 0.1 1 2500 250\n";
  return text;
}

}  // namespace

TEST_F(collision_shapes, reads_spheres_and_bounding_radius) {
  ASSERT_TRUE(write_file(home.file("two.shp"), TWO_SPHERES));
  data_reset();
  const collision_shape *s = shape_load("@two.shp");
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->count, 2);
  EXPECT_FLOAT_EQ(s->spheres[0].centre[1], 0.5f);
  EXPECT_FLOAT_EQ(s->spheres[0].radius, 0.25f);
  EXPECT_FLOAT_EQ(s->spheres[0].friction, 0.8f);
  EXPECT_FLOAT_EQ(s->spheres[1].stiffness, 2000);
  EXPECT_FLOAT_EQ(s->spheres[1].damping, 200);
  EXPECT_FLOAT_EQ(s->bounding_radius, 1.5f);
  EXPECT_EQ(shape_load("@two.shp"), s);  // cached
}

TEST_F(collision_shapes, unusable_files_give_no_shape) {
  struct {
    const char *name;
    std::string text;
    bool usable;
  } cases[] = {
      {"empty.shp", "0\n", true},
      {"cap.shp", spheres(SHAPE_MAX_SPHERES), true},
      {"over.shp", spheres(SHAPE_MAX_SPHERES + 1), false},
      {"negative.shp", "-3\n0 0 0 1 1 1 1\n", false},
      {"short.shp", "2\n0 0 0\n1 1 1 1\n0 0", false},
      {"nocount.shp", "x\n", false},
      {"nan.shp", "1\n0 nan 0\n1 1 1 1\n", false},
      {"blank.shp", "", false},
  };
  for (const auto &c : cases) ASSERT_TRUE(write_file(home.file(c.name), c.text));
  data_reset();
  for (const auto &c : cases) {
    const collision_shape *s = shape_load((std::string("@") + c.name).c_str());
    EXPECT_EQ(s != nullptr, c.usable) << c.name;
  }
  EXPECT_EQ(shape_load("@missing.shp"), nullptr);
}

TEST_F(collision_shapes, each_bike_owns_a_copy) {
  ASSERT_TRUE(write_file(home.file("generic_frame.shp"), TWO_SPHERES));
  ASSERT_TRUE(write_file(home.file("generic_rider.shp"), "1\n0 0 0\n1 0.5 2500 250\n"));
  data_reset();
  bike *a = make("crf250(2009)", 0), *b = make("cr125", 1);
  const collision_shape *cached = shape_load("@generic_frame.shp");
  ASSERT_NE(a->shapes[SHAPE_CHASSIS], nullptr);
  ASSERT_NE(b->shapes[SHAPE_CHASSIS], nullptr);
  EXPECT_NE(a->shapes[SHAPE_CHASSIS], cached);
  EXPECT_NE(a->shapes[SHAPE_CHASSIS]->spheres, b->shapes[SHAPE_CHASSIS]->spheres);
  EXPECT_EQ(a->shapes[SHAPE_CHASSIS]->count, 2);
  EXPECT_FLOAT_EQ(a->shapes[SHAPE_RIDER]->bounding_radius, 1);
  EXPECT_EQ(a->shapes[SHAPE_SWINGARM], nullptr);  // its file is missing
  a->shapes[SHAPE_CHASSIS]->world_centres[1][0] = 99;
  EXPECT_NE(b->shapes[SHAPE_CHASSIS]->world_centres[1][0], 99);

  // A file that appears later is read then (failures are not remembered).
  ASSERT_TRUE(write_file(home.file("generic_swingarm.shp"), TWO_SPHERES));
  data_reset();
  bike *c = make("kx125", 2);
  EXPECT_NE(c->shapes[SHAPE_SWINGARM], nullptr);
}
