// The robot riders: the five personalities (line-choice rules, the lead rule
// and start reaction times) and the 80 built-in riders numbered 20..99, each
// with its personality, bike model and four texture choices.
//
// Both tables are compiled in and never change; pointers stay valid for the
// whole run. Lookups with a bad index or number return nullptr (personality
// names: "empty"). Main thread only.
#pragma once
#include <cstdint>

enum {
  PERSONALITY_EMPTY = 0,
  PERSONALITY_VASK = 1,
  PERSONALITY_QUOREL = 2,
  PERSONALITY_BROM = 3,
  PERSONALITY_TESTER = 4,
  PERSONALITY_COUNT = 5,
  ROBOT_ROSTER_COUNT = 80,
  ROBOT_FIRST_NUMBER = 20,
};

struct personality {
  const char *name;
  int32_t rule;          // line-choice rule when not leading clearly (0..3)
  int32_t leading_rule;  // when leading by more than lead_threshold
  float lead_threshold;  // seconds
  float reaction_min, reaction_max;  // seconds after the gate drop
};

struct robot_rider {
  int32_t number;           // 20..99
  const char *number_text;  // "20".."99"
  int32_t personality;      // index into the personality table
  const char *bike;         // bike model name before the old-name table
  const char *rider_body;   // texture names; "" for the default
  const char *rider_head;
  const char *graphics;
  const char *wheels;
};

const personality *personality_at(int p);  // nullptr outside 0..4
const char *personality_name(int p);       // "empty" outside 1..4
// Index 1..4 by name; an unknown name logs and gives 1 ("vask").
int personality_find(const char *name);

int robot_roster_count();
const robot_rider *robot_roster_at(int i);
const robot_rider *robot_roster_find(int number);
