// A robot's working path: appending riding lines section by section with a
// smooth junction, trimming the past, locating a bike on it, and choosing the
// next line by statistics, recommended route, continuation and how recently
// another robot took it.
//
// Works on robot_states (robot/autopilot.h) and the line store; positions are
// world feet. Main thread only.
#pragma once
#include <cstdint>

#include "robot/lines.h"

struct robot_state;

// Appends n points, blending the junction with the old end over up to 5 points.
void robot_path_append(robot_state *r, const line_point *p, int32_t n);
// Keeps only the `keep` points before the path index.
void robot_path_trim(robot_state *r, int32_t keep);
// Fractional index of the path point nearest (x, z), searched from the path
// index onwards (and one segment back); -1 for an empty path.
double robot_path_locate(const robot_state *r, double x, double z);
// Interpolated point at a fractional index (clamped to the path).
line_point robot_path_at(const robot_state *r, double index);

// Continuation score of line `l` after the path (bike chassis at x, z).
double line_continuation(const robot_state *r, const riding_line *l, double x, double z);
// Picks the line for the robot's next section under `rule` at tick `now`
// (race time `race_seconds`); -1 when its group holds no line. Marks the
// chosen line and lines ending within 3 ft of it as just picked.
int32_t robot_choose_line(robot_state *r, int rule, int32_t now, double race_seconds, double x, double z);
