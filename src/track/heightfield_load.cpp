// Loading a track folder's terrain in its fixed order, and the editor's save.
#include <nettle/ripemd160.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/message_log.h"
#include "data/data.h"
#include "platform/log.h"
#include "render/image.h"
#include "track/heightfield.h"
#include "track/surface_files.h"
#include "track/terrain_files.h"
#include "track/terrain_render.h"

enum { PATH_SIZE = 1024 };

static void track_path(char *out, const char *folder, const char *name) {
  snprintf(out, PATH_SIZE, "%s/%s", folder, name);
}

static data_stream *open_required(const char *path) {
  data_stream *s = data_open(path, "rb");
  if (!s) post_messagef("Can't open '%.950s'", path);
  return s;
}

static void log_digest(ripemd160_ctx *ctx) {
  uint8_t digest[RIPEMD160_DIGEST_SIZE];
  ripemd160_digest(ctx, sizeof digest, digest);
  char hex[2 * RIPEMD160_DIGEST_SIZE + 1];
  for (int k = 0; k < RIPEMD160_DIGEST_SIZE; k++) snprintf(hex + 2 * k, 3, "%02x", digest[k]);
  log_printf("%s\n", hex);
}

// Converts one row of 16-bit samples (low byte first in `bytes`) to heights.
static void store_row(heightfield *hf, int j, const unsigned char *bytes, ripemd160_ctx *ctx) {
  int side = hf->samples_per_side;
  double lo = hf->min_height, step = ((double)hf->max_height - lo) / 65535;
  float *row = hf->heights + (size_t)j * side;
  for (int i = 0; i < side; i++) row[i] = (float)(lo + (bytes[2 * i] | bytes[2 * i + 1] << 8) * step);
  if (ctx) ripemd160_update(ctx, (size_t)side * 2, bytes);
}

static bool header_ok(int n, float spacing, float lo, float hi) {
  if (n < HF_MIN_SHIFT || n > HF_MAX_SHIFT) return false;
  if (!(spacing > 0) || !std::isfinite(spacing * (float)(2 << n))) return false;
  return std::isfinite(lo) && std::isfinite(hi);
}

// terrain.hf (stream after nothing was read) and, without ":", terrain.png.
static bool read_heights(data_stream *s, const char *folder, heightfield *hf) {
  int n = 0;
  float spacing = 0, lo = 0, hi = 0;
  if (data_scanf(s, "%d %f %f %f ", &n, &spacing, &lo, &hi) != 4 || !header_ok(n, spacing, lo, hi)) {
    post_message("Bad height field parameters");
    post_message("Error reading heights");
    return false;
  }
  int side = (1 << (n + 1)) + 1;
  hf->size_shift = n;
  hf->samples_per_side = side;
  hf->tiles_per_side = 1 << n;
  hf->spacing = spacing;
  hf->extent = spacing * (float)(2 << n);
  hf->tile_size = 2 * spacing;
  hf->min_height = lo;
  hf->max_height = hi;
  hf->heights = new float[(size_t)side * side];

  ripemd160_ctx ctx;
  ripemd160_ctx *digest = debug_level >= 2 ? &ctx : nullptr;
  if (digest) ripemd160_init(digest);
  unsigned char *bytes = new unsigned char[(size_t)side * 2];
  if (data_getc(s) == ':') {
    for (int j = 0; j < side; j++) {
      int got = data_read(s, bytes, side * 2);
      if (got < 0) got = 0;
      memset(bytes + got, 255, (size_t)(side * 2 - got));  // cut short: missing bytes read as 255
      store_row(hf, j, bytes, digest);
    }
  } else {
    char path[PATH_SIZE];
    track_path(path, folder, "terrain.png");
    uint16_t *px = nullptr;
    int w = 0, h = 0;
    if (!read_png_gray16(path, &px, &w, &h)) px = nullptr;
    for (int j = 0; j < side; j++) {
      const uint16_t *src = px ? px + (size_t)(j < h ? j : h - 1) * w : nullptr;
      for (int i = 0; i < side; i++) {
        uint16_t v = src ? src[i < w ? i : w - 1] : 0;
        bytes[2 * i] = (unsigned char)(v & 255);
        bytes[2 * i + 1] = (unsigned char)(v >> 8);
      }
      store_row(hf, j, bytes, digest);
    }
    free(px);
  }
  delete[] bytes;
  if (digest) log_digest(digest);
  return true;
}

// shadingx2.ppm as stored, else shading.ppm halved.
static bool read_shading(const char *folder, heightfield *hf) {
  char path[PATH_SIZE];
  track_path(path, folder, "shadingx2.ppm");
  bool halve = false;
  data_stream *s = data_open(path, "rb");
  if (!s) {
    track_path(path, folder, "shading.ppm");
    if (!(s = open_required(path))) return false;
    halve = true;
  }
  unsigned char *px = nullptr;
  int w = 0, h = 0;
  bool ok = read_rgb_image(s, &px, &w, &h);
  data_close(s);
  if (!ok) {
    post_message("Error reading shading");
    return false;
  }
  int side = hf->samples_per_side;
  if (w != side || h != side) {
    post_messagef("Bad shading dimensions (%dx%d)", w, h);
    free(px);
    return false;
  }
  size_t bytes = (size_t)side * side * 3;
  hf->shading = new unsigned char[bytes];
  for (size_t k = 0; k < bytes; k++) hf->shading[k] = halve ? px[k] >> 1 : px[k];
  free(px);
  return true;
}

