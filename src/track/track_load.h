// Loading and releasing a whole track folder in its fixed order: terrain,
// timing gates and start gate objects, the particle billboard pool,
// flaggers, billboards, statues, lighting and map picture; the object grid
// is rebuilt afterwards. Also the track's title and digest.
//
// `track_state` describes the loaded track from a successful track_load to
// the next track_unload; after a failed load no track is loaded and nothing
// stays allocated. The folder is a data folder name such as "tracks/x"
// (files are opened as "@" + folder + "/" + name). Main thread only.
#pragma once
#include <cstdint>

#include "track/track_assets.h"

enum { TRACK_NAME_SIZE = 256, TRACK_DIGEST_SIZE = 20, PARTICLE_BILLBOARDS = 2000 };

struct track_record {
  bool loaded;
  char folder[TRACK_NAME_SIZE];  // "" when none
  char title[TRACK_NAME_SIZE];   // display name from the track list, or the folder
  uint8_t digest[TRACK_DIGEST_SIZE];  // RIPEMD-160 of the defining files
  int32_t particle_billboards[PARTICLE_BILLBOARDS];  // the roost particles' pool
  int32_t start_gate_first, start_gate_count;  // statue indices of the start gate objects
  texture_handle map_picture;
};

extern track_record track_state;

// Loads the folder; false (no track loaded, nothing allocated) when the
// terrain fails to load. Any loaded track is released first.
bool track_load(const char *folder);
// Releases everything track_load made (textures and models excepted).
void track_unload();
// True between a successful track_load and track_unload.
bool track_loaded();

// Sets start gate object k's swing: raise 1 stands it raised (tilted by
// 3 pi / 16 about its own x axis), 0 down. Out-of-range k is ignored.
void start_gate_object_set_raise(int k, float raise);
