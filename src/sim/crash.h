// Crashes of the rider: starting a crash (the rider_mount released, the feet
// turned into free particles), the foot points used by the crash, the rider
// drawing and the packed state, and the per-step crash work of bike_step.
#pragma once

struct bike;

// Releases the rider: rider_mount detached, both foot particles placed at the
// foot points with the rider body's velocity there, crash_timer = 512.
void crash_rider(bike *b);
// The two foot points in world coordinates and their weights (0..1).
void rider_foot_points(const bike *b, float left[3], float *left_weight, float right[3], float *right_weight);
// Crash tests and crash handling (ropes, recovery, remount) for one step.
void crash_step(bike *b);
// The crashed rider's foot particles for one step.
void crash_feet_step(bike *b);
