// Terrain heights: the low-frequency ground everywhere, pulled onto the track
// bed on the track and blended back to the ground across the shoulders.
#include <algorithm>
#include <cmath>

#include "datakit.h"

void terrain_generate(const course *c, terrain_grid *t) {
  const course_design *d = c->design;
  t->size_shift = d->size_shift;
  t->side = (1 << (d->size_shift + 1)) + 1;
  t->spacing = d->spacing;
  size_t count = (size_t)t->side * t->side;
  t->heights.assign(count, 0.0f);
  t->owner.assign(count, 0);
  t->hit.assign(count, path_hit{false, 0, 0, 0, -1});

  const course_path *paths[2] = {&c->loop, &c->straight};
  path_grid *grids[2] = {path_grid_create(&c->loop, c->extent, d->half_width + SHOULDER + 2),
                         path_grid_create(&c->straight, c->extent, d->pad_half_width + SHOULDER + 2)};
  for (int j = 0; j < t->side; j++)
    for (int i = 0; i < t->side; i++) {
      float x = i * t->spacing, z = j * t->spacing;
      float g = ground_height(c, x, z);
      float w[2] = {0, 0}, h[2] = {g, g};
      path_hit hits[2];
      for (int p = 0; p < 2; p++) {
        hits[p] = path_nearest(grids[p], x, z);
        if (!hits[p].found) continue;
        w[p] = 1.0f - smoothstep01(hits[p].edge / SHOULDER);
        h[p] = course_bed_height(paths[p], hits[p].s, hits[p].lateral);
      }
      size_t k = (size_t)j * t->side + i;
      float wmax = std::max(w[0], w[1]);
      if (wmax <= 0) {
        t->heights[k] = g;
        continue;
      }
      // Where two stretches' shoulders meet, their weighted mean keeps the
      // ground continuous; a sample fully on one stretch takes its bed.
      float mean = (w[0] * h[0] + w[1] * h[1]) / (w[0] + w[1]);
      t->heights[k] = g + wmax * (mean - g);
      int best = (w[1] > w[0] || (w[1] == w[0] && hits[1].edge < hits[0].edge)) ? 1 : 0;
      t->owner[k] = (uint8_t)(best + 1);
      t->hit[k] = hits[best];
    }
  path_grid_free(grids[0]);
  path_grid_free(grids[1]);
}

void terrain_quantise(const terrain_grid *t, float *min_h, float *max_h, std::vector<uint16_t> *samples) {
  float lo = *std::min_element(t->heights.begin(), t->heights.end());
  float hi = *std::max_element(t->heights.begin(), t->heights.end());
  // Bounds on a 1/64 ft grid print exactly with "%f", so the reader gets the
  // same numbers the samples were scaled with.
  lo = std::floor(lo * 64.0f) / 64.0f;
  hi = std::ceil(hi * 64.0f) / 64.0f;
  if (hi <= lo) hi = lo + 1.0f;
  *min_h = lo;
  *max_h = hi;
  samples->resize(t->heights.size());
  for (size_t k = 0; k < t->heights.size(); k++) {
    double v = std::round((t->heights[k] - lo) / (double)(hi - lo) * 65535.0);
    (*samples)[k] = (uint16_t)std::clamp(v, 0.0, 65535.0);
  }
}
