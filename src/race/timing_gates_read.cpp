// Reading a track's "timing_gates" file. Sections come in a fixed order
// (startinggate:, checkpoints:, firstlap:, normallap:); a section that can't
// be parsed ends the reading and keeps what was read before it. Entries past
// a table's size and entries with non-finite numbers are skipped with a
// warning, so that the rest of the file still reads.
#include <cmath>
#include <cstring>

#include "data/data.h"
#include "platform/log.h"
#include "race/timing_gates.h"

timing_course race_course;
void (*timing_lines_prepare_hook)(int segments);

namespace {

constexpr double PI = 3.14159265358979323846;

bool read_word(data_stream *s, char word[81]) { return data_scanf(s, "%80s", word) == 1; }

bool all_finite(const float *v, int n) {
  for (int i = 0; i < n; i++)
    if (!std::isfinite(v[i])) return false;
  return true;
}

float wrap_heading(float h) {
  if (h >= -PI && h <= PI) return h;
  double t = (h + PI) / (2 * PI);
  t -= std::floor(t);
  return (float)(t * 2 * PI - PI);
}

// Entries " [ x y z ] heading "; false when an entry is malformed.
bool read_starts(data_stream *s) {
  bool warned = false;
  for (;;) {
    char bracket[2];
    if (data_scanf(s, " %1[[]", bracket) != 1) return true;  // a word or the end follows
    float v[4];
    if (data_scanf(s, "%f %f %f ] %f ", &v[0], &v[1], &v[2], &v[3]) != 4) {
      log_printf("timing_gates: bad starting gate entry %d\n", race_course.start_count);
      return false;
    }
    if (!all_finite(v, 4)) {
      log_printf("timing_gates: starting gate entry with a non-finite number skipped\n");
      continue;
    }
    if (race_course.start_count >= START_POSITION_MAX) {
      if (!warned) log_printf("timing_gates: more than %d starting gates; the rest are skipped\n", START_POSITION_MAX);
      warned = true;
      continue;
    }
    start_position *p = &race_course.starts[race_course.start_count++];
    float h = wrap_heading(v[3]);
    p->position[0] = v[0];
    p->position[1] = v[1];
    p->position[2] = v[2];
    p->heading = h;
    p->gate_object[0] = v[0] - 3 * std::sin(h);
    p->gate_object[1] = v[1];
    p->gate_object[2] = v[2] - 3 * std::cos(h);
  }
}

// Entries "radius [ x y z ] [ dx dy dz ] "; false when an entry is malformed.
bool read_checkpoints(data_stream *s) {
  bool warned = false;
  for (;;) {
    float v[7];
    if (data_scanf(s, "%f", &v[0]) != 1) return true;
    if (data_scanf(s, " [ %f %f %f ] [ %f %f %f ] ", &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]) != 6) {
      log_printf("timing_gates: bad checkpoint entry %d\n", race_course.gate_count);
      return false;
    }
    if (!all_finite(v, 7)) {
      log_printf("timing_gates: checkpoint with a non-finite number skipped\n");
      continue;
    }
    if (race_course.gate_count >= TIMING_GATE_MAX) {
      if (!warned) log_printf("timing_gates: more than %d checkpoints; the rest are skipped\n", TIMING_GATE_MAX);
      warned = true;
      continue;
    }
    timing_gate *g = &race_course.gates[race_course.gate_count++];
    g->radius = v[0];
    for (int i = 0; i < 3; i++) {
      g->position[i] = v[1 + i];
      g->direction[i] = v[4 + i];
    }
  }
}

// A negative entry becomes 0; the index part is limited to the last checkpoint.
int32_t normalise_entry(int32_t entry) {
  if (entry < 0) entry = 0;
  int32_t flag = entry >= GATE_NO_SEGMENT ? GATE_NO_SEGMENT : 0;
  int32_t index = entry % GATE_NO_SEGMENT;
  if (index > race_course.gate_count - 1) index = race_course.gate_count > 0 ? race_course.gate_count - 1 : 0;
  return flag + index;
}

