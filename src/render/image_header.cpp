#include "render/image_header.h"

#include <cstdlib>

#include "data/data.h"
#include "platform/log.h"
#include "render/image.h"

static bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool read_image_magic(data_stream *s, char magic[IMAGE_MAGIC_SIZE]) {
  int c = data_getc(s);
  while (c >= 0 && is_space(c)) c = data_getc(s);
  int n = 0;
  while (c >= 0 && !is_space(c)) {
    magic[n++] = (char)c;
    if (n == IMAGE_MAGIC_SIZE - 1) break;
    c = data_getc(s);
  }
  magic[n] = 0;
  return n > 0;
}

int read_image_number(data_stream *s) {
  int c = data_getc(s);
  for (;;) {
    while (c >= 0 && is_space(c)) c = data_getc(s);
    if (c != '#') break;
    while (c >= 0 && c != '\n') c = data_getc(s);
  }
  bool negative = false;
  if (c == '-' || c == '+') {
    negative = c == '-';
    c = data_getc(s);
  }
  if (c < '0' || c > '9') return -1;
  int64_t value = 0;
  while (c >= '0' && c <= '9') {
    if (value < INT32_MAX) value = value * 10 + (c - '0');
    c = data_getc(s);
  }
  // The byte after the digits has been consumed: that is the single
  // separator the binary formats expect before their pixel data.
  if (value > INT32_MAX) value = INT32_MAX;
  return negative ? (int)-value : (int)value;
}

bool image_size_ok(int width, int height) {
  return width >= 1 && height >= 1 && width <= IMAGE_MAX_SIDE && height <= IMAGE_MAX_SIDE;
}

unsigned char *image_alloc(uint64_t bytes, const char *what) {
  if (bytes == 0 || bytes > SIZE_MAX) return nullptr;
  unsigned char *p = (unsigned char *)malloc((size_t)bytes);
  if (!p) log_printf("Can't allocate %llu bytes for %s\n", (unsigned long long)bytes, what);
  return p;
}
