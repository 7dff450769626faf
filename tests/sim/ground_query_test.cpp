// The torus and sphere tests against single triangles and the terrain
// queries over a flat grid.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "sim/ground_query.h"
#include "track/heightfield.h"
#include "track/terrain_files.h"

namespace {

const float FRONT_R = 0.833333f, FRONT_SMALL_R = 0.333333f;

// A flat triangle at height h covering most of the plane near the origin.
struct flat_triangle {
  float v0[3], v1[3], v2[3];
  explicit flat_triangle(float h = 0) : v0{-10, h, -10}, v1{-10, h, 10}, v2{10, h, 10} {}
};

torus_shape upright_wheel(float x, float y, float z) {
  return torus_shape{{x, y, z}, {1, 0, 0}, FRONT_R, FRONT_SMALL_R};
}

// Exact distance from p to the triangle (closest point by regions).
float point_triangle_distance(const float p[3], const float *const v[3]) {
  double a[3], b[3], c[3], q[3];
  for (int k = 0; k < 3; k++) a[k] = v[0][k], b[k] = v[1][k], c[k] = v[2][k], q[k] = p[k];
  auto d3 = [](const double *x, const double *y) { return x[0] * y[0] + x[1] * y[1] + x[2] * y[2]; };
  double ab[3], ac[3], ap[3], bp[3], cp[3], r[3];
  for (int k = 0; k < 3; k++) ab[k] = b[k] - a[k], ac[k] = c[k] - a[k], ap[k] = q[k] - a[k];
  double d1 = d3(ab, ap), d2 = d3(ac, ap);
  for (int k = 0; k < 3; k++) bp[k] = q[k] - b[k], cp[k] = q[k] - c[k];
  double d3b = d3(ab, bp), d4 = d3(ac, bp), d5 = d3(ab, cp), d6 = d3(ac, cp);
  double va = d3b * d6 - d5 * d4, vb = d5 * d2 - d1 * d6, vc = d1 * d4 - d3b * d2;
  if (d1 <= 0 && d2 <= 0) {
    for (int k = 0; k < 3; k++) r[k] = a[k];
  } else if (d3b >= 0 && d4 <= d3b) {
    for (int k = 0; k < 3; k++) r[k] = b[k];
  } else if (vc <= 0 && d1 >= 0 && d3b <= 0) {
    double t = d1 / (d1 - d3b);
    for (int k = 0; k < 3; k++) r[k] = a[k] + t * ab[k];
  } else if (d6 >= 0 && d5 <= d6) {
    for (int k = 0; k < 3; k++) r[k] = c[k];
  } else if (vb <= 0 && d2 >= 0 && d6 <= 0) {
    double t = d2 / (d2 - d6);
    for (int k = 0; k < 3; k++) r[k] = a[k] + t * ac[k];
  } else if (va <= 0 && (d4 - d3b) >= 0 && (d5 - d6) >= 0) {
    double t = (d4 - d3b) / ((d4 - d3b) + (d5 - d6));
    for (int k = 0; k < 3; k++) r[k] = b[k] + t * (c[k] - b[k]);
  } else {
    double den = 1 / (va + vb + vc), s = vb * den, t = vc * den;
    for (int k = 0; k < 3; k++) r[k] = a[k] + s * ab[k] + t * ac[k];
  }
  double d = 0;
  for (int k = 0; k < 3; k++) d += (q[k] - r[k]) * (q[k] - r[k]);
  return (float)std::sqrt(d);
}

}  // namespace

TEST(torus_triangle, wheel_above_flat_ground_touches_by_the_tube_gap) {
  flat_triangle t;
  ground_contact c;
  ASSERT_TRUE(torus_triangle(upright_wheel(0, 1.09f, 0), t.v0, t.v1, t.v2, &c));
  EXPECT_NEAR(c.depth, 0.076666, 1e-5);
  EXPECT_NEAR(c.normal[1], 1, 1e-6);
  EXPECT_NEAR(c.point[1], 1.09 - FRONT_R - FRONT_SMALL_R, 1e-5);
  EXPECT_NEAR(c.point[2], 0, 1e-6);

  EXPECT_FALSE(torus_triangle(upright_wheel(0, 1.2f, 0), t.v0, t.v1, t.v2, &c));
}

TEST(torus_triangle, wheel_crossing_the_plane_gets_tube_plus_penetration) {
  flat_triangle t;
  ground_contact c;
  ASSERT_TRUE(torus_triangle(upright_wheel(0, 0.5f, 0), t.v0, t.v1, t.v2, &c));
  EXPECT_NEAR(c.depth, FRONT_SMALL_R + (FRONT_R - 0.5f), 1e-5);
  EXPECT_NEAR(c.normal[1], 1, 1e-6);
}

