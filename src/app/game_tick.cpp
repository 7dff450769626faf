#include "app/game_tick.h"

#include "app/heap_sort.h"
#include "app/object_grid.h"
#include "net/session.h"
#include "race/race_session.h"
#include "render/particles.h"
#include "sim/assembly.h"
#include "track/placed_objects.h"
#include "track/roost_emit.h"
#include "replay/demo_seek.h"
#include "robot/autopilot.h"
#include "sim/bike.h"
#include "sim/collisions.h"
#include "sim/contact.h"
#include "sim/world.h"

int32_t race_start_tick;

// Fastest first: 1 when the first bike is slower.
static int compare_speed(const void *a, const void *b) {
  double sa = bike_speed(*(bike *const *)a), sb = bike_speed(*(bike *const *)b);
  return sa < sb ? 1 : sa > sb ? -1 : 0;
}

void collide_with_objects(bike *b) {
  bike_ground_contacts(b);
  const dReal *p = dBodyGetPosition(b->chassis);
  int count;
  const int *objects = object_grid_query((float)p[0], (float)p[2], &count);
  for (int i = 0; i < count; i++)
    if (bike_collide_object(b, objects[i])) placed_object_touched(objects[i], sim.sim_tick);
}

void roost_emission_order(const int *occupied, int k, int32_t tick, int *order) {
  for (int l = 0; l < k; l++) order[l] = occupied[positive_mod(l + tick, k)];
}

static void collide_offline() {
  bike *bikes[BIKE_SLOT_COUNT];
  int n = 0;
  for (int s = 0; s < BIKE_SLOT_COUNT; s++) {
    bike *b = bike_slot_bike(s);
    if (!b || bike_slot_kind(s) == BIKE_REMOTE) continue;
    bikes[n++] = b;
    collide_with_objects(b);
  }
  heap_sort(bikes, n, sizeof bikes[0], compare_speed);
  for (int i = 0; i < n; i++)
    for (int j = i + 1; j < n; j++) bike_collide_pair(bikes[i], bikes[j]);
}

static void emit_roost() {
  int occupied[BIKE_SLOT_COUNT], order[BIKE_SLOT_COUNT], k = 0;
  for (int s = 0; s < BIKE_SLOT_COUNT; s++)
    if (bike_slot_bike(s)) occupied[k++] = s;
  roost_emission_order(occupied, k, sim.sim_tick, order);
  for (int l = 0; l < k; l++) roost_emit(bike_slot_bike(order[l]), bike_slot_kind(order[l]) != BIKE_REMOTE);
}

void game_tick() {
  const bool online = net_session_active();
  time_trial_before_tick();
  if (online)
    net_update_remote_bikes();
  else
    collide_offline();
  emit_roost();
  if (online) net_save_remote_velocities();
  sim_world_step();
  if (online) net_restore_remote_velocities();
  for (int s = 0; s < BIKE_SLOT_COUNT; s++) {
    bike *b = bike_slot_bike(s);
    if (!b) continue;
    int kind = bike_slot_kind(s);
    if (kind == BIKE_ROBOT) autopilot_step(s);
    if (online && kind == BIKE_REMOTE) bike_disable(b);
    if (online && kind == BIKE_LOCAL) false_start_check(s);
    sim_step_slot(s);
    if (!online || kind == BIKE_LOCAL) timing_and_learning_update(s);
  }
  roost_particles_step();
  if (sim.sim_tick * TICK_LENGTH <= race_start_tick * TICK_LENGTH + 10) start_gate_step();
  sim.sim_tick++;
  demo_tick();
  time_trial_after_tick();
}
