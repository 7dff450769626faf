// Billboards: flat camera-facing pictures standing on the ground (trees,
// banners, flaggers, and the roost particle pool). One growable table from
// track load to unload; indices stay valid until billboards_clear.
//
// Positions are finite: billboard_add refuses non-finite numbers. Each
// billboard keeps the texture name it was given (without its colour prefix)
// so that a save writes back what was loaded even when no texture could be
// made. Main thread only.
#pragma once
#include <cstdint>

#include "track/track_assets.h"

struct data_stream;

struct billboard {
  float x, y, z;    // y: absolute height of the picture's bottom
  float size;       // picture height
  float y_offset;   // height above the ground as given
  float aspect;     // width / height
  float spare;      // always 0
  texture_handle texture;
  uint8_t colour[4];  // r, g, b, a tint
};

struct billboard_table {
  billboard *items;
  int32_t *render_a, *render_b;  // the renderer's bookkeeping, 0 at creation
  char **names;                  // texture name or nullptr, owned
  int32_t count, capacity;
  int32_t first_editable;  // earlier ones (particles, flaggers) are neither edited nor saved
};

extern billboard_table billboards;

// Adds a billboard whose bottom stands y_offset above the ground at (x, z).
// `texture_spec` may be nullptr, or start with "#rrggbb#" giving the tint.
// Returns its index, or -1 for a non-finite number.
int billboard_add(float x, float y_offset, float z, float size, float aspect, const char *texture_spec);
// Reads "[ x y z ] size aspect name" records until one does not match; a
// record holding a non-finite number is logged and skipped.
void billboards_read(data_stream *s);
// Writes every billboard from first_editable on that has a texture name into
// "@" + folder + "/billboards". False (with "Can't open 'billboards'\n"
// posted) when the file can't be created.
bool billboards_save(const char *folder);

// One record of the billboards file as written. The tint goes out as a
// "#rrggbb#" prefix unless it is white; a record without a texture name is
// not written (the reader would take the next record's number as its name).
struct billboard_record {
  float x, y_offset, z, size, aspect;
  uint8_t colour[3];
  const char *texture;
};
// Writes the records to `name` (a path or "@" data name), one line each, in
// the reader's format. A record with a non-finite number or a name that could
// not be read back is skipped with a log line. False when the file can't be
// created or a write fails.
bool billboards_write(const char *name, const billboard_record *records, int count);

// Object files read names as one word of at most 1023 bytes: true when
// `name` is such a word (not empty, no white space).
bool object_name_writable(const char *name);
void billboards_clear();
