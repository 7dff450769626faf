// Front fork and rear shock of one bike: the adjustments (mapped onto the
// bike_spec ranges) and the per-step spring and damper motors.
//
// Each step the fork force and the shock torque are computed from the joint
// travel and its rate after the world step and handed to the joint's motor
// for the next step: target velocity +-1000 in the force's direction, force
// limit its magnitude, so ODE applies exactly that force. A positive value
// extends the unit. The force laws never return a non-finite value (0
// instead). Main thread only.
#pragma once

struct bike;

// Damping factors clamp to 0..2 of the base damping, fractions to 0..1.
void set_fork_adjustments(bike *b, float compression, float rebound, float spring, float preload, float oil);
void set_shock_adjustments(bike *b, float compression, float rebound, float spring, float preload);
// The configuration's 0..100 adjustments: damping factors A/100 + 0.5,
// fractions A/100 (fork: compression, rebound, spring, preload, oil; shock:
// compression, rebound, spring, preload).
void apply_suspension_adjustments(bike *b, const float fork[5], const float shock[4]);

// Fork force (lbf) at slider position x (0 extended .. -fork_travel) and
// rate v (ft/s, positive extending).
double fork_force(const bike *b, double x, double v);
// Shock torque (lbf ft) about the pivot at angle theta (0 .. -swingarm_travel)
// and rate omega (rad/s).
double shock_torque(const bike *b, double theta, double omega);
// Fork and shock motors for the next world step.
void suspension_step(bike *b);
