// Height queries, the triangle enumeration, deformation and erosion on a
// terrain made in memory.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "track/erosion.h"
#include "track/ground_height.h"
#include "track/heightfield.h"
#include "track/terrain_files.h"

namespace {

struct triangle {
  float v[3][3];
};

void collect(const float a[3], const float b[3], const float c[3], void *context) {
  triangle t;
  for (int k = 0; k < 3; k++) t.v[0][k] = a[k], t.v[1][k] = b[k], t.v[2][k] = c[k];
  static_cast<std::vector<triangle> *>(context)->push_back(t);
}

std::vector<triangle> triangles(float x_lo, float x_hi, float z_lo, float z_hi) {
  std::vector<triangle> out;
  for_each_ground_triangle(x_lo, x_hi, z_lo, z_hi, collect, &out);
  return out;
}

// Height of the plane through a triangle at (x, z), or NAN when (x, z) is
// outside it (seen from above).
float plane_inside(const triangle &t, float x, float z) {
  const float *a = t.v[0], *b = t.v[1], *c = t.v[2];
  float d = (b[0] - a[0]) * (c[2] - a[2]) - (c[0] - a[0]) * (b[2] - a[2]);
  float l1 = ((x - a[0]) * (c[2] - a[2]) - (c[0] - a[0]) * (z - a[2])) / d;
  float l2 = ((b[0] - a[0]) * (z - a[2]) - (x - a[0]) * (b[2] - a[2])) / d;
  const float eps = 1e-5f;
  if (l1 < -eps || l2 < -eps || l1 + l2 > 1 + eps) return NAN;
  return a[1] + l1 * (b[1] - a[1]) + l2 * (c[1] - a[1]);
}

class ground : public ::testing::Test {
 protected:
  // n = 3, spacing 2: 17 x 17 samples of uneven heights.
  void SetUp() override {
    ASSERT_TRUE(heightfield_create(3, 2, 0));
    for (int k = 0; k < 17 * 17; k++) terrain.heights[k] = (float)((k * 37) % 23) - 5;
    terrain.min_height = -5;
    terrain.max_height = 17;
  }
  void TearDown() override { heightfield_release(); }
  float H(int i, int j) { return sample_height(&terrain, i, j); }
  float total() {
    double sum = 0;
    for (int k = 0; k < 17 * 17; k++) sum += terrain.heights[k];
    return (float)sum;
  }
};

}  // namespace

TEST_F(ground, height_at_samples_and_both_cell_parities) {
  for (int j = 0; j < 17; j++)
    for (int i = 0; i < 17; i++) ASSERT_EQ(height_at(i * 2.0f, j * 2.0f), H(i, j)) << i << "," << j;

  // (i + 0.75, j + 0.25) and (i + 0.25, j + 0.75) in sample units.
  struct {
    int i, j;
    float fx, fz;
    int corners[3][2];  // the triangle's vertices as offsets from (i, j)
  } cases[] = {
      {2, 2, 0.75f, 0.25f, {{1, 0}, {0, 0}, {1, 1}}},  // even: below the diagonal
      {2, 2, 0.25f, 0.75f, {{0, 1}, {1, 1}, {0, 0}}},
      {3, 2, 0.75f, 0.25f, {{0, 0}, {1, 0}, {0, 1}}},  // odd: before the anti-diagonal
      {3, 2, 0.75f, 0.75f, {{1, 1}, {0, 1}, {1, 0}}},
  };
  for (const auto &c : cases) {
    triangle t;
    for (int v = 0; v < 3; v++) {
      int a = c.i + c.corners[v][0], b = c.j + c.corners[v][1];
      t.v[v][0] = a * 2.0f, t.v[v][1] = H(a, b), t.v[v][2] = b * 2.0f;
    }
    float x = (c.i + c.fx) * 2, z = (c.j + c.fz) * 2;
    EXPECT_NEAR(height_at(x, z), plane_inside(t, x, z), 1e-4f) << c.i << " " << c.fx << " " << c.fz;
  }
}

