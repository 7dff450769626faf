#include "race/lineup.h"

#include <cstring>

#include "robot/roster.h"

int32_t race_lineup[LINEUP_GATES];

static bool known_value(int32_t v) {
  return (v >= LINEUP_HUMAN && v <= LINEUP_DEMO) ||
         (v >= LINEUP_ROBOT_NUMBER && v < LINEUP_ROBOT_NUMBER + 1000);
}

bool lineup_is_robot(int32_t v) {
  return v == LINEUP_ROBOT || v == LINEUP_ROBOT_2T || v == LINEUP_ROBOT_4T ||
         (v >= LINEUP_ROBOT_NUMBER && v < LINEUP_ROBOT_NUMBER + 1000);
}

working_lineup lineup_working(const int32_t *lineup, bool demo_playing) {
  working_lineup w;
  memset(w.gates, 0, sizeof w.gates);
  w.viewed_slot = -1;
  if (!lineup) {
    w.gates[0] = LINEUP_HUMAN;
    w.viewed_slot = 0;
    return w;
  }
  for (int i = 0; i < LINEUP_GATES; i++) w.gates[i] = known_value(lineup[i]) ? lineup[i] : LINEUP_EMPTY;
  for (int i = 0; i < LINEUP_GATES && w.viewed_slot < 0; i++)
    if (w.gates[i] != LINEUP_EMPTY) w.viewed_slot = i;
  if (w.viewed_slot < 0 && !demo_playing) {
    w.gates[0] = LINEUP_ROBOT;
    w.viewed_slot = 0;
  }
  int human = -1;
  for (int i = 0; i < LINEUP_GATES; i++) {
    if (w.gates[i] != LINEUP_HUMAN) continue;
    if (human < 0)
      human = i;
    else
      w.gates[i] = LINEUP_EMPTY;
  }
  if (human >= 0) w.viewed_slot = human;
  return w;
}

void lineup_rotate(int32_t *lineup, int count) {
  int32_t old[LINEUP_GATES];
  memcpy(old, lineup, sizeof old);
  int c = count % LINEUP_GATES;
  if (c < 0) c += LINEUP_GATES;
  for (int i = 0; i < LINEUP_GATES; i++) lineup[(i + c) % LINEUP_GATES] = old[i];
}

static bool fits(int32_t roster_index, int32_t value) {
  const robot_rider *r = robot_roster_at(roster_index);
  if (!r) return false;
  if (value == LINEUP_ROBOT_2T) return r->bike && strstr(r->bike, "125");
  if (value == LINEUP_ROBOT_4T) return r->bike && strstr(r->bike, "250");
  if (value >= LINEUP_ROBOT_NUMBER) return r->number == value - LINEUP_ROBOT_NUMBER;
  return true;
}

int32_t personality_take(personality_draw *d, int32_t value) {
  if (d->taken < 0 || d->taken >= PERSONALITY_ORDER_SIZE) return -1;
  if (value != LINEUP_ROBOT) {
    for (int i = d->taken; i < PERSONALITY_ORDER_SIZE; i++) {
      if (!fits(d->order[i], value)) continue;
      // Moved up to the front; the rest keep their order.
      int32_t chosen = d->order[i];
      memmove(d->order + d->taken + 1, d->order + d->taken, sizeof(int32_t) * (i - d->taken));
      d->order[d->taken] = chosen;
      break;
    }
  }
  return d->order[d->taken++];
}
