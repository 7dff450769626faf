// State shared by the demo modules: the one played and the one recorded demo.
#pragma once
#include <cstdint>

#include "replay/demo.h"
#include "replay/packed_state.h"

struct data_stream;

enum { DEMO_LINE_CAPACITY = 1024 };  // a header line holds at most 1023 bytes

struct demo_playback {
  data_stream *stream;  // nullptr when nothing is played
  int version;
  int count;        // bikes in each record block, 0..DEMO_MAX_BIKES
  int record_size;  // 26 (version 4) or 39 (version 5)
  int64_t header_length;
  int32_t time_limit, laps, gate_drop;
  char path[DEMO_LINE_CAPACITY];
  char track[DEMO_LINE_CAPACITY];
  demo_rider riders[DEMO_MAX_BIKES];
  bool muted[DEMO_MAX_BIKES];  // per bike slot
};

struct demo_recording {
  data_stream *stream;  // nullptr when nothing is recorded
  bool time_trial;
  bool online;
  int count;
  int slots[DEMO_MAX_BIKES];  // recorded slots in ascending order
  uint8_t last[DEMO_MAX_BIKES][PACKED_STATE_SIZE];
  char path[DEMO_LINE_CAPACITY];
  char pending_name[DEMO_NAME_LIMIT + 8];
  demo_rider slot_riders[DEMO_MAX_BIKES];
  bool slot_rider_set[DEMO_MAX_BIKES];
};

extern demo_playback demo_play;
extern demo_recording demo_rec;

// Copies text into a fixed field, cut to fit; nullptr counts as "".
void demo_copy_field(char *dst, int capacity, const char *text);
// A folder name that stays inside its root: not empty, relative, no "..",
// no back slashes.
bool demo_safe_folder(const char *folder);
