// PNG pictures through libpng, read and written through data streams.
// libpng reports errors by longjmp: each setjmp sits in a small function that
// touches only the job record of its caller, and the caller releases whatever
// the job holds on both paths, so an error leaks nothing.
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "app/message_log.h"
#include "data/data.h"
#include "platform/log.h"
#include "render/image.h"
#include "render/image_header.h"

namespace {

enum { PNG_SIGNATURE_BYTES = 8 };
enum png_outcome { PNG_NOT_PNG, PNG_FAILED, PNG_OK };

struct png_job {
  const char *name;
  data_stream *stream;
  png_structp png;
  png_infop info;
  png_bytep *rows;
  unsigned char *pixels;
  int width, height, channels, bit_depth;
  bool max_alpha, custom_mips;
};

bool host_little_endian() {
  const uint16_t one = 1;
  unsigned char first;
  memcpy(&first, &one, 1);
  return first == 1;
}

void job_error(png_structp png, png_const_charp message) {
  png_job *job = (png_job *)png_get_error_ptr(png);
  log_printf("PNG error in '%.950s': %s\n", job && job->name ? job->name : "?", message);
  png_longjmp(png, 1);
}

void job_warning(png_structp png, png_const_charp message) {
  png_job *job = (png_job *)png_get_error_ptr(png);
  if (debug_level >= 1)
    log_printf("PNG warning in '%.950s': %s\n", job && job->name ? job->name : "?", message);
}

void job_read(png_structp png, png_bytep data, png_size_t length) {
  png_job *job = (png_job *)png_get_io_ptr(png);
  while (length > 0) {
    int part = length > (1u << 30) ? 1 << 30 : (int)length;
    if (data_read(job->stream, data, part) != part) png_error(png, "unexpected end of file");
    data += part;
    length -= (png_size_t)part;
  }
}

void job_write(png_structp png, png_bytep data, png_size_t length) {
  png_job *job = (png_job *)png_get_io_ptr(png);
  while (length > 0) {
    int part = length > (1u << 30) ? 1 << 30 : (int)length;
    if (data_write(job->stream, data, part) != part) png_error(png, "write failed");
    data += part;
    length -= (png_size_t)part;
  }
}

void job_flush(png_structp png) { data_flush(((png_job *)png_get_io_ptr(png))->stream); }

// Opens the file, checks the signature and creates the read structures.
png_outcome job_open_read(png_job *job, const char *name) {
  memset(job, 0, sizeof *job);
  job->name = name;
  if (!name) return PNG_NOT_PNG;
  job->stream = data_open(name, "rb");
  if (!job->stream) return PNG_NOT_PNG;
  unsigned char signature[PNG_SIGNATURE_BYTES];
  if (data_read(job->stream, signature, PNG_SIGNATURE_BYTES) != PNG_SIGNATURE_BYTES ||
      png_sig_cmp(signature, 0, PNG_SIGNATURE_BYTES) != 0)
    return PNG_NOT_PNG;
  job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, job_error, job_warning);
  if (job->png) job->info = png_create_info_struct(job->png);
  return job->png && job->info ? PNG_OK : PNG_FAILED;
}

void job_close_read(png_job *job, bool keep_pixels) {
  if (job->png) png_destroy_read_struct(&job->png, job->info ? &job->info : nullptr, nullptr);
  free(job->rows);
  job->rows = nullptr;
  if (!keep_pixels) {
    free(job->pixels);
    job->pixels = nullptr;
  }
  if (job->stream) data_close(job->stream);
  job->stream = nullptr;
}

// Header up to the size checks; shared by both readers.
bool job_start(png_job *job) {
  png_set_read_fn(job->png, job, job_read);
  png_set_sig_bytes(job->png, PNG_SIGNATURE_BYTES);
  png_set_user_limits(job->png, IMAGE_MAX_SIDE, IMAGE_MAX_SIDE);
  png_read_info(job->png, job->info);
  job->width = (int)png_get_image_width(job->png, job->info);
  job->height = (int)png_get_image_height(job->png, job->info);
  return image_size_ok(job->width, job->height);
}

// Reads all rows into job->pixels (allocated with `bytes`, rows `stride` apart)
// and the chunks after them.
bool job_read_rows(png_job *job, uint64_t bytes, size_t stride) {
  png_read_update_info(job->png, job->info);
  if (png_get_rowbytes(job->png, job->info) != stride) return false;
  job->pixels = image_alloc(bytes, "a PNG picture");
  job->rows = (png_bytep *)malloc(sizeof(png_bytep) * (size_t)job->height);
  if (!job->pixels || !job->rows) return false;
  for (int y = 0; y < job->height; y++) job->rows[y] = job->pixels + (size_t)y * stride;
  png_read_image(job->png, job->rows);
  png_read_end(job->png, job->info);
  return true;
}

