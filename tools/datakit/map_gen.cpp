// The HUD's track map: the loop and the start straight drawn as a light band
// with a dark rim on a transparent square, the finish line across the loop in
// red. One pixel covers extent / MAP_SIDE feet; column = x, row = z, top row
// at z = 0, as the HUD lays the picture over the ground.
#include <algorithm>
#include <cmath>

#include "datakit.h"

namespace {

constexpr unsigned char TRACK_RGB[3] = {236, 226, 204};
constexpr unsigned char RIM_RGB[3] = {40, 32, 24};
constexpr unsigned char FINISH_RGB[3] = {220, 30, 30};

// Coverage of a pixel by the region inside `edge` (feet, negative inside).
float coverage(float edge, float pixel) { return std::clamp(0.5f - edge / pixel, 0.0f, 1.0f); }

}  // namespace

void map_generate(const course *c, std::vector<unsigned char> *rgba) {
  const float pixel = c->extent / MAP_SIDE;
  const float rim = 1.5f * pixel;
  const course_design *d = c->design;
  path_grid *grids[2] = {path_grid_create(&c->loop, c->extent, d->half_width + rim + 2 * pixel),
                         path_grid_create(&c->straight, c->extent, d->pad_half_width + rim + 2 * pixel)};
  path_sample finish = course_sample_at(&c->loop, c->finish_s);
  rgba->assign((size_t)MAP_SIDE * MAP_SIDE * 4, 0);
  for (int row = 0; row < MAP_SIDE; row++)
    for (int col = 0; col < MAP_SIDE; col++) {
      float x = (col + 0.5f) * pixel, z = (row + 0.5f) * pixel;
      float edge = 1e30f;
      for (path_grid *g : grids) {
        path_hit h = path_nearest(g, x, z);
        if (h.found) edge = std::min(edge, h.edge);
      }
      float outer = coverage(edge - rim, pixel), inner = coverage(edge, pixel);
      if (outer <= 0) continue;
      // The finish line: within a pixel of the line across the loop.
      float along = (x - finish.x) * finish.tx + (z - finish.z) * finish.tz;
      float across = std::fabs((x - finish.x) * -finish.tz + (z - finish.z) * finish.tx);
      bool on_finish = std::fabs(along) < pixel && across <= d->half_width;
      const unsigned char *fill = on_finish ? FINISH_RGB : TRACK_RGB;
      unsigned char *p = &(*rgba)[((size_t)row * MAP_SIDE + col) * 4];
      for (int k = 0; k < 3; k++) p[k] = (unsigned char)std::lround(RIM_RGB[k] + (fill[k] - RIM_RGB[k]) * inner);
      p[3] = (unsigned char)std::lround(255.0f * outer);
    }
  path_grid_free(grids[0]);
  path_grid_free(grids[1]);
}
