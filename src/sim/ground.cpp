#include "sim/ground.h"

sim_ground_view sim_ground = {0, 0, nullptr};

float ground_height_at(float x, float z) { return sim_ground.height_at ? sim_ground.height_at(x, z) : 0.0f; }

void sim_ground_reset() { sim_ground = {0, 0, nullptr}; }
