// The race's answers to the rider assists' questions about turning a stopped
// bike on the spot: where the next gate is, and whether the bike may turn.
#pragma once

struct bike;

// Position of the next timing gate the bike's slot expects; false while
// timing is inactive or for a bike outside the timing slots.
bool next_gate_position(const bike *b, double out[3]);
// The track has timing gates, the bike has passed one and has not finished
// (the finished test may set its finished flag).
bool turn_on_spot_allowed(bike *b);
// Installs both, and the riding-line target, into the rider assists.
void turn_hooks_install();
