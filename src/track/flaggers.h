// Flaggers: trackside billboards that signal the race. The start flagger
// walks from its start to its end position around the gate drop, changing
// pictures; the lap board shows the leader's progress towards the last lap;
// each flagger shows its alert picture while a rider lies down before one of
// its gates.
//
// One record, `track_flaggers`, filled by flaggers_read (after the timing
// gates, so gate indices can be checked) and emptied by flaggers_clear. The
// race values (cue, laps, half-way lap) are set by the race set-up. Every
// gate index kept is -1 or below the course's gate count. Main thread only.
#pragma once
#include <cstdint>

#include "track/track_assets.h"

struct data_stream;

enum { START_FLAGGER_PICTURES = 5, LAP_BOARD_PICTURES = 4, FLAGGER_GATES = 4 };

struct start_flagger {
  int32_t billboard;  // -1: the track has none
  float start[3], end[3];  // x, y offset, z
  float size, aspect;
  float travel_time;  // seconds, finite and > 0
  texture_handle pictures[START_FLAGGER_PICTURES];
  int32_t picture;  // index shown
};

struct lap_board {
  int32_t billboard;  // -1: none
  texture_handle pictures[LAP_BOARD_PICTURES];
  int32_t picture;
};

struct flagger {
  int32_t billboard;
  texture_handle normal, alert;
  int32_t gates[FLAGGER_GATES];  // -1: none
  bool alerted;
};

struct flagger_state {
  start_flagger starter;
  lap_board board;
  flagger *items;
  int32_t count, capacity;
  // Race values: the cue in seconds after set-up, and the laps and half-way
  // lap the board counts to (1000000 for races run by time).
  float cue_seconds;
  int32_t race_laps, halfway_lap;
};

extern flagger_state track_flaggers;

// Whether the rider in a slot is down; nullptr (nobody is) until the
// simulation installs its query.
extern bool (*flagger_bike_down)(int slot);

// Reads the flaggers file, stopping at the first piece that does not match
// and keeping what was read. A flagger line with a non-finite number is
// logged and skipped; one in the start flagger's or lap board's line ends the
// reading.
void flaggers_read(data_stream *s);
// Race set-up: the flagger cue (seconds after set-up) and the lap figures.
void flaggers_race_set(float cue_seconds, int32_t race_laps, int32_t halfway_lap);
// Once per frame with the current tick: moves the start flagger and switches
// pictures. Nothing happens without timing gates; the lap board and the
// flaggers' alerts need active timing.
void update_flaggers(int32_t tick);
void flaggers_clear();

// The flaggers file as written. The format is one sequence, so a lap board
// needs a start flagger before it, and flaggers need both.
struct start_flagger_record {
  float start[3], end[3];  // x, y offset, z
  float size, aspect, travel_time;
  const char *pictures[START_FLAGGER_PICTURES];
};
struct lap_board_record {
  float position[3];  // x, y offset, z
  float size, aspect;
  const char *pictures[LAP_BOARD_PICTURES];
};
struct flagger_record {
  float position[3];  // x, y offset, z
  float size, aspect;
  int32_t gates[FLAGGER_GATES];  // checkpoint indices, -1 none
  const char *normal, *alert;
};
struct flaggers_file {
  const start_flagger_record *starter;  // nullptr: none
  const lap_board_record *board;        // nullptr: none
  const flagger_record *flaggers;
  int32_t count;
};
// Writes the file in the reader's format. False, with nothing written, when
// the content can't be represented or read back (a board without a starter,
// flaggers without a board, a non-finite number, a travel time that is not
// positive, a missing or unreadable name); false too when the file can't be
// created or a write fails.
bool flaggers_write(const char *name, const flaggers_file *f);

// The lap value the board shows for a leader who has passed `gates_passed`.
int32_t lap_board_leader_lap(int32_t gates_passed);
// The board's picture for a leader's lap value.
int32_t lap_board_picture(int32_t leader_lap, int32_t race_laps, int32_t halfway_lap);
