// The track's lighting: sun, ambient light, sky and environment pictures,
// lens flares and fog, read from the track's "lighting" file and kept for the
// scene pass.
//
// One record, `track_lighting`, replaced on every load (fog_color carries
// over from the previous track). Every number kept is finite and sun_vector
// has unit length. The flare list is owned by the record until
// lighting_clear. Main thread only.
#pragma once
#include <cstdint>

#include "track/track_assets.h"

enum { FLARE_MAX_ELEMENTS = 8, SKY_FACES = 5 };
enum flare_kind { FLARE_POINT, FLARE_VECTOR };

struct flare_element {
  float a, b;  // screen placement factors
  float colour[3];
  float size;
  texture_handle texture;
};

struct lens_flare {
  float position[3];  // world position, or direction for FLARE_VECTOR
  flare_kind kind;
  int32_t element_count;
  flare_element elements[FLARE_MAX_ELEMENTS];
  float fade;  // 0..1, worked out by the scene pass
};

struct lighting_state {
  float sun_vector[3];
  float sun_color[3];
  float ambient[3];
  float global_ambient[3];
  texture_handle sky[SKY_FACES];  // north, east, south, west, up
  texture_handle sky_env;
  bool sky_loaded;  // false: the file was missing and no sky pictures were loaded
  lens_flare *flares;
  int32_t flare_count, flare_capacity;
  float fog_color[3];
  float fog_density;  // 0: no fog
};

extern lighting_state track_lighting;

// Reads the file (a path or "@" data name). Without a file the defaults stand,
// with no flares, no fog and no sky pictures. An unknown keyword posts
// "Error reading lighting: Unknown identifier '<word>'\n" and ends the
// reading, keeping what came before.
void lighting_load(const char *name);
// Frees the flare list; the other values stay.
void lighting_clear();

// The lighting file as written. Sky names left nullptr are not written, so
// the reader loads the default pictures for them.
struct flare_element_record {
  float a, b;
  float colour[3];
  float size;
  const char *texture;
};
struct lens_flare_record {
  flare_kind kind;
  float position[3];  // world position, or direction for FLARE_VECTOR
  int32_t element_count;  // 0..FLARE_MAX_ELEMENTS
  flare_element_record elements[FLARE_MAX_ELEMENTS];
};
struct lighting_record {
  float sun_vector[3];  // any non-zero length
  float sun_color[3], ambient[3], global_ambient[3];
  const char *sky[SKY_FACES];  // north, east, south, west, up
  const char *sky_env;
  const lens_flare_record *flares;
  int32_t flare_count;
  bool fog;  // false: no fog line
  float fog_color[3], fog_density;
};
// Writes one keyword line per value in the reader's format. False, with
// nothing written, when the content would not read back as given (a
// non-finite number, a zero sun or flare direction, a negative fog density,
// too many flare elements, a name that is empty or holds white space); false
// too when the file can't be created or a write fails.
bool lighting_write(const char *name, const lighting_record *l);
