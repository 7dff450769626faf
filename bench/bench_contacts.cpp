// Contact query costs: one wheel query and one sphere query over a flat
// terrain in ns per call, and game_tick with 40 bikes resting on a generated
// rolling terrain, in microseconds per tick.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "app/game_tick.h"
#include "data/data.h"
#include "sim/assembly.h"
#include "sim/bike_spec.h"
#include "sim/ground_query.h"
#include "sim/world.h"
#include "track/heightfield.h"
#include "track/terrain_files.h"

namespace {

void BM_wheel_query(benchmark::State &state) {
  heightfield_create(8, 2, 0);
  torus_shape t = {{100.3f, 1.09f, 120.7f}, {1, 0, 0}, 0.833333f, 0.333333f};
  ground_contact c;
  for (auto _ : state) {
    bool hit = wheel_ground_query(t, &c);
    benchmark::DoNotOptimize(hit);
    benchmark::DoNotOptimize(c);
  }
  heightfield_release();
}

void BM_sphere_query(benchmark::State &state) {
  heightfield_create(8, 2, 0);
  const float centre[3] = {100.3f, 0.3f, 120.7f};
  ground_contact c;
  for (auto _ : state) {
    bool hit = sphere_ground_query(centre, 0.5f, &c);
    benchmark::DoNotOptimize(hit);
    benchmark::DoNotOptimize(c);
  }
  heightfield_release();
}

// 40 bikes on gentle rolling ground, given a few seconds to settle.
void BM_game_tick_resting(benchmark::State &state) {
  char templ[] = "/tmp/kvbench.XXXXXX";
  std::string home = mkdtemp(templ) ? templ : "/tmp";
  setenv("XDG_DATA_HOME", home.c_str(), 1);
  setenv("KV_HOME", home.c_str(), 1);
  data_reset();
  heightfield_create(8, 2, 0);
  int n = terrain.samples_per_side;
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++)
      terrain.heights[j * n + i] = 1.5f * std::sin(0.05f * (float)i) * std::cos(0.04f * (float)j);
  sim_world_create();
  for (int i = 0; i < 40; i++) {
    const bike_spec *spec = bike_spec_at(i % BIKE_SPEC_COUNT);
    bike *b = bike_create(spec ? spec->name : "crf250(2009)", i, "1", nullptr, nullptr, nullptr, nullptr);
    if (!b) continue;
    float x = 200 + (float)(i % 8) * 10, z = 200 + (float)(i / 8) * 10;
    bike_translate(b, x, height_at(x, z) + 0.5, z);
    bike_slot_set(i, b, BIKE_ROBOT);
  }
  for (int t = 0; t < 256; t++) game_tick();
  for (auto _ : state) game_tick();
  sim_world_destroy();
  heightfield_release();
  std::string cmd = "rm -rf '" + home + "'";
  if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", home.c_str());
}

}  // namespace

BENCHMARK(BM_wheel_query)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_sphere_query)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_game_tick_resting)->Unit(benchmark::kMicrosecond);
