#include "track/ground_height.h"

#include <cmath>

#include "track/heightfield.h"
#include "track/terrain_render.h"

static const float NEAR_RADIUS = 10;

// Clamped sample index of a coordinate in sample units (NaN goes to 0).
static int index_in_grid(double u, int n) {
  if (!(u >= 0)) return 0;
  if (u > n - 1) return n - 1;
  return (int)u;
}

float ground_height_near(float x, float z) {
  const heightfield *hf = &terrain;
  if (!hf->heights) return 0;
  int n = hf->samples_per_side;
  double s = hf->spacing, reach = NEAR_RADIUS + s;
  int i_lo = index_in_grid(floor((x - reach) / s), n), i_hi = index_in_grid(ceil((x + reach) / s), n);
  int j_lo = index_in_grid(floor((z - reach) / s), n), j_hi = index_in_grid(ceil((z + reach) / s), n);
  double sum = 0, weights = 0;
  if (std::isfinite(x) && std::isfinite(z)) {
    for (int j = j_lo; j <= j_hi; j++)
      for (int i = i_lo; i <= i_hi; i++) {
        double dx = i * s - x, dz = j * s - z;
        double d = sqrt(dx * dx + dz * dz);
        double w = d < NEAR_RADIUS ? 1 : 1 - (d - NEAR_RADIUS) / s;
        if (w <= 0) continue;
        sum += w * hf->heights[(size_t)j * n + i];
        weights += w;
      }
  }
  if (weights > 0) return (float)(sum / weights);
  return hf->heights[(size_t)index_in_grid(floor(z / s), n) * n + index_in_grid(floor(x / s), n)];
}

void terrain_frame_update() {
  if (terrain.loaded) terrain_shading_refresh(1);
}
