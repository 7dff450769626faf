#include "sim/suspension.h"

#include "sim/bike.h"

namespace {
float between(float lo, float hi, float fraction) { return lo + clamp_value(fraction, 0, 1) * (hi - lo); }
}  // namespace

void set_fork_adjustments(bike *b, float compression, float rebound, float spring, float preload, float oil) {
  const bike_spec &s = b->spec;
  b->fork_compression = clamp_value(compression, 0, 2) * s.fork_compression_damping;
  b->fork_rebound = clamp_value(rebound, 0, 2) * s.fork_rebound_damping;
  b->fork_spring = between(s.fork_spring_soft, s.fork_spring_stiff, spring);
  b->fork_preload = between(s.fork_preload_min, s.fork_preload_max, preload);
  b->fork_air = between(s.fork_air_min, s.fork_air_max, oil);
}

void set_shock_adjustments(bike *b, float compression, float rebound, float spring, float preload) {
  const bike_spec &s = b->spec;
  b->shock_compression = clamp_value(compression, 0, 2) * s.shock_compression_damping;
  b->shock_rebound = clamp_value(rebound, 0, 2) * s.shock_rebound_damping;
  b->shock_spring = between(s.shock_spring_soft, s.shock_spring_stiff, spring);
  b->shock_preload = between(s.shock_preload_min, s.shock_preload_max, preload);
}

void suspension_step(bike *) {
  // The spring and damper motors arrive with the suspension work.
}
