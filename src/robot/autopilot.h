// The robot riders' controller: sets a robot slot's bike controls each tick.
#pragma once

void autopilot_step(int slot);