TEST_F(ground, height_at_agrees_with_the_enumerated_triangles) {
  // Every point lies on the plane of an enumerated triangle that contains it,
  // including on diagonals and cell borders.
  for (float z = 0.1f; z < 32; z += 0.7f)
    for (float x = 0.05f; x < 32; x += 0.45f) {
      bool found = false;
      for (const triangle &t : triangles(x - 0.01f, x + 0.01f, z - 0.01f, z + 0.01f)) {
        float h = plane_inside(t, x, z);
        if (std::isnan(h)) continue;
        found = true;
        ASSERT_NEAR(height_at(x, z), h, 1e-3f) << x << "," << z;
      }
      ASSERT_TRUE(found) << x << "," << z;
    }
}

TEST_F(ground, outside_the_square_edges_continue_flat) {
  for (float z : {0.0f, 5.3f, 31.0f}) {
    EXPECT_FLOAT_EQ(height_at(-3.7f, z), height_at(0, z)) << z;
    EXPECT_FLOAT_EQ(height_at(-1e30f, z), height_at(0, z)) << z;
    EXPECT_FLOAT_EQ(height_at(40, z), height_at(32, z)) << z;
  }
  EXPECT_FLOAT_EQ(height_at(7.1f, 1e9f), height_at(7.1f, 32));
  EXPECT_TRUE(std::isfinite(height_at(NAN, 3)));
  EXPECT_EQ(surface_at(NAN, -1e30f), 0);
}

TEST_F(ground, triangles_in_row_order_with_collision_vertex_order) {
  // Cells (0,0) even and (1,0) odd, then the row above.
  std::vector<triangle> t = triangles(0.5f, 4, 0, 3);
  ASSERT_EQ(t.size(), 8u);
  const int expect[8][3][2] = {
      {{0, 0}, {0, 1}, {1, 1}}, {{1, 1}, {1, 0}, {0, 0}},  // (0, 0)
      {{1, 0}, {1, 1}, {2, 0}}, {{2, 1}, {2, 0}, {1, 1}},  // (1, 0)
      {{0, 1}, {0, 2}, {1, 1}}, {{1, 2}, {1, 1}, {0, 2}},  // (0, 1)
      {{1, 1}, {1, 2}, {2, 2}}, {{2, 2}, {2, 1}, {1, 1}},  // (1, 1)
  };
  for (int k = 0; k < 8; k++)
    for (int v = 0; v < 3; v++) {
      int i = expect[k][v][0], j = expect[k][v][1];
      EXPECT_EQ(t[k].v[v][0], i * 2.0f) << k << " " << v;
      EXPECT_EQ(t[k].v[v][1], H(i, j)) << k << " " << v;
      EXPECT_EQ(t[k].v[v][2], j * 2.0f) << k << " " << v;
    }
  // Off the grid: unclamped x and z, clamped heights.
  t = triangles(-3, -2.5f, 31, 33);
  ASSERT_EQ(t.size(), 2u * 2);
  EXPECT_EQ(t[0].v[0][0], -4);
  EXPECT_EQ(t[0].v[0][1], H(0, 15));
  EXPECT_EQ(t[3].v[0][2], 34);
  EXPECT_EQ(t[3].v[0][1], H(0, 16));
  EXPECT_TRUE(triangles(NAN, 3, 0, 3).empty());
}