static bool read_surfaces(const char *folder, heightfield *hf) {
  char path[PATH_SIZE];
  track_path(path, folder, "tileinfo");
  data_stream *s = data_open(path, "rb");
  const char *error = "Error reading tileinfo";
  if (s) {
    hf->surface_count = tileinfo_read(s, hf->surfaces, MAX_SURFACES);
  } else {
    track_path(path, folder, "texturelist");
    if (!(s = open_required(path))) return false;
    hf->surface_count = texturelist_read(s, hf->surfaces, MAX_SURFACES);
    error = "Error reading texturelist";
  }
  data_close(s);
  // Tile bytes are clamped to the last surface, so a track needs one.
  if (hf->surface_count == 0) {
    post_message(error);
    return false;
  }
  compute_blend_codes(hf->surfaces, hf->surface_count);
  return true;
}

static bool read_tilemap(const char *folder, heightfield *hf) {
  char path[PATH_SIZE];
  track_path(path, folder, "tilemap");
  data_stream *s = open_required(path);
  if (!s) return false;
  int count = hf->tiles_per_side * hf->tiles_per_side;
  hf->tilemap = new unsigned char[count];
  int got = data_read(s, hf->tilemap, count);
  data_close(s);
  if (got < 0) got = 0;
  memset(hf->tilemap + got, 0, (size_t)(count - got));  // tiles the file does not reach
  unsigned char last = (unsigned char)(hf->surface_count - 1);
  for (int k = 0; k < count; k++)
    if (hf->tilemap[k] > last) hf->tilemap[k] = last;
  return true;
}

// Optional "shadows.pgm": 255 minus its value per sample, 0 without it.
static bool read_shadows(const char *folder, heightfield *hf) {
  int side = hf->samples_per_side;
  hf->shadows = new unsigned char[(size_t)side * side]();
  char path[PATH_SIZE];
  track_path(path, folder, "shadows.pgm");
  data_stream *s = data_open(path, "rb");
  if (!s) return true;
  unsigned char *grey = nullptr;
  int w = 0, h = 0;
  bool ok = read_pgm(s, &grey, &w, &h);
  data_close(s);
  if (!ok) {
    log_printf("Error reading '%s'\n", path);
    return true;
  }
  if (w != side || h != side) {
    log_printf("Bad shadow dimensions (%dx%d)\n", w, h);
    free(grey);
    return false;
  }
  for (size_t k = 0; k < (size_t)side * side; k++) hf->shadows[k] = (unsigned char)(255 - grey[k]);
  free(grey);
  return true;
}

static void log_texture_memory(const char *when) {
  if (debug_level >= 1) log_printf("%lu bytes texture memory used %s\n", terrain_texture_memory(), when);
}

static bool load_steps(const char *folder) {
  heightfield *hf = &terrain;
  char path[PATH_SIZE];
  track_path(path, folder, "terrain.hf");
  data_stream *s = open_required(path);
  if (!s) return false;
  if (!read_heights(s, folder, hf)) {
    data_close(s);
    return false;
  }
  terrain_build_lod(hf);
  data_close(s);
  if (!read_shading(folder, hf)) return false;
  log_texture_memory("before ground tiles loaded");
  if (!read_surfaces(folder, hf)) return false;
  log_texture_memory("after ground tiles loaded");
  if (!read_tilemap(folder, hf)) return false;
  if (!terrain_create_low_detail(hf)) return false;
  log_texture_memory("after low detail ground textures");
  if (!read_shadows(folder, hf)) return false;
  if (!terrain_create_detail(hf)) return false;
  return terrain_load_decals(hf, folder);
}

bool heightfield_load(const char *folder) {
  heightfield_release();
  if (!load_steps(folder)) {
    heightfield_release();
    return false;
  }
  terrain.loaded = true;
  return true;
}

bool heightfield_save(const char *folder) {
  heightfield *hf = &terrain;
  if (!hf->heights) return false;
  int side = hf->samples_per_side;
  size_t count = (size_t)side * side;
  float lo = hf->heights[0], hi = hf->heights[0];
  for (size_t k = 1; k < count; k++) {
    if (hf->heights[k] < lo) lo = hf->heights[k];
    if (hf->heights[k] > hi) hi = hf->heights[k];
  }
  hf->min_height = lo;
  hf->max_height = hi;

  char path[PATH_SIZE];
  const char *failed = nullptr;
  track_path(path, folder, "terrain.hf");
  if (!write_terrain_header(path, hf->size_shift, hf->spacing, lo, hi)) failed = "terrain.hf";
  track_path(path, folder, "terrain.png");
  if (!failed && !write_terrain_png(path, hf->heights, side, lo, hi)) failed = "terrain.png";
  track_path(path, folder, "shading.ppm");
  if (!failed && !write_shading(path, hf->shading, side, true)) failed = "shading.ppm";
  track_path(path, folder, "shadingx2.ppm");
  if (!failed && !write_shading(path, hf->shading, side, false)) failed = "shadingx2.ppm";
  track_path(path, folder, "tilemap");
  if (!failed && !write_tilemap(path, hf->tilemap, hf->tiles_per_side * hf->tiles_per_side))
    failed = "tilemap";
  if (failed) {
    post_messagef("Can't open '%s'", failed);
    return false;
  }
  return terrain_save_decals(hf, folder);
}
