// The robot riders' controller: every tick it writes a robot slot's bike
// controls from its working path, built by chaining riding lines section by
// section. It handles the start gate, following the path at the right lean
// and speed, jumps, other bikes in the way and recovery after a crash.
//
// State is one record per slot (robot_states), reset with the bike. Every
// random draw comes from robot_rng, which the race seeds at set-up, so that a
// race replays identically. Main thread only.
#pragma once
#include <cstdint>
#include <random>

#include "robot/lines.h"

struct bike;

inline std::mt19937 robot_rng;
inline void robot_random_seed(uint32_t seed) { robot_rng.seed(seed); }
// Uniform in [0, 1): the next output with its top bit cleared, times 2^-31.
inline double robot_uniform() { return (double)(robot_rng() & 0x7fffffffu) * (1.0 / 2147483648.0); }

struct robot_state {
  int32_t personality;  // 0 = not a robot
  line_point *path;     // owned; capacity doubles
  int32_t path_count, path_capacity;
  int32_t path_index;     // next point to reach
  int32_t next_section;   // section of the next line to choose
  int32_t last_progress;  // tick
  int32_t mode;           // 0 following, 1..3 recovering
  float start_timer;      // seconds, 0 = not drawn
  bool launched;          // the launch has handed over to the path
  float throttle_memory;
  int32_t last_limit_tick;
  int32_t followed[4];    // line id per section s mod 4
  int32_t stall_ticks;    // recovering ticks at full throttle without moving
  int32_t back_up_until;  // tick; walking the bike backwards until then
};

extern robot_state robot_states[40];

// Clears the slot's robot state (path freed) and sets its personality
// (0 for a human bike). Call when the bike is reset or created.
void autopilot_reset(int slot, int personality);
// Sets the personality by name ("tester" in practice mode); an unknown name
// logs and uses "vask".
void autopilot_set_name(int slot, const char *name);
// One tick of the controller for the bike in `slot` (kind robot).
void autopilot_step(int slot);
// Frees every slot's path (shutdown, race set-up).
void autopilot_clear_all();

// The throttle / clutch / brake law for speed v towards target t.
void speed_control(bike *b, double v, double t);
