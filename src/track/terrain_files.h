// Writers of the terrain files of a track folder, one per format, so that a
// track can be produced from code (the data generator, the tests) and the
// editor's save uses the same forms. Every writer creates its file through
// the data layer ("wb"; a path or "@" data name), returns false on bad
// arguments, a file it can't create or a failed write, and posts nothing.
//
// heightfield_create makes a terrain record from code: flat, one default
// surface, every tile surface 0, neutral shading, no shadows.
#pragma once
#include <cstdint>

#include "track/surface.h"

// "terrain.hf" header alone ("%d %f %f %f\n"): the samples are in terrain.png.
bool write_terrain_header(const char *name, int size_shift, float spacing, float min_height,
                          float max_height);
// "terrain.hf" in the raw form: the header, ":" and (2^(n+1)+1)^2 16-bit
// samples low byte first, rows of increasing z.
bool write_terrain_raw(const char *name, int size_shift, float spacing, float min_height,
                       float max_height, const uint16_t *samples);
// 16-bit grey picture of side x side heights: (h - lo) / (hi - lo) * 65535
// rounded; all 0 when hi equals lo.
bool write_terrain_png(const char *name, const float *heights, int side, float lo, float hi);
// "P6" picture of side x side stored (half-intensity) shading triples,
// doubled and limited to 255 when `doubled`, else as stored.
bool write_shading(const char *name, const unsigned char *stored, int side, bool doubled);
// The tile bytes as they stand.
bool write_tilemap(const char *name, const unsigned char *tiles, int count);

// One surface as "tileinfo" statements describe it.
struct tileinfo_surface {
  const char *texture;  // nullptr: no "texture" line
  int friction_count;   // 0..MAX_CURVE_POINTS lines
  friction_point friction[MAX_CURVE_POINTS];
  int roll_count;
  roll_resist_point roll[MAX_CURVE_POINTS];
  int roost_count;  // 0..MAX_ROOST_TYPES "roost" lines
  roost_params roost[MAX_ROOST_TYPES];
  const char *roost_texture[MAX_ROOST_TYPES];  // nullptr: the default particle
};
// Statements for each surface, each closed by "addtile". Colours are written
// as bytes, fades per second (the per-step value times 128).
bool write_tileinfo(const char *name, const tileinfo_surface *surfaces, int count);

struct texturelist_entry {
  float friction, force_free, force_sunk;
  const char *texture;  // data name without the "@"
};
bool write_texturelist(const char *name, const texturelist_entry *entries, int count);

// A fresh flat terrain in the global record (any previous one is released);
// false for a size_shift outside HF_MIN_SHIFT..HF_MAX_SHIFT or a spacing or
// height that is not finite (spacing also positive).
bool heightfield_create(int size_shift, float spacing, float height);
