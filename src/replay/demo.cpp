// The game tick's replay step and the time trial's best-lap files.
#include "replay/demo.h"

#include <cstdio>
#include <cstring>

#include "data/data.h"
#include "platform/log.h"
#include "replay/demo_internal.h"

namespace {

enum { COPY_BLOCK = 1024 };

// "<personal folder><track>/<file>", or false when it doesn't fit or the
// folder could leave the personal folder.
bool personal_path(char *out, int capacity, const char *track_folder, const char *file) {
  const char *root = data_roots(0);
  if (!root || !demo_safe_folder(track_folder)) return false;
  int n = snprintf(out, (size_t)capacity, "%s%s/%s", root, track_folder, file);
  return n > 0 && n < capacity;
}

}  // namespace

void demo_tick() {
  demo_record_tick();
  demo_play_block();
}

bool demo_time_trial_keep(bool fastlap_existed, int32_t rider_gates, int32_t ghost_gates, int32_t lap_ticks) {
  if (!fastlap_existed) return true;
  return rider_gates > ghost_gates && lap_ticks > 0;
}

bool demo_time_trial_fastlap_exists(const char *track_folder) {
  char path[DEMO_LINE_CAPACITY];
  if (!personal_path(path, sizeof path, track_folder, "fastlap.kvdemo")) return false;
  data_stream *s = data_open(path, "rb");
  if (!s) return false;
  data_close(s);
  return true;
}

bool demo_time_trial_copy_lap(const char *track_folder) {
  char from[DEMO_LINE_CAPACITY], to[DEMO_LINE_CAPACITY], temp[DEMO_LINE_CAPACITY];
  if (!personal_path(from, sizeof from, track_folder, "lastlap.kvdemo") ||
      !personal_path(to, sizeof to, track_folder, "fastlap.kvdemo") ||
      !personal_path(temp, sizeof temp, track_folder, "fastlap.kvdemo.new"))
    return false;
  data_stream *in = data_open(from, "rb");
  if (!in) return false;
  data_stream *out = data_open(temp, "wb");
  if (!out) {
    data_close(in);
    return false;
  }
  // The copy goes to a temporary file first: a failed copy keeps the old best lap.
  unsigned char block[COPY_BLOCK];
  bool ok = true;
  for (;;) {
    int got = data_read(in, block, COPY_BLOCK);
    if (got > 0 && data_write(out, block, got) != got) ok = false;
    if (got < COPY_BLOCK || !ok) break;
  }
  data_close(in);
  if (data_flush(out) != 0) ok = false;
  data_close(out);
  if (ok) ok = data_rename(temp, to) == 1;
  if (!ok) {
    remove(temp);
    log_printf("Can't keep the best lap of %s\n", track_folder);
  }
  return ok;
}

bool demo_time_trial_next_lap(const char *track_folder, bool fastlap_existed, int32_t rider_gates,
                              int32_t ghost_gates, int32_t lap_ticks, const demo_race *race) {
  demo_stop_recording();
  demo_stop_playback();
  if (demo_time_trial_keep(fastlap_existed, rider_gates, ghost_gates, lap_ticks))
    demo_time_trial_copy_lap(track_folder);
  bool ghost = false;
  char path[DEMO_LINE_CAPACITY];
  if (demo_safe_folder(track_folder) &&
      snprintf(path, sizeof path, "@%s/fastlap.kvdemo", track_folder) < (int)sizeof path)
    ghost = demo_open_playback(path, nullptr, 0);
  if (race) {
    demo_race lap = *race;
    lap.time_trial = true;
    demo_start_recording(track_folder, &lap);
  }
  return ghost;
}