bool run_read_color(png_job *job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  if (!job_start(job)) return false;
  png_structp png = job->png;
  png_infop info = job->info;
  int color_type = png_get_color_type(png, info);
  int bit_depth = png_get_bit_depth(png, info);
  bool has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  job->channels = (color_type & PNG_COLOR_MASK_ALPHA) || has_trns ? 4 : 3;
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (color_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (has_trns) png_set_tRNS_to_alpha(png);
  if (bit_depth == 16) png_set_strip_16(png);
  if (!(color_type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  size_t stride = (size_t)job->width * (size_t)job->channels;
  if (!job_read_rows(job, mip_chain_bytes(job->width, job->height, job->channels), stride))
    return false;
  png_textp text = nullptr;
  int count = 0;
  png_get_text(png, info, &text, &count);
  for (int i = 0; i < count; i++) {
    if (!text[i].text) continue;
    if (strstr(text[i].text, "[mip_max_alpha]")) job->max_alpha = true;
    if (strstr(text[i].text, "[mip_custom]")) job->custom_mips = true;
  }
  return true;
}

bool run_read_gray16(png_job *job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  if (!job_start(job)) return false;
  png_structp png = job->png;
  png_infop info = job->info;
  int color_type = png_get_color_type(png, info);
  int bit_depth = png_get_bit_depth(png, info);
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (color_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (bit_depth == 16 && host_little_endian()) png_set_swap(png);
  png_set_strip_alpha(png);
  if (color_type & PNG_COLOR_MASK_COLOR)
    png_set_rgb_to_gray(png, PNG_ERROR_ACTION_NONE, PNG_RGB_TO_GRAY_DEFAULT, PNG_RGB_TO_GRAY_DEFAULT);
  png_set_interlace_handling(png);
  job->bit_depth = bit_depth == 16 ? 16 : 8;
  size_t stride = (size_t)job->width * (size_t)(job->bit_depth / 8);
  return job_read_rows(job, (uint64_t)job->width * (uint64_t)job->height * 2, stride);
}

// Walks the custom layout: level 0 in the top two thirds, level 1 below it on
// the left, the rest stacked downwards in the column to its right. Copies each
// level into `chain` when it is given; false when a level would leave the
// picture.
bool walk_custom_layout(int width, int height, int base_height, const unsigned char *picture,
                        int channels, unsigned char *chain) {
  int level_w = width, level_h = base_height, row = 0, col = 0;
  const size_t c = (size_t)channels;
  for (;;) {
    if (col + level_w > width || row + level_h > height) return false;
    if (chain) {
      for (int y = 0; y < level_h; y++)
        memcpy(chain + (size_t)y * (size_t)level_w * c,
               picture + ((size_t)(row + y) * (size_t)width + (size_t)col) * c, (size_t)level_w * c);
      chain += (size_t)level_w * (size_t)level_h * c;
    }
    bool last = level_w * level_h == 1;
    if (level_h + row < height)
      row += level_h;
    else
      col += level_w;
    if (last) return true;
    mip_next_size(&level_w, &level_h);
  }
}

}  // namespace

// PNG_NOT_PNG tells a missing file or another format from a broken PNG.
static png_outcome png_color_read(const char *name, unsigned char **pixels, int *width,
                                  int *height, int *channels) {
  *pixels = nullptr;
  png_job job;
  png_outcome opened = job_open_read(&job, name);
  bool ok = opened == PNG_OK && run_read_color(&job);
  job_close_read(&job, ok);
  if (!ok) return opened == PNG_NOT_PNG ? PNG_NOT_PNG : PNG_FAILED;

  const int w = job.width, h = job.height, c = job.channels;
  if (job.custom_mips) {
    int base = h % 3 == 0 ? h / 3 * 2 : 0;
    if (base < 1) {
      post_messagef("Warning: Invalid height for custom MIP map in '%.950s'", name);
    } else if (!walk_custom_layout(w, h, base, job.pixels, c, nullptr)) {
      post_messagef("Warning: Invalid layout for custom MIP map in '%.950s'", name);
    } else {
      unsigned char *chain = image_alloc(mip_chain_bytes(w, base, c), "a PNG mip chain");
      if (!chain) {
        free(job.pixels);
        return PNG_FAILED;
      }
      walk_custom_layout(w, h, base, job.pixels, c, chain);
      free(job.pixels);
      *pixels = chain;
      *width = w;
      *height = base;
      *channels = c;
      return PNG_OK;
    }
  }
  build_mip_chain(job.pixels, w, h, c, job.max_alpha);
  *pixels = job.pixels;
  *width = w;
  *height = h;
  *channels = c;
  return PNG_OK;
}

bool read_png_color(const char *name, unsigned char **pixels, int *width, int *height,
                    int *channels) {
  return png_color_read(name, pixels, width, height, channels) == PNG_OK;
}

bool read_png_gray16(const char *name, uint16_t **samples, int *width, int *height) {
  *samples = nullptr;
  png_job job;
  png_outcome opened = job_open_read(&job, name);
  bool ok = opened == PNG_OK && run_read_gray16(&job);
  job_close_read(&job, ok);
  if (!ok) return false;
  const size_t n = (size_t)job.width * (size_t)job.height;
  uint16_t *out = (uint16_t *)(void *)job.pixels;  // malloc'd, so aligned
  if (job.bit_depth == 8) {
    // Widen in place from the end: sample i's two bytes lie at or after byte i.
    for (size_t i = n; i-- > 0;) out[i] = (uint16_t)(job.pixels[i] * 257);
  }
  *samples = out;
  *width = job.width;
  *height = job.height;
  return true;
}

bool read_rgba_image(const char *name, unsigned char **pixels, int *width, int *height) {
  *pixels = nullptr;
  int w, h, c;
  unsigned char *chain;
  png_outcome outcome = png_color_read(name, &chain, &w, &h, &c);
  if (outcome == PNG_FAILED) return false;
  if (outcome == PNG_OK) {
    if (c == 3) {
      uint64_t pixels3 = mip_chain_bytes(w, h, 3) / 3;
      unsigned char *rgba = image_alloc(pixels3 * 4, "an RGBA picture");
      if (!rgba) {
        free(chain);
        return false;
      }
      for (uint64_t i = 0; i < pixels3; i++) {
        memcpy(rgba + i * 4, chain + i * 3, 3);
        rgba[i * 4 + 3] = 255;
      }
      free(chain);
      chain = rgba;
    }
    *pixels = chain;
    *width = w;
    *height = h;
    return true;
  }
  if (!name) return false;
  data_stream *s = data_open(name, "rb");
  if (!s) return false;
  char magic[IMAGE_MAGIC_SIZE];
  bool ok = read_image_magic(s, magic) && read_j_image(s, magic, 4, pixels, width, height);
  data_close(s);
  return ok;
}

// --- writers -------------------------------------------------------------------

namespace {

enum png_layout { LAYOUT_RGB_BOTTOM_UP, LAYOUT_RGBA, LAYOUT_GRAY16 };

bool run_write(png_job *job, png_layout layout, const char *comment) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_structp png = job->png;
  png_infop info = job->info;
  png_set_write_fn(png, job, job_write, job_flush);
  int color_type = layout == LAYOUT_GRAY16 ? PNG_COLOR_TYPE_GRAY
                   : layout == LAYOUT_RGBA ? PNG_COLOR_TYPE_RGB_ALPHA
                                           : PNG_COLOR_TYPE_RGB;
  png_set_IHDR(png, info, (png_uint_32)job->width, (png_uint_32)job->height,
               layout == LAYOUT_GRAY16 ? 16 : 8, color_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (comment && *comment) {
    png_text text;
    memset(&text, 0, sizeof text);
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = (png_charp) "Comment";
    text.text = (png_charp)comment;
    text.text_length = strlen(comment);
    png_set_text(png, info, &text, 1);
  }
  png_write_info(png, info);
  if (layout == LAYOUT_GRAY16 && host_little_endian()) png_set_swap(png);
  png_write_image(png, job->rows);
  png_write_end(png, info);
  return true;
}

bool write_png(const char *name, const void *pixels, int width, int height, png_layout layout,
               const char *comment) {
  if (!name || !pixels || !image_size_ok(width, height)) return false;
  const size_t stride = (size_t)width * (layout == LAYOUT_RGB_BOTTOM_UP ? 3 : layout == LAYOUT_RGBA ? 4 : 2);
  png_job job;
  memset(&job, 0, sizeof job);
  job.name = name;
  job.width = width;
  job.height = height;
  job.rows = (png_bytep *)malloc(sizeof(png_bytep) * (size_t)height);
  if (!job.rows) return false;
  // libpng copies each row before transforming it, so the caller's const
  // buffer is never written.
  unsigned char *base = (unsigned char *)const_cast<void *>(pixels);
  for (int y = 0; y < height; y++) {
    int source_row = layout == LAYOUT_RGB_BOTTOM_UP ? height - 1 - y : y;
    job.rows[y] = base + (size_t)source_row * stride;
  }
  bool ok = false;
  job.stream = data_open(name, "wb");
  if (job.stream) {
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, job_error, job_warning);
    if (job.png) job.info = png_create_info_struct(job.png);
    ok = job.png && job.info && run_write(&job, layout, comment);
    if (job.png) png_destroy_write_struct(&job.png, job.info ? &job.info : nullptr);
    data_close(job.stream);
  }
  free(job.rows);
  return ok;
}

}  // namespace

bool write_png_rgb(const char *name, const unsigned char *rgb, int width, int height) {
  return write_png(name, rgb, width, height, LAYOUT_RGB_BOTTOM_UP, nullptr);
}

bool write_png_gray16(const char *name, const uint16_t *samples, int width, int height) {
  return write_png(name, samples, width, height, LAYOUT_GRAY16, nullptr);
}

bool write_png_rgba(const char *name, const unsigned char *rgba, int width, int height,
                    const char *comment) {
  return write_png(name, rgba, width, height, LAYOUT_RGBA, comment);
}
