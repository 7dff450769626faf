// The physics world: one ODE world (double precision, gravity (0, -32, 0) in
// ft/s^2), the joint group that takes every contact and per-step motor joint
// of a step, the step counter and the table of 40 bike slots.
//
// One instance, `sim`, lives from sim_world_create to sim_world_destroy.
// A slot's bike is owned by whoever put it there (the race session); the
// world only destroys bikes left in slots when it is destroyed itself.
// Main thread only; ODE is never entered from another thread.
#pragma once
#include <ode/ode.h>

#include <cstdint>

static_assert(sizeof(dReal) == 8, "the simulation needs ODE in double precision");

// The fixed step in seconds. Mirrors settings.tick_length (1/128, never changed
// at run time) so that the simulation does not depend on the settings module.
inline constexpr double TICK_LENGTH = 1.0 / 128;
inline constexpr double GRAVITY = 32;  // ft/s^2, downwards

enum { BIKE_SLOT_COUNT = 40 };

// Kind of a slot; an empty slot is remote.
enum bike_kind : int32_t { BIKE_LOCAL = 0, BIKE_REMOTE = 1, BIKE_ROBOT = 2 };

struct bike;

struct bike_slot {
  struct bike *bike;
  int32_t kind;
};

struct sim_state {
  dWorldID physics_world;
  dJointGroupID contact_group;
  int32_t sim_tick;  // steps since the race was set up; advanced by the game tick
  bike_slot slots[BIKE_SLOT_COUNT];
};

extern sim_state sim;

// Initialises ODE and creates the world and the contact group; every slot
// empty and remote, sim_tick 0. False (and nothing created) on failure or when
// the world already exists.
bool sim_world_create();
// Destroys the bikes still in slots, the group and the world.
void sim_world_destroy();
// One dWorldStep of TICK_LENGTH, then the contact group is emptied.
void sim_world_step();

// Slot access; out-of-range slots read as empty remote slots and ignore writes.
bike *bike_slot_bike(int slot);
int bike_slot_kind(int slot);
void bike_slot_set(int slot, bike *b, int kind);
// The bike's own step for one slot: bike_step(bike, kind != remote). Nothing
// for an empty slot.
void sim_step_slot(int slot);

// x mod m in 0..m-1 for any x (m > 0).
inline int positive_mod(int x, int m) {
  int r = x % m;
  return r < 0 ? r + m : r;
}
