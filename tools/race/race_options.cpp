#include "race_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void race_options_usage(FILE *out) {
  fputs(
      "usage: korvath-race [options]\n"
      "  --track FOLDER       track folder (default dozavurozu)\n"
      "  --robots N           N robot riders (0..40)\n"
      "  --lineup LIST        gates in order, comma separated: empty, human, robot,\n"
      "                       2t, 4t, or a robot rider number 20..99\n"
      "  --script FILE        the human rider (gate 1) follows this input script\n"
      "  --test-rider [FT/S]  the human rider is the built-in test rider (default 25 ft/s)\n"
      "  --laps N             laps (default 3)\n"
      "  --minutes M          time limit in minutes, then the laps (default 0: none)\n"
      "  --skill N            robot skill 0 novice, 1 amateur, 2 expert (default 1)\n"
      "  --seed N             seed of the race generator (gate drop, robot order)\n"
      "  --record             record the race into demos/default.kvdemo\n"
      "  --ticks N            stop after N ticks of 1/128 s (default 230400)\n"
      "  --debug              verbose log lines\n"
      "  --trace SLOT         print the slot's state once a simulated second\n",
      out);
}

static bool to_long(const char *s, long long lo, long long hi, long long *out) {
  if (!s || !*s) return false;
  char *end;
  errno = 0;
  long long v = strtoll(s, &end, 10);
  if (*end || errno || v < lo || v > hi) return false;
  *out = v;
  return true;
}

static bool to_double(const char *s, double lo, double hi, double *out) {
  if (!s || !*s) return false;
  char *end;
  double v = strtod(s, &end);
  if (*end || !(v >= lo && v <= hi)) return false;
  *out = v;
  return true;
}

static bool parse_gate(const char *item, int32_t *out) {
  static const struct {
    const char *name;
    int32_t value;
  } names[] = {{"empty", LINEUP_EMPTY}, {"human", LINEUP_HUMAN}, {"robot", LINEUP_ROBOT},
               {"2t", LINEUP_ROBOT_2T}, {"4t", LINEUP_ROBOT_4T}};
  for (const auto &n : names)
    if (strcmp(item, n.name) == 0) {
      *out = n.value;
      return true;
    }
  long long number;
  if (!to_long(item, 20, 99, &number)) return false;
  *out = LINEUP_ROBOT_NUMBER + (int32_t)number;
  return true;
}

static bool parse_lineup(const char *text, int32_t *lineup) {
  char buf[1024];
  if (strlen(text) >= sizeof buf) return false;
  strcpy(buf, text);
  int gate = 0;
  for (char *save = nullptr, *item = strtok_r(buf, ",", &save); item; item = strtok_r(nullptr, ",", &save)) {
    if (gate >= LINEUP_GATES || !parse_gate(item, &lineup[gate])) return false;
    gate++;
  }
  return gate > 0;
}

int race_options_parse(int argc, char **argv, race_tool_options *o) {
  for (int i = 1; i < argc; i++) {
    const char *a = argv[i];
    const char *v = i + 1 < argc ? argv[i + 1] : nullptr;
    long long n;
    double d;
    auto bad = [&](const char *what) {
      fprintf(stderr, "korvath-race: bad value for %s\n", what);
      return 2;
    };
    if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
      race_options_usage(stdout);
      return 1;
    } else if (!strcmp(a, "--track")) {
      if (!v || !*v) return bad(a);
      o->track = v, i++;
    } else if (!strcmp(a, "--robots")) {
      if (!to_long(v, 0, LINEUP_GATES, &n)) return bad(a);
      o->robots = (int)n, i++;
    } else if (!strcmp(a, "--lineup")) {
      if (!v || !parse_lineup(v, o->lineup)) return bad(a);
      o->lineup_given = true, i++;
    } else if (!strcmp(a, "--script")) {
      if (!v || !*v) return bad(a);
      o->human = HUMAN_SCRIPT, o->script = v, i++;
    } else if (!strcmp(a, "--test-rider")) {
      o->human = HUMAN_TEST_RIDER;
      if (v && to_double(v, 0, 200, &d)) o->rider_speed = d, i++;
    } else if (!strcmp(a, "--laps")) {
      if (!to_long(v, 1, 1000000, &n)) return bad(a);
      o->laps = (int32_t)n, i++;
    } else if (!strcmp(a, "--minutes")) {
      if (!to_double(v, 0, 1000, &d)) return bad(a);
      o->minutes = d, i++;
    } else if (!strcmp(a, "--skill")) {
      if (!to_long(v, 0, 2, &n)) return bad(a);
      o->skill = (int32_t)n, i++;
    } else if (!strcmp(a, "--seed")) {
      if (!to_long(v, 0, 0xffffffffLL, &n)) return bad(a);
      o->has_seed = true, o->seed = (uint32_t)n, i++;
    } else if (!strcmp(a, "--record")) {
      o->record = true;
    } else if (!strcmp(a, "--ticks")) {
      if (!to_long(v, 1, 1LL << 40, &n)) return bad(a);
      o->tick_limit = n, i++;
    } else if (!strcmp(a, "--trace")) {
      if (!to_long(v, 0, LINEUP_GATES - 1, &n)) return bad(a);
      o->trace_slot = (int)n, i++;
    } else if (!strcmp(a, "--debug")) {
      o->debug = 1;
    } else {
      fprintf(stderr, "korvath-race: unknown option '%s'\n", a);
      return 2;
    }
  }
  return 0;
}

bool race_options_lineup(const race_tool_options &o, int32_t *lineup) {
  for (int g = 0; g < LINEUP_GATES; g++) lineup[g] = o.lineup_given ? o.lineup[g] : LINEUP_EMPTY;
  if (!o.lineup_given) {
    int g = 0;
    if (o.human != HUMAN_NONE) lineup[g++] = LINEUP_HUMAN;
    for (int r = 0; r < o.robots && g < LINEUP_GATES; r++) lineup[g++] = LINEUP_ROBOT;
  }
  for (int g = 0; g < LINEUP_GATES; g++)
    if (lineup[g] != LINEUP_EMPTY) return true;
  return false;
}
