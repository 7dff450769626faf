// Collision shapes: lists of spheres fixed in a part's body frame, read from
// ".shp" text files through the data layer. Files are read once and cached by
// name; every bike gets its own copy whose world-space centres it recomputes
// whenever the shape is tested.
//
// A file yields no shape when it can't be read completely, when its sphere
// count is negative or above SHAPE_MAX_SPHERES, or when a number is not finite.
// Cached shapes belong to the cache (until shape_cache_clear); copies belong to
// the caller (shape_free). Main thread only.
#pragma once
#include <cstdint>

struct data_stream;

enum { SHAPE_MAX_SPHERES = 1024 };

struct collision_sphere {
  float centre[3];  // body frame
  float radius, friction, stiffness, damping;
};

struct collision_shape {
  int32_t count;
  collision_sphere *spheres;
  float (*world_centres)[3];  // one per sphere, filled by the contact tests
  float bounding_radius;      // largest |centre| + radius
};

// Parses one shape file; false when the shape is unusable (out is then empty).
bool shape_read(data_stream *s, collision_shape *out);
// The cached shape of a data name, reading it on first use; nullptr when the
// file is missing or unusable (not cached, so a later call tries again).
const collision_shape *shape_load(const char *name);
// A private copy (nullptr for nullptr).
collision_shape *shape_copy(const collision_shape *shape);
void shape_free(collision_shape *shape);
// Forgets every cached shape (track reload, tests).
void shape_cache_clear();
