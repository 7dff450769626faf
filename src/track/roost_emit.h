// Roost emission: the dirt a bike's wheels throw up each step, from each
// wheel's ground contact, the surface's roost emitters and the roost
// frequency setting, handed to the particle system (render/particles.h).
//
// Random draws come from the roost generator (track/roost_random.h) in a fixed
// order, so a given seed and world give the same particles. Every particle
// handed over has finite numbers. Main thread only.
#pragma once

struct bike;
struct roost_params;

// Front wheel then rear wheel. A locally simulated bike uses the contacts of
// the last contact pass; a remote bike's contacts are queried afresh.
void roost_emit(bike *b, bool simulated_here);

// Spray arc of a roost emitter (radians): pi/64 unless the wheel spins, then
// min(limit, slow_angle + u (fast_angle - slow_angle)), u the wheel's spin
// rate omega placed between slow_speed and fast_speed on squares (u = 1 when
// the two speeds leave no range).
float roost_spray_arc(const roost_params &e, bool spinning, float omega, float limit);
