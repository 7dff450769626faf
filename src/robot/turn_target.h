// Where a slow or stopped bike should turn to face: a robot's current path
// point, else the fastest stored riding line around the bike's section.
// Reads the line store, robot_states and race timing; never changes them.
// Main thread only.
#pragma once

struct bike;

// The robot's current path point, else line_ahead_target.
bool line_turn_target(const bike *b, double out[3]);
// From the fastest line (smallest t1) of the group the bike is riding: four
// samples past the line point nearest (x, z), continuing into the next group's
// fastest line where the line ends; a nearest point that ends its line looks
// at the next group instead (at most two groups ahead). False without a
// usable line.
bool line_ahead_target(int slot, double x, double z, double out[3]);
