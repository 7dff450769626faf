// game_tick with 1, 8 and 40 bikes on a flat 513 x 513 terrain (1024 ft a
// side), in microseconds per tick, with the share of it spent in the ODE step;
// and 40 bikes packed as on a start line (5 ft apart, colliding) beside the
// same 40 spread 30 ft apart. The bikes carry the game's collision shapes.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/game_tick.h"
#include "data/data.h"
#include "sim/assembly.h"
#include "sim/bike_spec.h"
#include "sim/ground.h"
#include "sim/world.h"

namespace {

float flat_ground(float, float) { return 0; }

struct bench_world {
  std::string home;
  explicit bench_world(int bikes, double spacing = 10) {
    char templ[] = "/tmp/kvbench.XXXXXX";
    home = mkdtemp(templ) ? templ : "/tmp";
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    setenv("KV_HOME", KV_GAME_DIR, 1);
    data_reset();
    sim_ground.extent = 1024;
    sim_ground.min_height = 0;
    sim_ground.height_at = flat_ground;
    sim_world_create();
    for (int i = 0; i < bikes; i++) {
      const bike_spec *spec = bike_spec_at(i % 18);
      bike *b = bike_create(spec ? spec->name : "crf250(2009)", i, "1", nullptr, nullptr, nullptr, nullptr);
      if (!b) continue;
      bike_translate(b, 200 + (i % 8) * spacing, 2, 200 + (i / 8) * spacing);
      bike_slot_set(i, b, BIKE_ROBOT);
    }
  }
  ~bench_world() {
    sim_world_destroy();
    sim_ground_reset();
    std::string cmd = "rm -rf '" + home + "'";
    if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", home.c_str());
  }
};

double seconds_per_step(int bikes, bool whole_tick, int steps, double spacing = 10) {
  bench_world w(bikes, spacing);
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < steps; i++) {
    if (whole_tick)
      game_tick();
    else
      sim_world_step();
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / steps;
}

void BM_game_tick(benchmark::State &state) {
  int bikes = (int)state.range(0);
  double ode = seconds_per_step(bikes, false, 256);
  double tick = seconds_per_step(bikes, true, 256);
  bench_world w(bikes);
  for (auto _ : state) game_tick();
  state.counters["ode_share"] = tick > 0 ? ode / tick : 0;
}

// Argument: the spacing of the 40 bikes in feet (5 packed, 30 spread out).
void BM_game_tick_40_spacing(benchmark::State &state) {
  double spacing = (double)state.range(0);
  bench_world w(40, spacing);
  for (auto _ : state) game_tick();
}

}  // namespace

BENCHMARK(BM_game_tick)->Arg(1)->Arg(8)->Arg(40)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_game_tick_40_spacing)->Arg(5)->Arg(30)->Unit(benchmark::kMicrosecond);