TEST(torus_triangle, sunk_wheel_is_pushed_up_by_two_major_radii) {
  flat_triangle t(2);
  ground_contact c;
  ASSERT_TRUE(torus_triangle(upright_wheel(0, 0.5f, 0), t.v0, t.v1, t.v2, &c));
  EXPECT_FLOAT_EQ(c.depth, 2 * FRONT_R);
  EXPECT_EQ(c.normal[1], 1);
  EXPECT_NEAR(c.point[1], 0.5f - FRONT_R, 1e-6);
  // Not under the triangle seen from above: no sunk contact.
  EXPECT_FALSE(torus_triangle(upright_wheel(30, 0.5f, 30), t.v0, t.v1, t.v2, &c));
}

TEST(torus_triangle, wheel_lying_flat_gives_a_finite_contact) {
  flat_triangle t;
  for (float axle_y : {1.0f, -1.0f}) {
    torus_shape w{{0, 0.2f, 0}, {0, axle_y, 0}, FRONT_R, FRONT_SMALL_R};
    ground_contact c;
    ASSERT_TRUE(torus_triangle(w, t.v0, t.v1, t.v2, &c));
    EXPECT_NEAR(c.depth, FRONT_SMALL_R - 0.2f, 1e-6);
    EXPECT_NEAR(c.normal[1], 1, 1e-6);
    for (float p : c.point) EXPECT_TRUE(std::isfinite(p));
  }
}

TEST(circle_segment_distance, matches_a_dense_search_on_random_poses) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(-1.5f, 1.5f);
  for (int trial = 0; trial < 300; trial++) {
    float c[3] = {0, 0, 0}, a[3] = {u(rng), u(rng), u(rng)};
    float len = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    if (len < 0.1f) continue;
    for (float &x : a) x /= len;
    float p0[3] = {u(rng), u(rng), u(rng)}, p1[3] = {u(rng), u(rng), u(rng)};
    float cp[3], sp[3];
    float got = circle_segment_distance(c, a, FRONT_R, p0, p1, cp, sp);
    // Reference: the exact point-circle distance at many segment points.
    double best = INFINITY;
    for (int k = 0; k <= 20000; k++) {
      double t = k / 20000.0, p[3], wa = 0, w2 = 0;
      for (int j = 0; j < 3; j++) p[j] = p0[j] + t * (p1[j] - p0[j]), wa += p[j] * a[j], w2 += p[j] * p[j];
      double rho = std::sqrt(std::fmax(w2 - wa * wa, 0));
      best = std::fmin(best, std::sqrt(wa * wa + (rho - FRONT_R) * (rho - FRONT_R)));
    }
    ASSERT_NEAR(got, best, 2e-6) << "trial " << trial;
    double d = 0;
    for (int j = 0; j < 3; j++) d += (cp[j] - sp[j]) * (cp[j] - sp[j]);
    ASSERT_NEAR(std::sqrt(d), got, 1e-5);
  }
}

TEST(torus_triangle, depth_matches_a_sampled_distance_on_random_poses) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-1, 1);
  const float v0[3] = {0, 0, 0}, v1[3] = {0.3f, 0.1f, 2}, v2[3] = {2, -0.2f, 1.5f};
  const float *v[3] = {v0, v1, v2};
  int touched = 0;
  for (int trial = 0; trial < 200; trial++) {
    torus_shape w;
    float a[3] = {u(rng), u(rng) * 0.3f, u(rng)};
    float len = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    if (len < 0.1f) continue;
    for (int k = 0; k < 3; k++) w.axle[k] = a[k] / len;
    w.centre[0] = 1 + 1.5f * u(rng), w.centre[1] = 0.9f + 0.35f * u(rng), w.centre[2] = 1 + 1.5f * u(rng);
    w.major_radius = FRONT_R, w.minor_radius = FRONT_SMALL_R;
    // The reference: the circle's nearest approach to the triangle, sampled.
    float e1[3], e2[3];
    float ref[3] = {w.axle[1] == 1 ? 1.0f : 0.0f, w.axle[1] == 1 ? 0.0f : 1.0f, 0};
    float dotp = ref[0] * w.axle[0] + ref[1] * w.axle[1] + ref[2] * w.axle[2];
    for (int k = 0; k < 3; k++) e1[k] = ref[k] - dotp * w.axle[k];
    float l1 = std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]);
    for (float &x : e1) x /= l1;
    e2[0] = w.axle[1] * e1[2] - w.axle[2] * e1[1];
    e2[1] = w.axle[2] * e1[0] - w.axle[0] * e1[2];
    e2[2] = w.axle[0] * e1[1] - w.axle[1] * e1[0];
    float nearest = INFINITY;
    for (int k = 0; k < 720; k++) {
      float th = (float)k * (float)(2 * M_PI / 720), p[3];
      for (int j = 0; j < 3; j++) p[j] = w.centre[j] + FRONT_R * (std::cos(th) * e1[j] + std::sin(th) * e2[j]);
      nearest = std::fmin(nearest, point_triangle_distance(p, v));
    }
    if (nearest < 0.02f) continue;  // crossing or grazing: the penetration rules apply instead
    ground_contact c;
    bool hit = torus_triangle(w, v0, v1, v2, &c);
    // An edge through the wheel's disc counts as touching the tube.
    bool pierced = false;
    for (int j = 0; j < 3; j++) {
      const float *p0 = v[j], *p1 = v[(j + 1) % 3];
      float h0 = 0, h1 = 0;
      for (int k = 0; k < 3; k++) h0 += (p0[k] - w.centre[k]) * w.axle[k], h1 += (p1[k] - w.centre[k]) * w.axle[k];
      if (h0 == h1 || (h0 > 0) == (h1 > 0)) continue;
      float t = h0 / (h0 - h1), r2 = 0;
      for (int k = 0; k < 3; k++) {
        float x = p0[k] + t * (p1[k] - p0[k]) - w.centre[k];
        r2 += x * x;
      }
      pierced = pierced || r2 < FRONT_R * FRONT_R;
    }
    if (pierced) {
      ASSERT_TRUE(hit);
      ASSERT_GE(c.depth, FRONT_SMALL_R - 1.0f / (1 << 20) - 1e-6f);
      continue;
    }
    float expected = FRONT_SMALL_R - nearest;
    if (expected > 0.003f) {
      ASSERT_TRUE(hit) << "trial " << trial;
      // The sampled circle overestimates the distance by at most ~1e-3.
      ASSERT_NEAR(c.depth, expected, 2e-3) << "trial " << trial << " centre " << w.centre[0] << " " << w.centre[1] << " " << w.centre[2] << " axle " << w.axle[0] << " " << w.axle[1] << " " << w.axle[2];
      ASSERT_NEAR(c.normal[0] * c.normal[0] + c.normal[1] * c.normal[1] + c.normal[2] * c.normal[2], 1, 1e-5);
      touched++;
    } else if (expected < -0.003f) {
      ASSERT_FALSE(hit) << "trial " << trial;
    }
  }
  EXPECT_GT(touched, 20);
}

