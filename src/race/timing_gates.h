// The track's course: its timing gates (checkpoints), the start positions and
// the gate sequence (first lap, then normal lap), read from a track's
// "timing_gates" file.
//
// One record, `race_course`, lives for the whole program; track load resets it and
// reads the file again. Counts never exceed the table sizes; every sequence
// entry names an existing checkpoint (its index part is below gate_count) once
// timing is active. Main thread only.
#pragma once
#include <cstdint>

enum {
  TIMING_GATE_MAX = 256,
  START_POSITION_MAX = 40,
  LAP_SEQUENCE_MAX = 256,  // per lap kind
  GATE_NO_SEGMENT = 100000,  // added to an entry that begins no riding-line segment
};

struct timing_gate {
  float position[3];
  float direction[3];  // travel direction; only x and z count
  float radius;        // horizontal reach
};

struct start_position {
  float position[3];
  float heading;  // radians, -pi..pi
  float gate_object[3];  // where its start gate object stands
};

struct timing_course {
  int32_t gate_count;
  timing_gate gates[TIMING_GATE_MAX];
  int32_t start_count;
  start_position starts[START_POSITION_MAX];
  int32_t first_count;   // F
  int32_t normal_count;  // N
  int32_t sequence[2 * LAP_SEQUENCE_MAX];  // F first-lap entries, then N normal-lap entries
  int32_t first_segments;   // S1: first-lap entries below GATE_NO_SEGMENT
  int32_t normal_segments;  // S2: the same for the normal lap
  bool active;
};

extern timing_course race_course;

// Seam for the robots' line tables: called with S1 + S2 when timing becomes
// active on load. nullptr until the riding-line code installs it.
extern void (*timing_lines_prepare_hook)(int segments);

// Forgets everything: no start positions, no gates, timing inactive.
void timing_gates_reset();
// Resets, then reads the file (a data name or path). A missing file leaves
// timing inactive; a malformed section ends the reading with what was read
// so far. The caller creates the start gate objects from `race_course.starts`.
void timing_gates_load(const char *name);
// Writes "@" + track_folder + "/timing_gates"; false (with a posted message)
// when the file can't be created.
bool timing_gates_save(const char *track_folder);

// Sequence position of the k-th gate passed (k >= 0, counted over the race).
int32_t sequence_position(int32_t k);
// Checkpoint index of the k-th gate passed, the GATE_NO_SEGMENT flag removed.
int32_t sequence_gate(int32_t k);
// True when the k-th gate passed begins a riding-line segment.
bool sequence_is_line_gate(int32_t k);
// True when gate k ends a lap: k + 1 - F >= 0 and a multiple of N.
bool gate_ends_lap(int32_t k);
// Sequence entries below GATE_NO_SEGMENT among the first k gates passed.
int32_t segment_index(int32_t k);
