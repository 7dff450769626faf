// Roost particles: the per-tick update of the thrown dirt.
#pragma once

void roost_particles_step();
