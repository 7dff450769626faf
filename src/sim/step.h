// The per-bike work after a world step (bike_step, in its fixed order), the
// internal force balancing that cancels the bike's net self-force, and the
// extrapolation of remote bikes between network updates.
#pragma once

struct bike;

// simulated_here is false for remote bikes: their forces and torques are
// cleared and nothing else happens.
void bike_step(bike *b, bool simulated_here);
// Adds minus the summed joint feedback (force and torque about the chassis)
// of the last world step to the chassis; skipped before the third step, while
// crashed and while a joint is detached. True when applied.
bool balance_internal_forces(bike *b);
// Places every body at its last applied position moved by chassis velocity x
// n ticks (n limited to 0..64), raised so that the rear tyre's lowest point
// stays above the ground.
void bike_extrapolate(bike *b, int n);
