// PPM ("P6" binary, "P3" ASCII) and PGM ("P5" binary, "P2" ASCII) pictures.
#include <cstdlib>
#include <cstring>

#include "data/data.h"
#include "platform/log.h"
#include "render/image.h"
#include "render/image_header.h"

enum { PNM_MAX_VALUE = 65535 };

static unsigned char scale_sample(int v, int max_value) {
  if (v >= max_value) return 255;
  return (unsigned char)(v * 255 / max_value);
}

// Width, height and maximum value, each checked; false for anything outside
// the limits so that nothing is allocated from a bad header.
static bool read_pnm_header(data_stream *s, int *width, int *height, int *max_value) {
  *width = read_image_number(s);
  *height = read_image_number(s);
  *max_value = read_image_number(s);
  return image_size_ok(*width, *height) && *max_value >= 1 && *max_value <= PNM_MAX_VALUE;
}

// Reads width x height x `per_pixel` samples into `out`, scaled to 0..255.
// Truncated data or a sample that is not a number fails the read.
static bool read_pnm_samples(data_stream *s, bool binary, int width, int height, int per_pixel,
                             int max_value, unsigned char *out) {
  const size_t row_samples = (size_t)width * (size_t)per_pixel;
  if (!binary) {
    for (size_t i = 0; i < row_samples * (size_t)height; i++) {
      int v = read_image_number(s);
      if (v < 0) return false;
      out[i] = scale_sample(v, max_value);
    }
    return true;
  }
  if (max_value <= 255) {
    for (int y = 0; y < height; y++) {
      unsigned char *row = out + (size_t)y * row_samples;
      if (data_read(s, row, (int)row_samples) != (int)row_samples) return false;
      if (max_value != 255)
        for (size_t i = 0; i < row_samples; i++) row[i] = scale_sample(row[i], max_value);
    }
    return true;
  }
  // Two bytes per sample, most significant first.
  unsigned char *wide = image_alloc(row_samples * 2, "a picture row");
  if (!wide) return false;
  bool ok = true;
  for (int y = 0; y < height && ok; y++) {
    if (data_read(s, wide, (int)(row_samples * 2)) != (int)(row_samples * 2)) {
      ok = false;
      break;
    }
    unsigned char *row = out + (size_t)y * row_samples;
    for (size_t i = 0; i < row_samples; i++)
      row[i] = scale_sample(wide[2 * i] << 8 | wide[2 * i + 1], max_value);
  }
  free(wide);
  return ok;
}

bool read_ppm(data_stream *s, const char *magic, unsigned char **pixels, int *width, int *height) {
  *pixels = nullptr;
  if (!s || !magic) return false;
  bool binary = strcmp(magic, "P6") == 0;
  if (!binary && strcmp(magic, "P3") != 0) return false;
  int w, h, max_value;
  if (!read_pnm_header(s, &w, &h, &max_value)) return false;
  unsigned char *chain = image_alloc(mip_chain_bytes(w, h, 3), "a PPM picture");
  if (!chain) return false;
  if (!read_pnm_samples(s, binary, w, h, 3, max_value, chain)) {
    free(chain);
    return false;
  }
  build_mip_chain(chain, w, h, 3, false);
  *pixels = chain;
  *width = w;
  *height = h;
  return true;
}

bool read_pgm(data_stream *s, unsigned char **grey, int *width, int *height) {
  *grey = nullptr;
  if (!s) return false;
  char magic[IMAGE_MAGIC_SIZE];
  if (!read_image_magic(s, magic)) return false;
  bool binary = strcmp(magic, "P5") == 0;
  if (!binary && strcmp(magic, "P2") != 0) return false;
  int w, h, max_value;
  if (!read_pnm_header(s, &w, &h, &max_value)) return false;
  unsigned char *out = image_alloc((uint64_t)w * (uint64_t)h, "a PGM picture");
  if (!out) return false;
  if (!read_pnm_samples(s, binary, w, h, 1, max_value, out)) {
    free(out);
    return false;
  }
  *grey = out;
  *width = w;
  *height = h;
  return true;
}

static bool write_pnm(const char *name, const char *magic, const unsigned char *pixels, int width,
                      int height, int per_pixel) {
  if (!name || !pixels || !image_size_ok(width, height)) return false;
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  bool ok = data_printf(s, "%s\n%d %d\n255\n", magic, width, height) > 0;
  const int row_bytes = width * per_pixel;
  for (int y = 0; y < height && ok; y++)
    ok = data_write(s, pixels + (size_t)y * (size_t)row_bytes, row_bytes) == row_bytes;
  data_close(s);
  return ok;
}

bool write_ppm(const char *name, const unsigned char *rgb, int width, int height) {
  return write_pnm(name, "P6", rgb, width, height, 3);
}

bool write_pgm(const char *name, const unsigned char *grey, int width, int height) {
  return write_pnm(name, "P5", grey, width, height, 1);
}
