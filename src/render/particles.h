// Roost particles: the thrown dirt handed over by roost emission and its
// per-tick update.
//
// The flight and drawing of the particles come later; for now a particle
// handed over is passed to the observer (when one is set) and dropped. The
// emitter pointer is only valid during the call. Main thread only.
#pragma once

struct roost_params;

struct roost_particle_spawn {
  float position[3];
  float velocity[3];
  const roost_params *emitter;  // texture, size, growth, drag, colours
  float dig;                    // dirt carried: emitter dig x min(depth, 0.1)
};

void roost_particle_add(const roost_particle_spawn &p);
void roost_particles_step();

typedef void (*roost_particle_observer)(const roost_particle_spawn &p, void *context);
// nullptr clears it.
void roost_particles_set_observer(roost_particle_observer observer, void *context);