TEST(sphere_triangle, face_edge_vertex_and_sunk_cases) {
  const float v0[3] = {0, 0, 0}, v1[3] = {0, 0, 2}, v2[3] = {2, 0, 2};  // normal +y
  struct row {
    float centre[3], radius;
    bool hit;
    float depth, normal[3];
  } rows[] = {
      {{1.5f, 0.4f, 1.8f}, 0.5f, true, 0.1f, {0, 1, 0}},                      // over the face
      {{1.5f, 0.6f, 1.8f}, 0.5f, false, 0, {0, 0, 0}},                        // clear of the face
      {{-0.3f, 0, 1}, 0.5f, true, 0.2f, {-1, 0, 0}},                          // beside edge 0
      {{1, 0, 2.3f}, 0.5f, true, 0.2f, {0, 0, 1}},                            // beside edge 1, projects onto edge 0 too
      {{-0.3f * 0.6f, 0, -0.3f * 0.8f}, 0.5f, true, 0.2f, {-0.6f, 0, -0.8f}},  // 0.3 ft from vertex 0
      {{1.5f, -0.8f, 1.8f}, 0.5f, true, 1.3f, {0, 1, 0}},                     // sunk, under the triangle
      {{5, -0.8f, 1.8f}, 0.5f, false, 0, {0, 0, 0}},                          // sunk beside it
  };
  for (const row &r : rows) {
    ground_contact c;
    bool hit = sphere_triangle(r.centre, r.radius, v0, v1, v2, &c);
    ASSERT_EQ(hit, r.hit) << r.centre[0] << " " << r.centre[1] << " " << r.centre[2];
    if (!hit) continue;
    EXPECT_NEAR(c.depth, r.depth, 1e-5);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(c.normal[k], r.normal[k], 1e-5);
    for (int k = 0; k < 3; k++)
      EXPECT_NEAR(c.point[k], r.centre[k] - r.radius * c.normal[k], 1e-5);
  }
}

class terrain_query : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(heightfield_create(4, 2, 0)); }
  void TearDown() override { heightfield_release(); }
};

TEST_F(terrain_query, wheel_and_sphere_over_the_grid) {
  ground_contact c;
  // Over a cell corner and mid-cell the deepest triangle answers the same.
  for (float x : {10.0f, 11.0f, 11.7f}) {
    ASSERT_TRUE(wheel_ground_query(upright_wheel(x, 1.09f, 12.3f), &c));
    EXPECT_NEAR(c.depth, 0.076666, 1e-5);
    EXPECT_NEAR(c.normal[1], 1, 1e-6);
  }
  EXPECT_FALSE(wheel_ground_query(upright_wheel(10, 1.2f, 10), &c));
  float centre[3] = {7, 0.3f, 9};
  ASSERT_TRUE(sphere_ground_query(centre, 0.5f, &c));
  EXPECT_NEAR(c.depth, 0.2, 1e-6);
  float nan_centre[3] = {NAN, 0, 0};
  EXPECT_FALSE(sphere_ground_query(nan_centre, 0.5f, &c));
}

TEST_F(terrain_query, nothing_without_terrain) {
  heightfield_release();
  ground_contact c;
  EXPECT_FALSE(wheel_ground_query(upright_wheel(10, 0.5f, 10), &c));
}
