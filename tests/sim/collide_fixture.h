// Bikes with the generated collision shapes on a flat 256 ft square, stepped
// in the game tick's order: ground and object contacts, bike pairs fastest
// first, the world step, each bike's own step.
#pragma once
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/game_tick.h"
#include "app/object_grid.h"
#include "sim/collisions.h"
#include "sim/contact.h"
#include "sim/step.h"
#include "track/heightfield.h"
#include "track/statues.h"
#include "track/terrain_files.h"
#include "world_fixture.h"

inline bool body_finite(dBodyID b) {
  const dReal *p = dBodyGetPosition(b), *v = dBodyGetLinearVel(b), *w = dBodyGetAngularVel(b);
  for (int k = 0; k < 3; k++)
    if (!std::isfinite(p[k]) || !std::isfinite(v[k]) || !std::isfinite(w[k])) return false;
  return true;
}

inline bool bike_finite(const bike *b) {
  for (int i = 0; i < BODY_COUNT; i++)
    if (!body_finite(bike_body(b, i))) return false;
  for (int k = 0; k < 3; k++)
    if (!std::isfinite(b->left_foot_position[k]) || !std::isfinite(b->right_foot_position[k])) return false;
  return std::isfinite(b->bump_timer);
}

struct collide_test : world_test {
  // The generated shape files copied into the data root; false when the
  // data kit has not produced them in this build.
  bool install_shapes() {
    static const char *const files[] = {"generic_frame.shp", "generic_fork_upper.shp", "generic_fork_lower.shp",
                                        "generic_swingarm.shp", "front_wheel.shp", "rear_wheel.shp",
                                        "generic_rider.shp"};
    for (const char *name : files) {
      std::string bytes = read_file(std::string(KV_BUILD_DIR) + "/datakit-staging/" + name);
      if (bytes.empty() || !write_file(home.file(name), bytes)) return false;
    }
    data_reset();
    shape_cache_clear();
    return heightfield_create(7, 2, 0);
  }
  void TearDown() override {
    statues_clear();
    object_grid_free();
    forget_followed_lines_hook = nullptr;
    heightfield_release();
    world_test::TearDown();
  }
  // A bike in `slot` at ground point (x, z), facing heading h (0 faces -z).
  bike *place(int slot, double x, double z, double h = 0) {
    bike *b = make("crf250(2009)", slot);
    if (!b) return nullptr;
    if (h != 0) bike_rotate(b, 0, 1, 0, h);
    bike_translate(b, x, 0.1, z);
    return b;
  }
  void set_velocity(bike *b, double vx, double vz) {
    for (int i = 0; i < BODY_COUNT; i++) dBodySetLinearVel(bike_body(b, i), vx, 0, vz);
  }
  void tick(const std::vector<bike *> &bikes) {
    for (bike *b : bikes) collide_with_objects(b);
    std::vector<bike *> order = bikes;
    std::stable_sort(order.begin(), order.end(), [](bike *a, bike *b) { return bike_speed(a) > bike_speed(b); });
    for (size_t i = 0; i < order.size(); i++)
      for (size_t j = i + 1; j < order.size(); j++) bike_collide(order[i], order[j]);
    sim_world_step();
    for (bike *b : bikes) bike_step(b, true);
    sim.sim_tick++;
  }
};
