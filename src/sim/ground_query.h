// Geometric contact tests of a wheel (a torus) and of a sphere against the
// terrain triangles, and the terrain queries that keep the deepest contact
// over every triangle under the shape.
//
// Everything is 32-bit float math on the caller's stack: no allocation, no
// global state besides reading the terrain. A returned contact always has a
// finite positive depth and a unit normal pointing from the ground to the
// shape; inputs that are not finite give no contact. Main thread only (the
// terrain is not locked).
#pragma once

struct ground_contact {
  float point[3];
  float normal[3];  // unit, ground -> shape
  float depth;      // > 0
};

struct torus_shape {
  float centre[3];
  float axle[3];  // unit
  float major_radius, minor_radius;
};

// Distance between the circle (centre c, unit axle a, radius R) and the
// segment p0-p1, with the nearest points on each; the global minimum over the
// segment to well below 1e-6 ft.
float circle_segment_distance(const float c[3], const float a[3], float radius, const float p0[3],
                              const float p1[3], float circle_point[3], float segment_point[3]);

// One triangle (vertices in the terrain's collision order, normal
// (v1-v0) x (v2-v0) pointing up). False when nothing touches.
bool torus_triangle(const torus_shape &t, const float v0[3], const float v1[3], const float v2[3],
                    ground_contact *out);
bool sphere_triangle(const float centre[3], float radius, const float v0[3], const float v1[3],
                     const float v2[3], ground_contact *out);

// The deepest contact over the terrain triangles in the square of half-size
// R + r (torus) or the radius (sphere) around the centre.
bool wheel_ground_query(const torus_shape &t, ground_contact *out);
bool sphere_ground_query(const float centre[3], float radius, ground_contact *out);
