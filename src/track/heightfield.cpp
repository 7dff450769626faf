// Queries and changes on the loaded height grid.
#include "track/heightfield.h"

#include <cmath>
#include <cstring>

#include "track/terrain_render.h"

heightfield terrain;

void heightfield_release() {
  terrain_render_release(&terrain);
  delete[] terrain.heights;
  delete[] terrain.tilemap;
  delete[] terrain.shading;
  delete[] terrain.shadows;
  memset(&terrain, 0, sizeof terrain);
}

static int clamp_index(int i, int n) { return i < 0 ? 0 : (i > n - 1 ? n - 1 : i); }

float sample_height(const heightfield *hf, int i, int j) {
  if (!hf->heights) return 0;
  int n = hf->samples_per_side;
  return hf->heights[clamp_index(j, n) * n + clamp_index(i, n)];
}

// Brings a coordinate in sample units into a range where floor() fits an int.
// Beyond one cell outside the grid every clamped sample is the edge sample, so
// the result there does not depend on how far out the point is.
static float bounded_units(float u, int n) {
  if (!(u >= -2)) return -2;  // also NaN
  if (u > (float)n + 1) return (float)n + 1;
  return u;
}

float height_at(float x, float z) {
  const heightfield *hf = &terrain;
  if (!hf->heights) return 0;
  int n = hf->samples_per_side;
  float u = bounded_units(x / hf->spacing, n), w = bounded_units(z / hf->spacing, n);
  int i = (int)floorf(u), j = (int)floorf(w);
  float fx = u - (float)i, fz = w - (float)j;
  float h00 = sample_height(hf, i, j), h10 = sample_height(hf, i + 1, j);
  float h01 = sample_height(hf, i, j + 1), h11 = sample_height(hf, i + 1, j + 1);
  if ((i + j) & 1) {
    if (fx + fz <= 1) return h00 + fx * (h10 - h00) + fz * (h01 - h00);
    return h11 + (1 - fx) * (h01 - h11) + (1 - fz) * (h10 - h11);
  }
  if (fz <= fx) return h10 + (1 - fx) * (h00 - h10) + fz * (h11 - h10);
  return h01 + fx * (h11 - h01) + (1 - fz) * (h00 - h01);
}

// Tile index along one axis: clamped as a real number, then truncated.
static int tile_index(float t, int tiles) {
  if (!(t >= 0)) return 0;  // also NaN
  if (t > (float)(tiles - 1)) return tiles - 1;
  return (int)t;
}

int surface_at(float x, float z) {
  const heightfield *hf = &terrain;
  if (!hf->tilemap) return 0;
  int t = hf->tiles_per_side;
  int c = tile_index(x / hf->tile_size, t), r = tile_index(z / hf->tile_size, t);
  return hf->tilemap[r * t + c];
}

const surface_type *surface_type_at(float x, float z) { return &terrain.surfaces[surface_at(x, z)]; }

// Cell index range bound: far enough outside any grid that the loops still
// meet the query, small enough that the conversion is defined.
static int cell_bound(double v) {
  const double limit = 1 << 30;
  return (int)(v < -limit ? -limit : (v > limit ? limit : v));
}

void for_each_ground_triangle(float x_lo, float x_hi, float z_lo, float z_hi,
                              ground_triangle_visitor visit, void *context) {
  const heightfield *hf = &terrain;
  if (!hf->heights || !visit) return;
  if (!std::isfinite(x_lo) || !std::isfinite(x_hi) || !std::isfinite(z_lo) || !std::isfinite(z_hi))
    return;
  float s = hf->spacing;
  int i_lo = cell_bound(floor((double)x_lo / s)), i_hi = cell_bound(ceil((double)x_hi / s));
  int j_lo = cell_bound(floor((double)z_lo / s)), j_hi = cell_bound(ceil((double)z_hi / s));
  for (int j = j_lo; j < j_hi; j++) {
    for (int i = i_lo; i < i_hi; i++) {
      float x0 = (float)i * s, x1 = (float)(i + 1) * s;
      float z0 = (float)j * s, z1 = (float)(j + 1) * s;
      const float v00[3] = {x0, sample_height(hf, i, j), z0};
      const float v10[3] = {x1, sample_height(hf, i + 1, j), z0};
      const float v01[3] = {x0, sample_height(hf, i, j + 1), z1};
      const float v11[3] = {x1, sample_height(hf, i + 1, j + 1), z1};
      if (((i + j) & 1) == 0) {
        visit(v00, v01, v11, context);
        visit(v11, v10, v00, context);
      } else {
        visit(v00, v01, v10, context);
        visit(v11, v10, v01, context);
      }
    }
  }
}

void heightfield_deform(float x, float z, float amount) {
  heightfield *hf = &terrain;
  if (amount == 0 || !hf->heights || hf->deformation_locked) return;
  if (!std::isfinite(x) || !std::isfinite(z) || !std::isfinite(amount)) return;
  int n = hf->samples_per_side;
  float u = bounded_units(x / hf->spacing, n), w = bounded_units(z / hf->spacing, n);
  int i0 = (int)floorf(u) - 1, j0 = (int)floorf(w) - 1;
  float weight[4][4], sum = 0;
  for (int b = 0; b < 4; b++)
    for (int a = 0; a < 4; a++) {
      float du = u - (float)(i0 + a), dw = w - (float)(j0 + b);
      float t = sqrtf(du * du + dw * dw) / 2;
      weight[b][a] = t <= 1 ? 1 - 3 * t * t + 2 * t * t * t : 0;
      sum += weight[b][a];
    }
  if (!(sum > 0)) return;
  for (int b = 0; b < 4; b++)
    for (int a = 0; a < 4; a++) {
      int i = i0 + a, j = j0 + b;
      if (i < 0 || j < 0 || i >= n || j >= n || weight[b][a] == 0) continue;
      float wt = weight[b][a] / sum;
      float *h = &hf->heights[j * n + i];
      float changed = *h + amount * wt;
      if (!std::isfinite(changed)) continue;
      terrain_shading_before(i, j);
      *h = changed;
      if (changed > hf->max_height) hf->max_height = changed;
      if (changed < hf->min_height) hf->min_height = changed;
      hf->terrain_modified = true;
      terrain_shading_after(i, j, wt);
    }
}
