// Ground shading: per sample, the kit sun on the normal averaged over the
// eight triangles around the sample, dimmed by the sample's shadow, stored at
// half intensity (128 leaves the ground colour unchanged) -- the game's own
// re-shading rule, so editing the ground leaves no seams.
#include <algorithm>
#include <cmath>

#include "datakit.h"
#include "kit_names.h"

void shading_generate(const terrain_grid *t, const std::vector<unsigned char> *shadows,
                      std::vector<unsigned char> *rgb) {
  const int n = t->side;
  const int ring[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
  float sun[3] = {KIT_SUN_VECTOR[0], KIT_SUN_VECTOR[1], KIT_SUN_VECTOR[2]};
  float sl = std::sqrt(sun[0] * sun[0] + sun[1] * sun[1] + sun[2] * sun[2]);
  for (float &v : sun) v /= sl;
  rgb->assign((size_t)n * n * 3, 0);
  auto point = [t, n](int i, int j, float out[3]) {
    int ci = std::clamp(i, 0, n - 1), cj = std::clamp(j, 0, n - 1);
    out[0] = ci * t->spacing;
    out[1] = t->heights[(size_t)cj * n + ci];
    out[2] = cj * t->spacing;
  };
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      float p[3], sum[3] = {0, 0, 0};
      point(i, j, p);
      for (int k = 0; k < 8; k++) {
        float a[3], b[3];
        point(i + ring[k][0], j + ring[k][1], a);
        point(i + ring[(k + 1) % 8][0], j + ring[(k + 1) % 8][1], b);
        float u[3] = {a[0] - p[0], a[1] - p[1], a[2] - p[2]};
        float v[3] = {b[0] - p[0], b[1] - p[1], b[2] - p[2]};
        float c[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        float len = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        if (len <= 0) continue;  // degenerate at the border
        if (c[1] < 0) len = -len;  // face up
        for (int q = 0; q < 3; q++) sum[q] += c[q] / len;
      }
      float sn = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
      float l = sn > 0 ? std::clamp((sum[0] * sun[0] + sum[1] * sun[1] + sum[2] * sun[2]) / sn, 0.0f, 1.0f) : 0.0f;
      // The game keeps 255 - file value and multiplies by (1 - kept / 255).
      if (shadows) l *= (*shadows)[(size_t)j * n + i] / 255.0f;
      unsigned char *out = &(*rgb)[((size_t)j * n + i) * 3];
      for (int q = 0; q < 3; q++) {
        float v = std::round((KIT_SUN_COLOR[q] * l + KIT_AMBIENT[q]) * 0.5f * 255.0f);
        out[q] = (unsigned char)std::clamp(v, 0.0f, 255.0f);
      }
    }
}
