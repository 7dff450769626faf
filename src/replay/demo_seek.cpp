#include "replay/demo_seek.h"

#include <cstdint>

#include "app/game_tick.h"
#include "app/run_options.h"
#include "data/data.h"
#include "platform/log.h"
#include "race/timing.h"
#include "replay/demo_internal.h"
#include "sim/world.h"

namespace {

// Seeking only makes sense for a pure replay: nothing recorded, no bike
// simulated here.
bool seek_allowed() {
  if (!demo_play.stream || demo_rec.stream) return false;
  for (int s = 0; s < BIKE_SLOT_COUNT; s++)
    if (bike_slot_bike(s) && bike_slot_kind(s) != BIKE_REMOTE) return false;
  return true;
}

const int32_t TICKS_PER_SECOND = 128;

}  // namespace

void demo_seek_seconds(double seconds) {
  if (!seek_allowed() || !(seconds == seconds)) return;
  if (run_opts.accurate_skip && seconds > 0) {
    // Whole ticks, without roost, so everything else happens as in the race.
    double target = sim.sim_tick + seconds * TICKS_PER_SECOND;
    if (target > INT32_MAX - 1) return;
    int32_t saved = run_opts.roost_frequency;
    run_opts.roost_frequency = 0;
    while (sim.sim_tick < target && demo_play.stream) game_tick();
    run_opts.roost_frequency = saved;
    log_printf("Demo skipped to tick %d\n", (int)sim.sim_tick);
    return;
  }
  double wanted = sim.sim_tick + seconds * TICKS_PER_SECOND - 2;
  if (wanted > INT32_MAX - 2) return;  // beyond any file a stream can address
  int64_t b = wanted > 0 ? (int64_t)wanted : 0;
  int64_t offset = demo_play.header_length + b * demo_play.count * demo_play.record_size;
  if (offset > INT32_MAX || !data_seek(demo_play.stream, (int32_t)offset)) return;
  b += 2;
  if (b < sim.sim_tick) {
    timing_truncate_after((int32_t)b);
    standings_update();
  }
  sim.sim_tick = (int32_t)b;
  demo_play_block();
  demo_play_block();
  log_printf("Demo moved to tick %d\n", (int)sim.sim_tick);
}
