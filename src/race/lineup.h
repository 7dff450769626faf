// The lineup handed to a race set-up (one value per gate position), the
// working lineup the set-up derives from it, its rotation between races, and
// drawing robot personalities from the shuffled order.
//
// Pure functions over caller-owned tables of LINEUP_GATES entries; the one
// global is `race_lineup`, the lineup start-up and the warp rotation use.
// Main thread only.
#pragma once
#include <cstdint>

enum {
  LINEUP_GATES = 40,
  PERSONALITY_ORDER_SIZE = 80,
  // Lineup values.
  LINEUP_EMPTY = 0,
  LINEUP_HUMAN = 1,
  LINEUP_ROBOT = 2,
  LINEUP_ROBOT_2T = 3,  // a personality riding a bike whose name contains "125"
  LINEUP_ROBOT_4T = 4,  // ... "250"
  LINEUP_DEMO = 5,      // the bike a played demo describes for that slot
  LINEUP_ROBOT_NUMBER = 1000,  // + n: the personality whose rider number is n
};

// The lineup of start-up and of the warp rotation (values as above).
extern int32_t race_lineup[LINEUP_GATES];

// What the working lineup gives the set-up: the entries (a copy of the
// given lineup, or a human alone in gate 1 for a time trial), and the slot
// that becomes the viewed one (-1 when every gate is empty).
struct working_lineup {
  int32_t gates[LINEUP_GATES];
  int32_t viewed_slot;
};
// lineup nullptr means a time trial. When every gate is empty and no demo is
// played, gate 1 becomes a robot; only the first human entry stays human
// (one local rider) and becomes the viewed slot. Values outside the known
// ones count as empty.
working_lineup lineup_working(const int32_t *lineup, bool demo_playing);

// The choice of gate i moves to gate (i + count) mod 40 (any count).
void lineup_rotate(int32_t *lineup, int count);

// A lineup value a robot takes its personality for (2, 3, 4, 1000 + n).
bool lineup_is_robot(int32_t value);

// The shuffled personality order and how many entries were taken.
struct personality_draw {
  int32_t order[PERSONALITY_ORDER_SIZE];
  int32_t taken;
};
// Takes the next personality (roster index) for a robot lineup value: the
// front of the order for 2; for 3 and 4 the first entry further down whose
// bike name contains "125" or "250" is moved up to the front first; for
// 1000 + n the entry whose rider number is n. When no entry fits the front
// one is taken; -1 when the order is used up.
int32_t personality_take(personality_draw *d, int32_t value);