TEST_F(ground, deformation_sums_to_the_amount_and_respects_lock_and_edges) {
  std::vector<float> before(terrain.heights, terrain.heights + 17 * 17);
  float sum = total();
  heightfield_deform(10, 12, -1);  // on sample (5, 6)
  EXPECT_NEAR(total() - sum, -1, 1e-4f);
  EXPECT_TRUE(terrain.terrain_modified);
  for (int j = 0; j < 17; j++)
    for (int i = 0; i < 17; i++) {
      bool near = (i - 5) * (i - 5) + (j - 6) * (j - 6) < 4;  // within 2 samples
      EXPECT_EQ(terrain.heights[j * 17 + i] != before[j * 17 + i], near) << i << "," << j;
    }
  EXPECT_LT(terrain.heights[6 * 17 + 5] - before[6 * 17 + 5], -0.2f);

  sum = total();
  heightfield_deform(7.3f, 21.1f, 2.5f);  // between samples
  EXPECT_NEAR(total() - sum, 2.5f, 1e-4f);

  sum = total();
  heightfield_deform(0.5f, 1, 1);  // the block reaches past the corner
  float edge = total() - sum;
  EXPECT_GT(edge, 0.3f);
  EXPECT_LT(edge, 0.99f);

  heightfield_deform(-50, 5, 1);  // entirely outside
  heightfield_deform(NAN, 5, 1);
  heightfield_deform(5, 5, NAN);
  heightfield_deform(5, 5, INFINITY);
  EXPECT_NEAR(total() - sum, edge, 1e-5f);

  // The bounds widen to include every new height.
  for (float amount : {30.0f, -100.0f}) {
    before.assign(terrain.heights, terrain.heights + 17 * 17);
    terrain.max_height = -100;
    terrain.min_height = 100;
    heightfield_deform(16, 16, amount);
    float lo = 100, hi = -100;
    for (int k = 0; k < 17 * 17; k++)
      if (terrain.heights[k] != before[k]) lo = fminf(lo, terrain.heights[k]), hi = fmaxf(hi, terrain.heights[k]);
    EXPECT_EQ(terrain.max_height, hi) << amount;
    EXPECT_EQ(terrain.min_height, lo) << amount;
  }

  ASSERT_TRUE(heightfield_create(3, 2, 1));
  terrain.deformation_locked = true;
  heightfield_deform(8, 8, -1);
  EXPECT_EQ(total(), 17 * 17);
  EXPECT_FALSE(terrain.terrain_modified);
}

TEST_F(ground, erosion_moves_quantised_dirt) {
  struct {
    float dig, depth;
    int units;
  } cases[] = {{1, 0.05f, 51}, {1, 0.5f, 102}, {10, 0.1f, 255}, {-1, 0.05f, 0}, {NAN, 0.05f, 0}, {1, -1, 0}};
  for (const auto &c : cases) EXPECT_EQ(roost_dig_units(c.dig, c.depth), c.units) << c.dig << " " << c.depth;

  float sum = total();
  roost_erode(10, 10, 102, 0);
  EXPECT_EQ(total(), sum);
  EXPECT_FALSE(terrain.terrain_modified);
  roost_erode(10, 10, 102, 0.5f);
  EXPECT_NEAR(total() - sum, -0.05f, 1e-4f);
  roost_deposit(20, 4, 102, 0.5f);
  EXPECT_NEAR(total() - sum, 0, 1e-4f);
}

TEST_F(ground, ground_height_near_weights) {
  ASSERT_TRUE(heightfield_create(1, 20, 0));  // 5 x 5 samples, 20 apart
  terrain.heights[1] = 10;                    // sample (1, 0)
  // From (0, 0): weight 1 for (0, 0), 0.5 at distance 20, 1 - 18.28/20 at 28.28.
  float corner = 1 - (20 * sqrtf(2) - 10) / 20;
  EXPECT_NEAR(ground_height_near(0, 0), 10 * 0.5f / (1 + 0.5f + 0.5f + corner), 1e-4f);
  // Far away nothing has weight: the nearest lower-left (clamped) sample.
  EXPECT_FLOAT_EQ(ground_height_near(30, -500), 10);
  EXPECT_FLOAT_EQ(ground_height_near(NAN, 0), 0);
  heightfield_release();
  EXPECT_EQ(ground_height_near(3, 3), 0);
}
