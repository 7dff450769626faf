#include "track/terrain_files.h"

#include <cmath>
#include <cstring>

#include "data/data.h"
#include "render/image.h"
#include "track/heightfield.h"

static bool shift_ok(int n) { return n >= HF_MIN_SHIFT && n <= HF_MAX_SHIFT; }
static int side_of(int n) { return (1 << (n + 1)) + 1; }

// Closes the stream and tells whether every write before succeeded.
static bool finish(data_stream *s, bool ok) {
  ok = data_flush(s) == 0 && ok;
  data_close(s);
  return ok;
}

bool write_terrain_header(const char *name, int size_shift, float spacing, float min_height,
                          float max_height) {
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  bool ok = data_printf(s, "%d %f %f %f\n", size_shift, spacing, min_height, max_height) > 0;
  return finish(s, ok);
}

bool write_terrain_raw(const char *name, int size_shift, float spacing, float min_height,
                       float max_height, const uint16_t *samples) {
  if (!shift_ok(size_shift) || !samples) return false;
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  bool ok = data_printf(s, "%d %f %f %f\n:", size_shift, spacing, min_height, max_height) > 0;
  int side = side_of(size_shift);
  unsigned char *row = new unsigned char[(size_t)side * 2];
  for (int j = 0; ok && j < side; j++) {
    for (int i = 0; i < side; i++) {
      uint16_t v = samples[(size_t)j * side + i];
      row[2 * i] = (unsigned char)(v & 255);
      row[2 * i + 1] = (unsigned char)(v >> 8);
    }
    ok = data_write(s, row, side * 2) == side * 2;
  }
  delete[] row;
  return finish(s, ok);
}

bool write_terrain_png(const char *name, const float *heights, int side, float lo, float hi) {
  if (!heights || side < 1 || side > IMAGE_MAX_SIDE) return false;
  size_t count = (size_t)side * side;
  uint16_t *px = new uint16_t[count];
  double range = (double)hi - lo;
  for (size_t k = 0; k < count; k++) {
    double v = range > 0 ? ((double)heights[k] - lo) / range * 65535 + 0.5 : 0;
    px[k] = (uint16_t)(v < 0 ? 0 : (v > 65535 ? 65535 : v));
  }
  bool ok = write_png_gray16(name, px, side, side);
  delete[] px;
  return ok;
}

bool write_shading(const char *name, const unsigned char *stored, int side, bool doubled) {
  if (!stored || side < 1) return false;
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  bool ok = data_printf(s, "P6\n%d %d\n255\n", side, side) > 0;
  size_t row_bytes = (size_t)side * 3;
  unsigned char *row = new unsigned char[row_bytes];
  for (int j = 0; ok && j < side; j++) {
    const unsigned char *src = stored + (size_t)j * row_bytes;
    for (size_t k = 0; k < row_bytes; k++) row[k] = doubled ? (src[k] > 127 ? 255 : src[k] * 2) : src[k];
    ok = data_write(s, row, (int)row_bytes) == (int)row_bytes;
  }
  delete[] row;
  return finish(s, ok);
}

bool write_tilemap(const char *name, const unsigned char *tiles, int count) {
  if (!tiles || count < 0) return false;
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  return finish(s, data_write(s, tiles, count) == count);
}

static bool write_roost(data_stream *s, const roost_params &r, const char *texture) {
  bool ok = data_puts(s, "roost") >= 0;
  if (texture) ok = ok && data_printf(s, " \"texture=%s\"", texture) > 0;
  if (r.kind == ROOST_SPLASH) ok = ok && data_puts(s, " splash=1") >= 0;
  ok = ok && data_printf(s, " count=%f dig=%f slip_threshold=%f slow_angle=%f fast_angle=%f", r.count,
                         r.dig, r.slip_threshold, r.slow_angle, r.fast_angle) > 0;
  ok = ok && data_printf(s, " slow_speed=%f fast_speed=%f size=%f grow=%f drag=%f vscale=%f",
                         r.slow_speed, r.fast_speed, r.size, r.grow, r.drag, r.vscale) > 0;
  ok = ok && data_printf(s, " randomize=%f r=%d g=%d b=%d a=%d", r.randomize, r.r, r.g, r.b, r.a) > 0;
  ok = ok && data_printf(s, " fade_r=%d fade_g=%d fade_b=%d fade_a=%d\n", r.fade_r * 128,
                         r.fade_g * 128, r.fade_b * 128, r.fade_a * 128) > 0;
  return ok;
}

bool write_tileinfo(const char *name, const tileinfo_surface *surfaces, int count) {
  if (!surfaces || count < 0) return false;
  for (int k = 0; k < count; k++) {
    const tileinfo_surface &t = surfaces[k];
    if (t.friction_count < 0 || t.friction_count > MAX_CURVE_POINTS || t.roll_count < 0 ||
        t.roll_count > MAX_CURVE_POINTS || t.roost_count < 0 || t.roost_count > MAX_ROOST_TYPES)
      return false;
  }
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  bool ok = true;
  for (int k = 0; ok && k < count; k++) {
    const tileinfo_surface &t = surfaces[k];
    if (t.texture) ok = data_printf(s, "texture %s\n", t.texture) > 0;
    for (int i = 0; ok && i < t.friction_count; i++)
      ok = data_printf(s, "friction %f %f\n", t.friction[i].coefficient, t.friction[i].key) > 0;
    for (int i = 0; ok && i < t.roll_count; i++)
      ok = data_printf(s, "roll_resist %f %f %f\n", t.roll[i].force_free, t.roll[i].force_sunk,
                       t.roll[i].key) > 0;
    for (int i = 0; ok && i < t.roost_count; i++) ok = write_roost(s, t.roost[i], t.roost_texture[i]);
    ok = ok && data_puts(s, "addtile\n") >= 0;
  }
  return finish(s, ok);
}

bool write_texturelist(const char *name, const texturelist_entry *entries, int count) {
  if (!entries || count < 0) return false;
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  bool ok = true;
  for (int k = 0; ok && k < count; k++) {
    const texturelist_entry &e = entries[k];
    ok = data_printf(s, "%f %f %f %s\n", e.friction, e.force_free, e.force_sunk,
                     e.texture ? e.texture : "") > 0;
  }
  return finish(s, ok);
}

bool heightfield_create(int size_shift, float spacing, float height) {
  if (!shift_ok(size_shift) || !(spacing > 0) || !std::isfinite(height) ||
      !std::isfinite(spacing * (float)(2 << size_shift)))
    return false;
  heightfield_release();
  heightfield *hf = &terrain;
  int side = side_of(size_shift), tiles = 1 << size_shift;
  size_t samples = (size_t)side * side;
  hf->size_shift = size_shift;
  hf->samples_per_side = side;
  hf->tiles_per_side = tiles;
  hf->spacing = spacing;
  hf->extent = spacing * (float)(side - 1);
  hf->tile_size = 2 * spacing;
  hf->heights = new float[samples];
  for (size_t k = 0; k < samples; k++) hf->heights[k] = height;
  hf->min_height = hf->max_height = height;
  hf->tilemap = new unsigned char[(size_t)tiles * tiles]();
  hf->shading = new unsigned char[samples * 3];
  memset(hf->shading, 128, samples * 3);
  hf->shadows = new unsigned char[samples]();
  surface_defaults(&hf->surfaces[0]);
  hf->surface_count = 1;
  hf->loaded = true;
  return true;
}
