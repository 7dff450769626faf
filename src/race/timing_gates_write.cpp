#include "race/timing_gates_write.h"

#include "data/data.h"

namespace {

bool counts_ok(const timing_file *g) {
  return g->start_count >= 0 && g->start_count <= TIMING_FILE_STARTS && g->checkpoint_count >= 0 &&
         g->checkpoint_count <= TIMING_FILE_CHECKPOINTS && g->first_count >= 0 &&
         g->first_count <= TIMING_FILE_SEQUENCE && g->normal_count >= 0 && g->normal_count <= TIMING_FILE_SEQUENCE;
}

bool write_sequence(data_stream *s, const char *keyword, const int32_t *entries, int count) {
  if (count <= 0) return true;
  bool ok = data_puts(s, keyword) >= 0;
  for (int i = 0; ok && i < count; i++) ok = data_printf(s, "%d ", entries[i]) >= 0;
  return ok && data_puts(s, "\n") >= 0;
}

}  // namespace

bool timing_gates_write(data_stream *s, const timing_file *g) {
  if (!s || !g || !counts_ok(g)) return false;
  bool ok = true;
  if (g->start_count > 0) {
    ok = data_puts(s, "startinggate:\n") >= 0;
    for (int i = 0; ok && i < g->start_count; i++) {
      const timing_file_start &p = g->starts[i];
      ok = data_printf(s, "[%f %f %f]", p.position[0], p.position[1], p.position[2]) >= 0 &&
           data_printf(s, " %f\n", p.heading) >= 0;
    }
  }
  if (ok && g->checkpoint_count > 0) {
    ok = data_puts(s, "checkpoints:\n") >= 0;
    for (int i = 0; ok && i < g->checkpoint_count; i++) {
      const timing_file_checkpoint &c = g->checkpoints[i];
      ok = data_printf(s, "%f ", c.radius) >= 0 &&
           data_printf(s, "[%f %f %f]", c.position[0], c.position[1], c.position[2]) >= 0 &&
           data_printf(s, " [%f %f %f]\n", c.direction[0], c.direction[1], c.direction[2]) >= 0;
    }
  }
  ok = ok && write_sequence(s, "firstlap:\n", g->first_lap, g->first_count);
  ok = ok && write_sequence(s, "normallap:\n", g->normal_lap, g->normal_count);
  return ok && data_flush(s) == 0;
}

bool timing_gates_write_file(const char *name, const timing_file *g) {
  if (!g || !counts_ok(g)) return false;
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  bool ok = timing_gates_write(s, g);
  data_close(s);
  return ok;
}
