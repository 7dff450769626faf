// The predictive formats "J6" (RGB) and "J7" (RGBA): each byte corrects a
// prediction from the left, upper and upper-left neighbours, modulo 256.
#include <cstdlib>
#include <cstring>

#include "data/data.h"
#include "render/image.h"
#include "render/image_header.h"

static unsigned char predict(int x, int y, const unsigned char *left, const unsigned char *up,
                             const unsigned char *up_left) {
  if (y == 0) return x == 0 ? 0 : *left;
  if (x == 0) return *up;
  int p = *left + *up - *up_left;
  return (unsigned char)(p < 0 ? 0 : p > 255 ? 255 : p);
}

bool read_j_image(data_stream *s, const char *magic, int channels, unsigned char **pixels,
                  int *width, int *height) {
  *pixels = nullptr;
  if (!s || !magic || (channels != 3 && channels != 4)) return false;
  int stored;  // bytes per pixel in the file
  if (strcmp(magic, "J6") == 0)
    stored = 3;
  else if (strcmp(magic, "J7") == 0)
    stored = 4;
  else
    return false;
  int w = read_image_number(s);
  int h = read_image_number(s);  // also consumes the one separator byte
  if (!image_size_ok(w, h)) return false;

  unsigned char *chain = image_alloc(mip_chain_bytes(w, h, channels), "a J picture");
  // Decoding works on four channels whatever the file holds: a J6 file's
  // fourth channel is predicted from zeros and stays 0.
  const size_t row4 = (size_t)w * 4;
  unsigned char *work = image_alloc(row4 * 2 + (size_t)w * (size_t)stored, "a J picture row");
  if (!chain || !work) {
    free(chain);
    free(work);
    return false;
  }
  memset(work, 0, row4 * 2);
  unsigned char *prev = work, *cur = work + row4, *bytes = work + row4 * 2;
  const int row_bytes = w * stored;
  for (int y = 0; y < h; y++) {
    if (data_read(s, bytes, row_bytes) != row_bytes) {
      free(chain);
      free(work);
      return false;
    }
    for (int x = 0; x < w; x++) {
      unsigned char *px = cur + (size_t)x * 4;
      for (int ch = 0; ch < 4; ch++) {
        size_t i = (size_t)x * 4 + (size_t)ch;
        unsigned char p = predict(x, y, cur + i - 4 * (x > 0), prev + i, prev + i - 4 * (x > 0));
        if (ch < stored) p = (unsigned char)(p + bytes[(size_t)x * (size_t)stored + (size_t)ch]);
        px[ch] = p;
      }
      memcpy(chain + ((size_t)y * (size_t)w + (size_t)x) * (size_t)channels, px, (size_t)channels);
    }
    unsigned char *t = prev;
    prev = cur;
    cur = t;
  }
  free(work);
  build_mip_chain(chain, w, h, channels, false);
  *pixels = chain;
  *width = w;
  *height = h;
  return true;
}
