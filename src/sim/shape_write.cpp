#include "sim/shape_write.h"

#include <cmath>

#include "data/data.h"

namespace {

bool spheres_ok(const collision_sphere *spheres, int count) {
  if (count < 0 || count > SHAPE_MAX_SPHERES || (count > 0 && !spheres)) return false;
  for (int i = 0; i < count; i++) {
    const collision_sphere &c = spheres[i];
    const float v[7] = {c.centre[0], c.centre[1], c.centre[2], c.radius, c.friction, c.stiffness, c.damping};
    for (float x : v)
      if (!std::isfinite(x)) return false;
  }
  return true;
}

}  // namespace

bool shape_write(data_stream *s, const collision_sphere *spheres, int count) {
  if (!s || !spheres_ok(spheres, count)) return false;
  bool ok = data_printf(s, "%d\n", count) >= 0;
  for (int i = 0; ok && i < count; i++) {
    const collision_sphere &c = spheres[i];
    ok = data_printf(s, "%f %f %f %f %f %f %f\n", c.centre[0], c.centre[1], c.centre[2], c.radius, c.friction,
                     c.stiffness, c.damping) >= 0;
  }
  return ok && data_flush(s) == 0;
}

bool shape_write_file(const char *name, const collision_sphere *spheres, int count) {
  if (!spheres_ok(spheres, count)) return false;
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  bool ok = shape_write(s, spheres, count);
  data_close(s);
  return ok;
}