// Integers up to the next word or the end of the data, stored from `dest`.
void read_sequence(data_stream *s, int32_t *dest, int32_t *count, const char *what) {
  bool warned = false;
  int32_t entry;
  while (data_scanf(s, "%d", &entry) == 1) {
    if (*count >= LAP_SEQUENCE_MAX) {
      if (!warned)
        log_printf("timing_gates: %s has more than %d gates; the rest are skipped\n", what, LAP_SEQUENCE_MAX);
      warned = true;
      continue;
    }
    dest[(*count)++] = normalise_entry(entry);
  }
}

void read_course(data_stream *s) {
  char word[81];
  if (!read_word(s, word)) return;
  if (strcmp(word, "startinggate:") == 0) {
    if (!read_starts(s) || !read_word(s, word)) return;
  }
  if (strcmp(word, "checkpoints:") != 0) {
    log_printf("timing_gates: no checkpoints section\n");
    return;
  }
  if (!read_checkpoints(s) || !read_word(s, word)) return;
  if (strcmp(word, "firstlap:") == 0) {
    read_sequence(s, race_course.sequence, &race_course.first_count, "first lap");
    if (!read_word(s, word)) return;
  }
  if (strcmp(word, "normallap:") == 0) {
    read_sequence(s, race_course.sequence + race_course.first_count, &race_course.normal_count, "normal lap");
    if (!read_word(s, word)) return;
  }
  log_printf("timing_gates: unexpected section; reading stops there\n");
}

int32_t count_line_gates(const int32_t *entries, int32_t n) {
  int32_t c = 0;
  for (int32_t i = 0; i < n; i++)
    if (entries[i] < GATE_NO_SEGMENT) c++;
  return c;
}

}  // namespace

void timing_gates_reset() { memset(&race_course, 0, sizeof race_course); }

void timing_gates_load(const char *name) {
  timing_gates_reset();
  data_stream *s = data_open(name, "rb");
  if (!s) return;
  read_course(s);
  data_close(s);

  race_course.first_segments = count_line_gates(race_course.sequence, race_course.first_count);
  race_course.normal_segments =
      count_line_gates(race_course.sequence + race_course.first_count, race_course.normal_count);
  race_course.active = race_course.gate_count >= 1 && race_course.first_count >= 1 && race_course.normal_count >= 1 &&
                       race_course.first_segments >= 1 && race_course.normal_segments >= 1;
  if (!race_course.active) return;
  if (timing_lines_prepare_hook) timing_lines_prepare_hook(race_course.first_segments + race_course.normal_segments);
  if (debug_level >= 1)
    log_printf("Found %d timing gates, first lap has %d gates, normal lap has %d\n", race_course.gate_count,
               race_course.first_count, race_course.normal_count);
}

int32_t sequence_position(int32_t k) {
  int32_t f = race_course.first_count, n = race_course.normal_count;
  if (k < f || n <= 0) return k < f ? k : f - 1;
  return f + (k - f) % n;
}

int32_t sequence_gate(int32_t k) {
  int32_t p = sequence_position(k);
  if (p < 0) return 0;
  return race_course.sequence[p] % GATE_NO_SEGMENT;
}

bool sequence_is_line_gate(int32_t k) {
  int32_t p = sequence_position(k);
  return p >= 0 && race_course.sequence[p] < GATE_NO_SEGMENT;
}

bool gate_ends_lap(int32_t k) {
  int32_t n = race_course.normal_count;
  int32_t d = k + 1 - race_course.first_count;
  return n > 0 && d >= 0 && d % n == 0;
}

int32_t segment_index(int32_t k) {
  int32_t f = race_course.first_count, n = race_course.normal_count;
  if (k <= 0) return 0;
  if (k <= f || n <= 0) return count_line_gates(race_course.sequence, k < f ? k : f);
  int32_t rest = k - f;
  return race_course.first_segments + (rest / n) * race_course.normal_segments +
         count_line_gates(race_course.sequence + f, rest % n);
}
