// A physics world for one test, with the personal and data folders pointed at
// a temporary folder (so shape files are looked up there, and missing).
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "data/data.h"
#include "sim/assembly.h"
#include "sim/ground.h"
#include "sim/shape.h"
#include "sim/world.h"
#include "support/test_env.h"

struct world_test : ::testing::Test {
  temp_dir home;
  scoped_env xdg{"XDG_DATA_HOME", home.path.c_str()};
  scoped_env kv_home{"KV_HOME", home.path.c_str()};

  void SetUp() override {
    data_reset();
    shape_cache_clear();
    sim_ground_reset();
    ASSERT_TRUE(sim_world_create());
  }
  void TearDown() override {
    for (bike *b : extra) bike_destroy(b);
    sim_world_destroy();
    shape_cache_clear();
    sim_ground_reset();
    data_reset();
  }
  // The bike goes into its slot (as a local bike) when that is free, so that
  // the world destroys it; tests that destroy bikes themselves empty the slot.
  bike *make(const char *model = "crf250(2009)", int slot = 0) {
    bike *b = bike_create(model, slot, "7", nullptr, nullptr, nullptr, nullptr);
    if (b && !bike_slot_bike(slot))
      bike_slot_set(slot, b, BIKE_LOCAL);
    else if (b)
      extra.push_back(b);
    return b;
  }
  std::vector<bike *> extra;
};
