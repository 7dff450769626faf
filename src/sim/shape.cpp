#include "sim/shape.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "data/data.h"
#include "platform/log.h"
#include "sim/alloc.h"

namespace {

struct shape_entry {
  char *name;
  collision_shape shape;
};

struct shape_cache {
  shape_entry *entries;
  int count, capacity;
};
shape_cache cache;

bool read_float(data_stream *s, const char *format, float *v) { return data_scanf(s, format, v) == 1 && std::isfinite(*v); }

void release(collision_shape *shape) {
  free(shape->spheres);
  free(shape->world_centres);
  memset(shape, 0, sizeof *shape);
}

}  // namespace

bool shape_read(data_stream *s, collision_shape *out) {
  memset(out, 0, sizeof *out);
  int n = 0;
  if (!s || data_scanf(s, "%d", &n) != 1) return false;
  // The count comes from the file: a negative or absurd one gives no shape.
  if (n < 0 || n > SHAPE_MAX_SPHERES) return false;
  out->spheres = (collision_sphere *)sim_calloc(n, sizeof(collision_sphere));
  out->world_centres = (float(*)[3])sim_calloc(n, sizeof(float[3]));
  out->count = n;
  float bound = 0;
  for (int i = 0; i < n; i++) {
    collision_sphere *c = &out->spheres[i];
    float v[4];
    bool ok = read_float(s, "%f", &c->centre[0]) && read_float(s, "%f", &c->centre[1]) &&
              read_float(s, "%f", &c->centre[2]) && data_scanf(s, "%f %f %f %f", &v[0], &v[1], &v[2], &v[3]) == 4;
    for (int k = 0; ok && k < 4; k++) ok = std::isfinite(v[k]);
    if (!ok) {
      release(out);
      return false;
    }
    c->radius = v[0];
    c->friction = v[1];
    c->stiffness = v[2];
    c->damping = v[3];
    float r = std::sqrt(c->centre[0] * c->centre[0] + c->centre[1] * c->centre[1] + c->centre[2] * c->centre[2]) +
              c->radius;
    if (r > bound) bound = r;
  }
  out->bounding_radius = bound;
  return true;
}

const collision_shape *shape_load(const char *name) {
  if (!name) return nullptr;
  for (int i = 0; i < cache.count; i++)
    if (strcmp(cache.entries[i].name, name) == 0) return &cache.entries[i].shape;
  data_stream *s = data_open(name, "rb");
  if (!s) {
    log_printf("Can't open shape file %s\n", name);
    return nullptr;
  }
  collision_shape shape;
  bool ok = shape_read(s, &shape);
  data_close(s);
  if (!ok) {
    log_printf("Can't read shape file %s\n", name);
    return nullptr;
  }
  if (cache.count == cache.capacity) {
    int capacity = cache.capacity ? cache.capacity * 2 : 16;
    shape_entry *grown = (shape_entry *)sim_calloc(capacity, sizeof(shape_entry));
    if (cache.count) memcpy(grown, cache.entries, cache.count * sizeof(shape_entry));
    free(cache.entries);
    cache.entries = grown;
    cache.capacity = capacity;
  }
  shape_entry *e = &cache.entries[cache.count++];
  size_t len = strlen(name);
  e->name = (char *)sim_calloc(len + 1, 1);
  memcpy(e->name, name, len + 1);
  e->shape = shape;
  return &e->shape;
}

collision_shape *shape_copy(const collision_shape *shape) {
  if (!shape) return nullptr;
  collision_shape *c = (collision_shape *)sim_calloc(1, sizeof(collision_shape));
  c->count = shape->count;
  c->bounding_radius = shape->bounding_radius;
  c->spheres = (collision_sphere *)sim_calloc(shape->count, sizeof(collision_sphere));
  c->world_centres = (float(*)[3])sim_calloc(shape->count, sizeof(float[3]));
  if (shape->count) memcpy(c->spheres, shape->spheres, shape->count * sizeof(collision_sphere));
  return c;
}

void shape_free(collision_shape *shape) {
  if (!shape) return;
  release(shape);
  free(shape);
}

void shape_cache_clear() {
  for (int i = 0; i < cache.count; i++) {
    free(cache.entries[i].name);
    release(&cache.entries[i].shape);
  }
  free(cache.entries);
  memset(&cache, 0, sizeof cache);
}
