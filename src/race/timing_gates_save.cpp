// Saving the course (the editor's "timing_gates") through the one emitter.
#include <cstdio>
#include <cstring>

#include "app/message_log.h"
#include "race/timing_gates.h"
#include "race/timing_gates_write.h"

static_assert((int)TIMING_FILE_STARTS == (int)START_POSITION_MAX &&
                  (int)TIMING_FILE_CHECKPOINTS == (int)TIMING_GATE_MAX &&
                  (int)TIMING_FILE_SEQUENCE == (int)LAP_SEQUENCE_MAX,
              "the file record and the course share their table sizes");

bool timing_gates_save(const char *track_folder) {
  static timing_file out;  // large; one save at a time on the main thread
  memset(&out, 0, sizeof out);
  out.start_count = race_course.start_count;
  for (int i = 0; i < race_course.start_count; i++) {
    memcpy(out.starts[i].position, race_course.starts[i].position, sizeof out.starts[i].position);
    out.starts[i].heading = race_course.starts[i].heading;
  }
  // Checkpoints are written whenever there are any, active or not, so that
  // saving a course still being laid out keeps them.
  out.checkpoint_count = race_course.gate_count;
  for (int i = 0; i < race_course.gate_count; i++) {
    const timing_gate &g = race_course.gates[i];
    out.checkpoints[i].radius = g.radius;
    memcpy(out.checkpoints[i].position, g.position, sizeof g.position);
    memcpy(out.checkpoints[i].direction, g.direction, sizeof g.direction);
  }
  out.first_count = race_course.first_count;
  out.normal_count = race_course.normal_count;
  memcpy(out.first_lap, race_course.sequence, sizeof(int32_t) * race_course.first_count);
  memcpy(out.normal_lap, race_course.sequence + race_course.first_count, sizeof(int32_t) * race_course.normal_count);

  char name[1100];
  if (!track_folder || snprintf(name, sizeof name, "@%s/timing_gates", track_folder) >= (int)sizeof name ||
      !timing_gates_write_file(name, &out)) {
    post_message("Can't open 'timing_gates'\n");
    return false;
  }
  return true;
}
