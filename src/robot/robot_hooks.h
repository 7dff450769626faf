// Hooks the robot code installs into the simulation (called once at start-up,
// before any race).
#pragma once

void robot_hooks_install();
