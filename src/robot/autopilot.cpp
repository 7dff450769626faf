#include "robot/autopilot.h"

void autopilot_step(int) {}
