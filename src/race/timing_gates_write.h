// The "timing_gates" text file: start positions, checkpoints and the first-lap
// and normal-lap sequences, written in the exact form the timing reader scans
// back ("startinggate:", "checkpoints:", "firstlap:", "normallap:").
//
// The record holds the file's content only; which sections are worth writing
// (for instance only checkpoints while timing is active) is the caller's
// choice, made through the counts. A section whose count is 0 is left out.
// Writers return false on a bad count or a failed write. Main thread only.
#pragma once
#include <cstdint>

struct data_stream;

enum { TIMING_FILE_STARTS = 40, TIMING_FILE_CHECKPOINTS = 256, TIMING_FILE_SEQUENCE = 256 };

struct timing_file_start {
  float position[3];
  float heading;  // radians, faces (-sin h, -cos h)
};

struct timing_file_checkpoint {
  float radius;
  float position[3];
  float direction[3];  // direction of travel; only x and z count
};

struct timing_file {
  int32_t start_count;
  timing_file_start starts[TIMING_FILE_STARTS];
  int32_t checkpoint_count;
  timing_file_checkpoint checkpoints[TIMING_FILE_CHECKPOINTS];
  int32_t first_count, normal_count;
  int32_t first_lap[TIMING_FILE_SEQUENCE];   // checkpoint index, +100000 timed only
  int32_t normal_lap[TIMING_FILE_SEQUENCE];
};

bool timing_gates_write(data_stream *s, const timing_file *g);
// Creates the file (a plain path or an "@" data name) and writes it.
bool timing_gates_write_file(const char *name, const timing_file *g);
