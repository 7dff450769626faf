#include "sim/world.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "sim/assembly.h"
#include "sim/bike.h"
#include "sim/step.h"
#include "platform/log.h"

sim_state sim;

namespace {
bool ode_initialised;

void clear_slots() {
  for (bike_slot &s : sim.slots) {
    s.bike = nullptr;
    s.kind = BIKE_REMOTE;
  }
}
}  // namespace

// The solver's notices (such as a degenerate constraint row while a rider
// settles) go to the log in verbose runs instead of standard error.
static void ode_message(int number, const char *format, va_list ap) {
  if (debug_level < 1) return;
  char text[512];
  vsnprintf(text, sizeof text, format, ap);
  log_printf("ODE message %d: %s\n", number, text);
}

bool sim_world_create() {
  if (sim.physics_world) return false;
  if (!ode_initialised) {
    if (!dInitODE2(0)) return false;
    dSetMessageHandler(ode_message);
    ode_initialised = true;
  }
  sim.physics_world = dWorldCreate();
  if (!sim.physics_world) return false;
  dWorldSetGravity(sim.physics_world, 0, -GRAVITY, 0);
  sim.contact_group = dJointGroupCreate(0);
  sim.sim_tick = 0;
  clear_slots();
  return true;
}

void sim_world_destroy() {
  if (!sim.physics_world) return;
  for (bike_slot &s : sim.slots)
    if (s.bike) bike_destroy(s.bike);  // clears the slot
  clear_slots();
  dJointGroupDestroy(sim.contact_group);
  dWorldDestroy(sim.physics_world);
  sim.contact_group = nullptr;
  sim.physics_world = nullptr;
  sim.sim_tick = 0;
  dCloseODE();
  ode_initialised = false;
}

void sim_world_step() {
  if (!sim.physics_world) return;
  dWorldStep(sim.physics_world, TICK_LENGTH);
  dJointGroupEmpty(sim.contact_group);
}

bike *bike_slot_bike(int slot) { return slot >= 0 && slot < BIKE_SLOT_COUNT ? sim.slots[slot].bike : nullptr; }

int bike_slot_kind(int slot) { return slot >= 0 && slot < BIKE_SLOT_COUNT ? sim.slots[slot].kind : BIKE_REMOTE; }

void bike_slot_set(int slot, bike *b, int kind) {
  if (slot < 0 || slot >= BIKE_SLOT_COUNT) return;
  if (kind < BIKE_LOCAL || kind > BIKE_ROBOT) kind = BIKE_REMOTE;
  sim.slots[slot].bike = b;
  sim.slots[slot].kind = kind;
}

void sim_step_slot(int slot) {
  bike *b = bike_slot_bike(slot);
  if (b) bike_step(b, bike_slot_kind(slot) != BIKE_REMOTE);
}
