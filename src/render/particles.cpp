#include "render/particles.h"

namespace {
roost_particle_observer observer_fn = nullptr;
void *observer_context = nullptr;
}  // namespace

void roost_particle_add(const roost_particle_spawn &p) {
  if (observer_fn) observer_fn(p, observer_context);
}

void roost_particles_step() {}

void roost_particles_set_observer(roost_particle_observer observer, void *context) {
  observer_fn = observer;
  observer_context = context;
}
