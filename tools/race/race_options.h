// The options of korvath-race and their parsing. Plain data, no globals.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "race/lineup.h"

enum race_human_driver { HUMAN_NONE, HUMAN_SCRIPT, HUMAN_TEST_RIDER };

struct race_tool_options {
  std::string track = "dozavurozu";
  int32_t lineup[LINEUP_GATES] = {};
  bool lineup_given = false;
  int robots = 0;
  race_human_driver human = HUMAN_NONE;
  std::string script;         // with HUMAN_SCRIPT
  double rider_speed = 25;    // ft/s, with HUMAN_TEST_RIDER
  int32_t laps = 3;
  double minutes = 0;
  int32_t skill = 1;
  bool has_seed = false;
  uint32_t seed = 0;
  bool record = false;
  int64_t tick_limit = 128LL * 60 * 30;  // 30 simulated minutes
  int debug = 0;
  int trace_slot = -1;  // one line per simulated second for this slot
};

// Parses argv (program name skipped). Returns 0 to run, 1 after printing
// the usage (--help), 2 after an error message on standard error.
int race_options_parse(int argc, char **argv, race_tool_options *o);
// Builds the race lineup: the explicit --lineup, else the human (gate 1)
// followed by the robots. False when no gate holds a rider.
bool race_options_lineup(const race_tool_options &o, int32_t *lineup);
void race_options_usage(FILE *out);
