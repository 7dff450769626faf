// Ground shadows: from every sample a ray runs towards the kit sun over the
// heights; the sample is lit by the share of the sun's disc (widened to a
// soft edge of about a degree) that clears the ground along the ray.
#include <algorithm>
#include <cmath>

#include "datakit.h"
#include "kit_names.h"

namespace {

// Bilinear height at a point given in samples, clamped to the grid.
float height_in_samples(const terrain_grid *t, float u, float v) {
  const int n = t->side;
  u = std::clamp(u, 0.0f, (float)(n - 1));
  v = std::clamp(v, 0.0f, (float)(n - 1));
  int i = std::min((int)u, n - 2), j = std::min((int)v, n - 2);
  float fu = u - i, fv = v - j;
  const float *h = t->heights.data();
  float a = h[(size_t)j * n + i], b = h[(size_t)j * n + i + 1];
  float c = h[(size_t)(j + 1) * n + i], d = h[(size_t)(j + 1) * n + i + 1];
  return (a + (b - a) * fu) + ((c + (d - c) * fu) - (a + (b - a) * fu)) * fv;
}

}  // namespace

void shadows_generate(const terrain_grid *t, std::vector<unsigned char> *grey) {
  const int n = t->side;
  const float sx = KIT_SUN_VECTOR[0], sy = KIT_SUN_VECTOR[1], sz = KIT_SUN_VECTOR[2];
  const float horizontal = std::sqrt(sx * sx + sz * sz);
  grey->assign((size_t)n * n, 255);
  if (horizontal <= 0 || sy <= 0) return;  // a sun overhead (or below) casts no terrain shadow here
  const float rise = sy / horizontal;          // ray height gained per foot
  const float dx = sx / horizontal, dz = sz / horizontal;
  const float soft = 0.02f;                    // soft edge: height per foot of distance
  const float step = 0.5f * t->spacing;
  const float top = *std::max_element(t->heights.begin(), t->heights.end());
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      float h0 = t->heights[(size_t)j * n + i];
      float lit = 1.0f;
      // Start a little away from the sample: its own slope is the normal's job.
      for (float d = 1.5f * t->spacing; h0 + rise * d < top + soft * d; d += step) {
        float x = i * t->spacing + dx * d, z = j * t->spacing + dz * d;
        if (x < 0 || z < 0 || x > (n - 1) * t->spacing || z > (n - 1) * t->spacing) break;
        float clearance = h0 + rise * d - height_in_samples(t, x / t->spacing, z / t->spacing);
        lit = std::min(lit, std::clamp(0.5f + clearance / (2 * soft * d), 0.0f, 1.0f));
        if (lit <= 0) break;
      }
      (*grey)[(size_t)j * n + i] = (unsigned char)std::lround(lit * 255.0f);
    }
}
