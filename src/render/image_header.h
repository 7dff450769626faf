// Header fields shared by the PPM, PGM and J readers: decimal numbers with
// whitespace and "#" comment lines skipped before each, the sanity limits on
// picture sizes, and the one place buffers are allocated. Internal to render/.
#pragma once
#include <cstdint>

struct data_stream;

// Skips whitespace and "#" lines, then reads a decimal integer and consumes the
// one byte after it. Values saturate at +-2^31-1; -1 when no number is there.
int read_image_number(data_stream *s);
// True when both sides are within 1..IMAGE_MAX_SIDE.
bool image_size_ok(int width, int height);
// malloc of `bytes`, logging and returning null when it is refused.
unsigned char *image_alloc(uint64_t bytes, const char *what);
