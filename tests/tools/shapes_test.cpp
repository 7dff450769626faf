// The kit's collision shapes: every file reads back, the wheels have the
// tyre's size, and a bike standing at rest on level ground touches it only
// with its tyres, even with the suspension fully compressed.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "data/data.h"
#include "datakit.h"
#include "kit_names.h"
#include "sim/bike_spec.h"
#include "sim/shape.h"
#include "sim/shape_write.h"
#include "support/test_env.h"

namespace {

bool read_back(const std::string &path, collision_shape *out) {
  data_stream *s = data_open(path.c_str(), "rb");
  if (!s) return false;
  bool ok = shape_read(s, out);
  data_close(s);
  return ok;
}

void release(collision_shape *c) {
  free(c->spheres);
  free(c->world_centres);
}

}  // namespace

TEST(KitShapes, ReadBackWithTheirSize) {
  temp_dir dir;
  std::vector<shape_asset> shapes;
  shapes_generate(&shapes);
  ASSERT_GE(shapes.size(), 8u);
  const bike_spec *spec = bike_spec_at(0);
  for (const shape_asset &a : shapes) {
    SCOPED_TRACE(a.file);
    std::string path = dir.file(a.file);
    ASSERT_TRUE(shape_write_file(path.c_str(), a.spheres.data(), (int)a.spheres.size()));
    collision_shape c;
    ASSERT_TRUE(read_back(path, &c));
    EXPECT_EQ(c.count, (int)a.spheres.size());
    EXPECT_GT(c.count, 0);
    if (std::string(a.file) == KIT_FRONT_WHEEL_SHAPE) {
      EXPECT_NEAR(c.bounding_radius, spec->front_major_radius + spec->front_minor_radius, 1e-4f);
    }
    if (std::string(a.file) == KIT_REAR_WHEEL_SHAPE) {
      EXPECT_NEAR(c.bounding_radius, spec->rear_major_radius + spec->rear_minor_radius, 1e-4f);
    }
    if (std::string(a.file) == KIT_STARTGATE_SHAPE) {
      // As wide as one start position, so neighbouring gates don't overlap.
      float half = 0;
      for (int k = 0; k < c.count; k++) half = std::fmax(half, std::fabs(c.spheres[k].centre[0]) + c.spheres[k].radius);
      EXPECT_LE(2 * half, 4.5f);
    }
    release(&c);
  }
}

// Ground at y = 0 under the bike's rest pose: the tyres reach it, nothing else
// comes within the clearance, also with the fork and shock fully compressed
// (the chassis, fork upper and rider dropped by the travel).
TEST(KitShapes, BikeAtRestTouchesOnlyWithItsTyres) {
  std::vector<shape_asset> shapes;
  shapes_generate(&shapes);
  const bike_spec *s = bike_spec_at(0);
  struct part {
    const char *file;
    const float *position;
    bool wheel;
  } parts[] = {
      {KIT_FRAME_SHAPE, s->chassis_position, false},    {KIT_FORK_UPPER_SHAPE, s->fork_upper_position, false},
      {KIT_FORK_LOWER_SHAPE, s->fork_lower_position, false}, {KIT_SWINGARM_SHAPE, s->swingarm_position, false},
      {KIT_RIDER_SHAPE, s->rider_position, false},      {KIT_FRONT_WHEEL_SHAPE, s->front_axle_position, true},
      {KIT_REAR_WHEEL_SHAPE, s->rear_axle_position, true},
  };
  const float sag = 0.6f;  // bodies on the springs, dropped towards the ground
  for (const part &p : parts) {
    SCOPED_TRACE(p.file);
    const shape_asset *a = nullptr;
    for (const shape_asset &x : shapes)
      if (std::string(x.file) == p.file) a = &x;
    ASSERT_NE(a, nullptr);
    float lowest = 1e9f;
    for (const collision_sphere &c : a->spheres) lowest = std::fmin(lowest, p.position[1] + c.centre[1] - c.radius);
    if (p.wheel) {
      EXPECT_LT(lowest, 0.0f);
      EXPECT_GT(lowest, -0.15f);
    } else {
      // Parts that move with the suspension may come down by the sag.
      bool sprung = p.position != s->fork_lower_position && p.position != s->swingarm_position;
      EXPECT_GT(lowest - (sprung ? sag : 0.0f), 0.25f);
    }
  }
}

TEST(ShapeWrite, RefusesWhatTheReaderWouldReject) {
  temp_dir dir;
  collision_sphere good = {{0.5f, -1.25f, 2}, 0.3f, 1, 25000, 2500};
  collision_sphere bad = good;
  bad.radius = NAN;
  struct {
    const collision_sphere *spheres;
    int count;
    bool ok;
  } cases[] = {{&good, 1, true}, {&bad, 1, false}, {&good, -1, false}, {nullptr, 0, true},
               {nullptr, 3, false}, {&good, SHAPE_MAX_SPHERES + 1, false}};
  for (const auto &c : cases) {
    std::string path = dir.file("s.shp");
    std::remove(path.c_str());
    EXPECT_EQ(shape_write_file(path.c_str(), c.spheres, c.count), c.ok) << c.count;
    EXPECT_EQ(file_exists(path), c.ok);
  }
  collision_shape back;
  ASSERT_TRUE(shape_write_file(dir.file("g.shp").c_str(), &good, 1));
  ASSERT_TRUE(read_back(dir.file("g.shp"), &back));
  ASSERT_EQ(back.count, 1);
  EXPECT_FLOAT_EQ(back.spheres[0].centre[1], -1.25f);
  EXPECT_FLOAT_EQ(back.spheres[0].stiffness, 25000);
  EXPECT_FLOAT_EQ(back.bounding_radius, std::sqrt(0.25f + 1.5625f + 4) + 0.3f);
  release(&back);
}
