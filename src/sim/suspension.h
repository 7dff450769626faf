// Front fork and rear shock of one bike: the adjustments (mapped onto the
// specification's ranges) and the per-step spring and damper motors.
#pragma once

struct bike;

// Damping factors clamp to 0..2 of the base damping, fractions to 0..1.
void set_fork_adjustments(bike *b, float compression, float rebound, float spring, float preload, float oil);
void set_shock_adjustments(bike *b, float compression, float rebound, float spring, float preload);
// Fork and shock forces for the next world step.
void suspension_step(bike *b);
