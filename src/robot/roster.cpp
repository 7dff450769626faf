#include "robot/roster.h"

#include <cstdio>
#include <cstring>

#include "platform/log.h"

static const personality personalities[PERSONALITY_COUNT] = {
    {"empty", 0, 0, 0.0f, 0.0f, 0.0f},
    {"vask", 0, 0, 1.0f, 0.2f, 0.4f},
    {"quorel", 2, 1, 10.0f, 0.2f, 0.4f},
    {"brom", 1, 0, 10.0f, 0.0f, 0.1f},
    {"tester", 3, 3, 1.0f, 0.2f, 0.4f},
};

// Personality and bike by rider number; runs of equal bikes are listed once.
struct roster_run {
  int32_t first, last, personality;
  const char *bike;
};
static const roster_run runs[] = {
    {20, 24, PERSONALITY_QUOREL, "kx125"},  {25, 29, PERSONALITY_QUOREL, "yz125"},
    {30, 34, PERSONALITY_QUOREL, "cr125"},  {35, 39, PERSONALITY_QUOREL, "rm125"},
    {40, 44, PERSONALITY_VASK, "crf250"},   {45, 49, PERSONALITY_VASK, "kx250f"},
    {50, 53, PERSONALITY_VASK, "rmz250"},   {54, 58, PERSONALITY_VASK, "yz250f"},
    {59, 59, PERSONALITY_VASK, "yz250f_se(2006)"},
    {60, 64, PERSONALITY_QUOREL, "crf250"}, {65, 69, PERSONALITY_QUOREL, "kx250f"},
    {70, 74, PERSONALITY_QUOREL, "rmz250"}, {75, 78, PERSONALITY_QUOREL, "yz250f"},
    {79, 79, PERSONALITY_QUOREL, "yz250f_se(2006)"},
    {80, 84, PERSONALITY_BROM, "crf250"},   {85, 89, PERSONALITY_BROM, "kx250f"},
    {90, 94, PERSONALITY_BROM, "yz250f"},   {95, 99, PERSONALITY_BROM, "rmz250"},
};

static const char *const body_alts[3] = {"@rider_body-alt1.png", "@rider_body-alt2.png", "@rider_body-alt3.png"};
static const char *const head_alts[3] = {"@rider_head-alt1.png", "@rider_head-alt2.png", "@rider_head-alt3.png"};
static const char *const wheel_alts[2] = {"@wheels-alt1.png", "@wheels-alt2.png"};

// The graphics names the data kit ships ("@" + model prefix + "-altN.png").
#define GRAPHICS(p) {"@" p "-alt1.png", "@" p "-alt2.png"}
struct graphics_names {
  const char *bike;
  const char *alt[2];
};
static const graphics_names graphics_table[] = {
    {"kx125", GRAPHICS("kx125")},   {"yz125", GRAPHICS("yz125")},   {"cr125", GRAPHICS("cr125")},
    {"rm125", GRAPHICS("rm125")},   {"crf250", GRAPHICS("crf250")}, {"kx250f", GRAPHICS("kx250f")},
    {"rmz250", GRAPHICS("rmz250")}, {"yz250f", GRAPHICS("yz250f")},
};
#undef GRAPHICS

static char number_texts[ROBOT_ROSTER_COUNT][4];
static robot_rider roster[ROBOT_ROSTER_COUNT];
static bool roster_built;

// Besides every "brom" rider, these carry alternative bike graphics.
static bool has_bike_graphics(int32_t number, int32_t p) {
  return p == PERSONALITY_BROM || number == 23 || number == 27 || number == 31 || number == 35;
}

static const char *graphics_for(const char *bike, int alt) {
  for (const graphics_names &g : graphics_table)
    if (strcmp(g.bike, bike) == 0) return g.alt[alt];
  return "";
}

// The table is fixed; it is filled on first use so that the texture choice
// stays a rule rather than 80 hand-typed lines.
static void build_roster() {
  if (roster_built) return;
  int i = 0;
  for (const roster_run &r : runs)
    for (int32_t n = r.first; n <= r.last; n++, i++) {
      snprintf(number_texts[i], sizeof number_texts[i], "%d", (int)n);
      robot_rider &e = roster[i];
      e.number = n;
      e.number_text = number_texts[i];
      e.personality = r.personality;
      e.bike = r.bike;
      e.rider_body = body_alts[n % 3];
      e.rider_head = head_alts[(n / 3) % 3];
      bool alt = has_bike_graphics(n, r.personality);
      e.graphics = alt ? graphics_for(r.bike, n % 2) : "";
      e.wheels = alt ? wheel_alts[(n / 2) % 2] : "";
    }
  roster_built = true;
}

const personality *personality_at(int p) { return p >= 0 && p < PERSONALITY_COUNT ? &personalities[p] : nullptr; }

const char *personality_name(int p) {
  return p >= 1 && p < PERSONALITY_COUNT ? personalities[p].name : personalities[0].name;
}

int personality_find(const char *name) {
  for (int p = 1; p < PERSONALITY_COUNT; p++)
    if (name && strcmp(name, personalities[p].name) == 0) return p;
  log_printf("auto pilot personality '%s' not found\n", name ? name : "");
  return PERSONALITY_VASK;
}

int robot_roster_count() { return ROBOT_ROSTER_COUNT; }

const robot_rider *robot_roster_at(int i) {
  build_roster();
  return i >= 0 && i < ROBOT_ROSTER_COUNT ? &roster[i] : nullptr;
}

const robot_rider *robot_roster_find(int number) {
  return robot_roster_at(number - ROBOT_FIRST_NUMBER);
}
