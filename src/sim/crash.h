// Crashes of the rider: starting a crash (the rider_mount released, the feet
// turned into free particles), the foot points used by the crash, the rider
// drawing and the packed state, and the per-step crash work of bike_step.
#pragma once
#include <ode/ode.h>

#include <cstdint>

struct bike;

// Releases the rider: rider_mount detached, both foot particles placed at the
// foot points with the rider body's velocity there, crash_timer = 512.
void crash_rider(bike *b);
// The two foot points in world coordinates and their weights (0..1).
void rider_foot_points(const bike *b, float left[3], float *left_weight, float right[3], float *right_weight);
// Crash tests and crash handling (ropes, recovery, remount) for one step.
// Tests only while riding with bump_timer >= 0; the timer stays at 512 while
// the rider moves at 2 ft/s or more, then counts down, pulling the rider back
// from 512 and remounting him at 0.
void crash_step(bike *b);
// The crashed rider's foot particles for one step: gravity, the ground, drag,
// the leg's length and the knee's room.
void crash_feet_step(bike *b);

// A slack rope from point pa (a's frame) to point pb (b's frame): once the
// points are further apart than `length` a soft contact joint in the contact
// group pulls them together. False when slack.
bool rope(dBodyID a, const float pa[3], dBodyID b, const float pb[3], float length);

// The crash tests on their own (for the crash step and its tests).
bool rider_thrown_off(const bike *b);
bool rider_hard_impact(const bike *b, int32_t tick);
