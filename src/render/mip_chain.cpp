// Box-filtered mip levels, built in place after level 0 of one buffer.
#include <cstddef>
#include <cstdint>

#include "render/image.h"
#include "render/image_header.h"

void mip_next_size(int *width, int *height) {
  *width = *width / 2 > 1 ? *width / 2 : 1;
  *height = *height / 2 > 1 ? *height / 2 : 1;
}

int mip_level_count(int width, int height) {
  if (!image_size_ok(width, height)) return 0;
  int levels = 1;
  while (width * height > 1) {
    mip_next_size(&width, &height);
    levels++;
  }
  return levels;
}

uint64_t mip_chain_bytes(int width, int height, int channels) {
  if (!image_size_ok(width, height) || channels < 1 || channels > 4) return 0;
  uint64_t pixels = 1;  // the final 1x1 level
  while ((uint64_t)width * (uint64_t)height > 1) {
    pixels += (uint64_t)width * (uint64_t)height;
    mip_next_size(&width, &height);
  }
  return pixels * (uint64_t)channels;
}

// Alpha-weighted mean of n (2 or 4) RGBA texels, so that transparent texels do
// not bleed their colour into the coarser level.
static void blend_rgba(const unsigned char *const *src, int n, bool max_alpha, unsigned char *out) {
  int total = 0, top = 0;
  for (int i = 0; i < n; i++) {
    total += src[i][3];
    if (src[i][3] > top) top = src[i][3];
  }
  for (int ch = 0; ch < 3; ch++) {
    int sum = 0;
    if (total == 0 || total == 255 * n) {
      for (int i = 0; i < n; i++) sum += src[i][ch];
      out[ch] = (unsigned char)(sum / n);
    } else {
      for (int i = 0; i < n; i++) sum += src[i][ch] * src[i][3];
      out[ch] = (unsigned char)(sum / total);
    }
  }
  out[3] = (unsigned char)(max_alpha ? top : total / n);
}

static void blend_plain(const unsigned char *const *src, int n, int channels, unsigned char *out) {
  for (int ch = 0; ch < channels; ch++) {
    int sum = 0;
    for (int i = 0; i < n; i++) sum += src[i][ch];
    out[ch] = (unsigned char)(sum / n);
  }
}

void build_mip_chain(unsigned char *chain, int width, int height, int channels, bool max_alpha) {
  if (!chain || !image_size_ok(width, height) || channels < 1 || channels > 4) return;
  const size_t c = (size_t)channels;
  unsigned char *level = chain;
  int w = width, h = height;
  while (w * h > 1) {
    int nw = w, nh = h;
    mip_next_size(&nw, &nh);
    unsigned char *next = level + (size_t)w * (size_t)h * c;
    for (int y = 0; y < nh; y++) {
      for (int x = 0; x < nw; x++) {
        const unsigned char *src[4];
        int n;
        if (w > 1 && h > 1) {
          const unsigned char *row0 = level + ((size_t)(2 * y) * (size_t)w + (size_t)(2 * x)) * c;
          const unsigned char *row1 = row0 + (size_t)w * c;
          src[0] = row0;
          src[1] = row0 + c;
          src[2] = row1;
          src[3] = row1 + c;
          n = 4;
        } else {
          // A line: pairs of neighbours along it.
          size_t i = w > 1 ? (size_t)(2 * x) : (size_t)(2 * y);
          src[0] = level + i * c;
          src[1] = level + (i + 1) * c;
          n = 2;
        }
        unsigned char *out = next + ((size_t)y * (size_t)nw + (size_t)x) * c;
        if (channels == 4)
          blend_rgba(src, n, max_alpha, out);
        else
          blend_plain(src, n, channels, out);
      }
    }
    level = next;
    w = nw;
    h = nh;
  }
}
