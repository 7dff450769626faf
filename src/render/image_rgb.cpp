// Colour pictures by their magic word: PPM or J6/J7 as an RGB mip chain.
#include <cstring>

#include "render/image.h"

bool read_rgb_image(data_stream *s, unsigned char **pixels, int *width, int *height) {
  *pixels = nullptr;
  char magic[IMAGE_MAGIC_SIZE];
  if (!s || !read_image_magic(s, magic)) return false;
  if (strcmp(magic, "P3") == 0 || strcmp(magic, "P6") == 0)
    return read_ppm(s, magic, pixels, width, height);
  if (strcmp(magic, "J6") == 0 || strcmp(magic, "J7") == 0)
    return read_j_image(s, magic, 3, pixels, width, height);
  return false;
}
