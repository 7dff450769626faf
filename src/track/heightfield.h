// The ground: one square grid of height samples with its tile map, surface
// table and the render-side maps (shading, shadows), loaded from a track
// folder, sampled by the simulation and cameras, dug by roost erosion and
// saved by the editor.
//
// One record, `terrain`, owns every array from heightfield_load to the next
// load or heightfield_release. Queries clamp sample indices into the grid, so
// outside the square the edge heights continue; they never allocate and are
// safe on any finite or non-finite input. Main thread only.
#pragma once
#include <cstdint>

#include "track/surface.h"

// size_shift range accepted from files: 12 gives 8193 x 8193 samples.
enum { HF_MIN_SHIFT = 1, HF_MAX_SHIFT = 12 };

struct heightfield {
  bool loaded;
  int32_t size_shift;        // n: 2^n x 2^n tiles
  int32_t samples_per_side;  // 2^(n+1) + 1
  int32_t tiles_per_side;    // 2^n
  float spacing;             // feet between samples
  float extent;              // spacing * 2^(n+1)
  float tile_size;           // 2 * spacing
  float *heights;            // samples_per_side^2, row j = z / spacing
  float min_height, max_height;
  bool terrain_modified;
  bool deformation_locked;

  unsigned char *tilemap;  // tiles_per_side^2 surface indices, row-major
  int32_t surface_count;   // 1..MAX_SURFACES once loaded
  surface_type surfaces[MAX_SURFACES];

  unsigned char *shading;  // RGB per sample, stored at half intensity
  unsigned char *shadows;  // per sample: 255 - shadows.pgm, 0 without it
};

extern heightfield terrain;

// Loads "terrain.hf" (with "terrain.png"), the shading map, "tileinfo" or
// "texturelist", "tilemap" and the render-side files of `folder` (a path or
// "@" data name without the trailing "/"). On failure the reason has been
// posted and nothing stays allocated.
bool heightfield_load(const char *folder);
// Frees every array and the render-side data; the record is back to empty.
void heightfield_release();
// Writes terrain.hf, terrain.png, shading.ppm, shadingx2.ppm, tilemap and the
// decals into `folder`; stops at the first file it can't create (posting
// "Can't open '<name>'"). Recomputes min_height and max_height.
bool heightfield_save(const char *folder);

// Sample (i, j) with both indices clamped into the grid; 0 without terrain.
float sample_height(const heightfield *hf, int i, int j);
float height_at(float x, float z);
// Surface index of the tile under (x, z), clamped onto the map; 0 without one.
int surface_at(float x, float z);
// The surface under (x, z); the loaded table always has at least one entry.
const surface_type *surface_type_at(float x, float z);

// Visits both triangles of every cell with floor(x_lo/s) <= i < ceil(x_hi/s)
// and likewise for rows (rows outer), vertices as (x, clamped height, z) in
// the collision order. Non-finite bounds visit nothing.
typedef void (*ground_triangle_visitor)(const float a[3], const float b[3], const float c[3],
                                        void *context);
void for_each_ground_triangle(float x_lo, float x_hi, float z_lo, float z_hi,
                              ground_triangle_visitor visit, void *context);

// Adds `amount` feet spread over the 4 x 4 samples around (x, z) with smooth
// weights summing to 1; samples off the grid are skipped. Nothing happens
// while deformation_locked is set or for non-finite input.
void heightfield_deform(float x, float z, float amount);
