#include "render/particles.h"

void roost_particles_step() {}
