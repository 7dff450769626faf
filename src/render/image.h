// Picture files and mip chains: binary and ASCII PPM/PGM, the J6/J7 predictive
// formats, PNG (colour with mip markers, 16-bit grey heights), and writers for
// PNG (RGB, RGBA with a text chunk, 16-bit grey), binary PPM and PGM.
//
// Promises: pictures are 1..IMAGE_MAX_SIDE pixels on each side; anything else
// fails the read before a buffer is allocated. Pixels are bytes, 1, 3 or 4 per
// pixel, rows from the top without padding unless a function says otherwise.
// Colour readers return a mip chain (see below). Every reader returns false and
// no buffer on failure, having released what it allocated; a returned buffer
// is malloc'd and belongs to the caller, who releases it with free().
// All files go through the data layer. No GL. Main thread only.
#pragma once
#include <cstdint>

struct data_stream;

enum { IMAGE_MAX_SIDE = 16384, IMAGE_MAGIC_SIZE = 16 };

// --- mip chains --------------------------------------------------------------
// One buffer: level 0 (w x h), then each level of max(1, w/2) x max(1, h/2)
// directly after the previous, down to and including the 1x1 level.

// Number of levels including level 0 and the 1x1 level; 0 for bad sizes.
int mip_level_count(int width, int height);
// Bytes of the whole chain in 64 bits; 0 for bad sizes or channels outside 1..4.
uint64_t mip_chain_bytes(int width, int height, int channels);
// Size of the level after w x h.
void mip_next_size(int *width, int *height);
// Fills every level after level 0. With 4 channels colour is weighted by alpha
// and alpha is the average, or the maximum with `max_alpha`.
void build_mip_chain(unsigned char *chain, int width, int height, int channels, bool max_alpha);

// --- readers -----------------------------------------------------------------
// Reads the first whitespace-delimited token (at most 15 characters) into
// `magic`; false at end of stream.
bool read_image_magic(data_stream *s, char magic[IMAGE_MAGIC_SIZE]);

// "P6" or "P3", stream after the magic: RGB mip chain. Maximum values up to
// 65535 are read (two bytes per sample in "P6" above 255) and scaled to 0..255.
bool read_ppm(data_stream *s, const char *magic, unsigned char **pixels, int *width, int *height);
// Stream at its start, "P5" or "P2": one-level grey picture.
bool read_pgm(data_stream *s, unsigned char **grey, int *width, int *height);
// "J6" or "J7", stream after the magic; `channels` 3 or 4: mip chain.
bool read_j_image(data_stream *s, const char *magic, int channels, unsigned char **pixels,
                  int *width, int *height);
// Stream at its start; PPM, J6 or J7: RGB mip chain.
bool read_rgb_image(data_stream *s, unsigned char **pixels, int *width, int *height);

// PNG colour picture by data name: RGB or RGBA mip chain (*channels 3 or 4),
// honouring "[mip_max_alpha]" and "[mip_custom]" in its text chunks.
bool read_png_color(const char *name, unsigned char **pixels, int *width, int *height,
                    int *channels);
// PNG as 16-bit grey samples in native byte order, one level; 8-bit pictures
// are widened (v -> v * 257), colour converted to grey, alpha dropped.
bool read_png_gray16(const char *name, uint16_t **samples, int *width, int *height);
// PNG (expanded to RGBA) or else a J6/J7 file read with four channels: RGBA
// mip chain.
bool read_rgba_image(const char *name, unsigned char **pixels, int *width, int *height);

// --- writers -----------------------------------------------------------------
// Each creates the file through the data layer ("wb") and returns false, with
// nothing leaked, on bad sizes, a null buffer or any write failure.

// 8-bit RGB PNG from rows stored bottom row first (as GL reads the frame
// buffer back); the picture comes out upright.
bool write_png_rgb(const char *name, const unsigned char *rgb, int width, int height);
// 16-bit grey PNG from native-order samples, top row first.
bool write_png_gray16(const char *name, const uint16_t *samples, int width, int height);
// 8-bit RGBA PNG, top row first, with one "Comment" text chunk holding
// `comment` (for instance "[mip_max_alpha]") unless it is null or empty.
bool write_png_rgba(const char *name, const unsigned char *rgba, int width, int height,
                    const char *comment);
// Binary "P6" (RGB) and "P5" (grey) with maximum value 255, top row first.
bool write_ppm(const char *name, const unsigned char *rgb, int width, int height);
bool write_pgm(const char *name, const unsigned char *grey, int width, int height);
