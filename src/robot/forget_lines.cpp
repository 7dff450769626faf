// A collision disturbs both riders' runs: the lines they were following must
// not be learned from it, so their followed-line records are cleared (0 = none).
#include "robot/autopilot.h"
#include "robot/robot_hooks.h"
#include "sim/collisions.h"

namespace {

void forget_followed_lines(int slot) {
  if (slot < 0 || slot >= 40) return;
  for (int32_t &id : robot_states[slot].followed) id = 0;
}

}  // namespace

void robot_hooks_install() { forget_followed_lines_hook = forget_followed_lines; }
