#include "config/settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

settings_record settings;

// Fixed choice lists.
static const char *const NO_YES[] = {"No", "Yes"};
static const char *const SKILLS[] = {"Novice", "Amateur", "Expert"};
static const char *const GATE_CHOICES[] = {"Empty", "Human", "Robot", "Robot (2 stroke)", "Robot (4 stroke)"};
static const char *const BIKES[] = {
    "crf250(2009)", "kx250f(2009)", "rmz250(2009)", "yz250f(2009)", "crf250(2008)", "kx250f(2008)",
    "rmz250(2008)", "yz250f(2008)", "crf250(2007)", "kx250f(2007)", "rmz250(2007)", "yz250f(2007)",
    "yz250f_se(2006)", "cr125", "kx125", "rm125", "yz125"};
static const char *const BRAKES[] = {"Normal", "Antilock"};
static const char *const WHEELIES[] = {"No", "Yes", "Front Only"};
static const char *const TEXTURE_DIMS[] = {"32x32", "64x64", "128x128", "256x256", "512x512", "1024x1024"};
static const char *const PLAYBACK_MODES[] = {"Playback Only", "Race Against"};
// Until the variant and video-mode lists are built they hold their fixed entries.
static const char *const DEFAULT_ONLY[] = {"default"};
static const char *const DEFAULT_ONLY_DATA[] = {nullptr};
static const char *const VIDEO_FIXED[] = {"Default Fullscreen", "Windowed"};
static const char *const NO_TRACKS[] = {nullptr};

static const char *const GATE_LABELS[GATE_COUNT] = {
    "Gate 1",  "Gate 2",  "Gate 3",  "Gate 4",  "Gate 5",  "Gate 6",  "Gate 7",  "Gate 8",  "Gate 9",  "Gate 10",
    "Gate 11", "Gate 12", "Gate 13", "Gate 14", "Gate 15", "Gate 16", "Gate 17", "Gate 18", "Gate 19", "Gate 20",
    "Gate 21", "Gate 22", "Gate 23", "Gate 24", "Gate 25", "Gate 26", "Gate 27", "Gate 28", "Gate 29", "Gate 30",
    "Gate 31", "Gate 32", "Gate 33", "Gate 34", "Gate 35", "Gate 36", "Gate 37", "Gate 38", "Gate 39", "Gate 40"};

struct binding_default {
  const char *label;
  const char *key;
};
static const binding_default BINDING_DEFAULTS[BINDING_COUNT] = {
    {"Throttle", "x"},       {"Front Brake", "c"},    {"Rear Brake", "v"},       {"Left", "left"},
    {"Right", "right"},      {"Clutch", "z"},         {"Upshift", "up"},         {"Downshift", "down"},
    {"Sit/Dab", "right ctrl"}, {"Back up", "b"},      {"Lean Forward", "n"},     {"Lean Backward", "m"},
    {"Pause", "pause"},      {"Step", "."},           {"Rewind", "\\"},          {"Skip", "/"},
    {"Previous Bike", "["},  {"Next Bike", "]"},      {"Chat", "t"},             {"Screenshot", "s"}};

// The deployment's race server; players usually type their own.
static const char DEFAULT_SERVER[] = "localhost";

template <int N>
static void set_choice(choice_item *c, const char *label, const char *const (&names)[N], int selected) {
  c->label = label;
  c->names = names;
  c->data_names = nullptr;
  c->count = N;
  c->selected = selected;
}

// Lists built elsewhere (texture variants, video modes, tracks) survive; an item
// that has none yet gets its fixed entries.
template <int N>
static void set_built_choice(choice_item *c, const char *label, const char *const (&names)[N],
                             const char *const *data_names, int count) {
  c->label = label;
  if (!c->names) {
    c->names = names;
    c->data_names = data_names;
    c->count = count;
  }
  c->selected = 0;
}

static void set_number(number_item *n, const char *label, double value, double step, double minimum,
                       double maximum) {
  n->label = label;
  n->value = value;
  n->step = step;
  n->minimum = minimum;
  n->maximum = maximum;
}

static void set_text(text_item *t, const char *label, int max_length, const char *text) {
  t->label = label;
  t->max_length = max_length;
  text_set(t, text);
}

void settings_defaults() {
  settings_record &s = settings;
  s.tick_length = 1.0 / 128;
  s.xres = 640;
  s.yres = 480;
  s.draw_fps = 0;
  s.draw_time = 0;
  s.draw_ping = 1;
  s.spy = 0;
  s.billboard_optimize_lookahead = 0;

  set_choice(&s.record, "Record Demo", NO_YES, 0);
  set_choice(&s.skill, "Robot Skill", SKILLS, 0);
  set_number(&s.minutes, "Minutes", 0, 1, 0, 60);
  set_number(&s.laps, "Laps", 5, 1, 0, 50);
  for (int i = 0; i < GATE_COUNT; i++) {
    int gate = i + 1;
    int kind = GATE_EMPTY;
    if (gate == 18 || gate == 19 || gate == 21 || gate == 22 || gate == 23) kind = GATE_ROBOT;
    if (gate == 20) kind = GATE_HUMAN;
    set_choice(&s.gates[i], GATE_LABELS[i], GATE_CHOICES, kind);
  }
  set_number(&s.ghost_fade_distance, "Ghost Fade Distance", 10, 1, 0, 40);
  set_choice(&s.time_trial_abort, "Backing Up Aborts Attempt", NO_YES, 1);
  set_choice(&s.bike, "Bike", BIKES, 0);
  set_text(&s.name, "Name", 63, "Joe Motocross");
  set_text(&s.number, "Number", 3, "999");
  set_built_choice(&s.rider_texture, "Riding Gear", DEFAULT_ONLY, DEFAULT_ONLY_DATA, 1);
  set_built_choice(&s.head_texture, "Helmet", DEFAULT_ONLY, DEFAULT_ONLY_DATA, 1);
  set_built_choice(&s.bike_texture, "Bike Graphics", DEFAULT_ONLY, DEFAULT_ONLY_DATA, 1);
  set_built_choice(&s.wheel_texture, "Wheel Graphics", DEFAULT_ONLY, DEFAULT_ONLY_DATA, 1);

  set_number(&s.stability, "Stability", 100, 1, 0, 100);
  set_number(&s.leveling, "Leveling", 20, 1, 0, 100);
  set_number(&s.roll_damping, "Roll Damping", 60, 1, 0, 100);
  set_number(&s.roll_limit_angle, "Roll Limit Angle", 45, 1, 0, 180);
  set_number(&s.roll_limit_factor, "Roll Limit Factor", 10, 1, 0, 64);
  set_number(&s.steering_damping, "Steering Damping", 45, 1, 0, 100);
  set_number(&s.steering_strength, "Steering Strength", 75, 1, 0, 100);
  set_number(&s.max_steering_force, "Max Steering Force", 400, 5, 0, 1000);
  set_number(&s.direct_steering, "Direct Steering", 1, 0.125, 0, 1);
  set_number(&s.slow_damping_speed, "Slow Damping Speed", 40, 1, 0, 100);
  set_number(&s.slow_damping_factor, "Slow Damping Factor", 2, 0.25, 1, 10);
  set_number(&s.land_damping_falloff, "Landing Damping Falloff", 0.25, 0.0625, 0, 0.5);
  set_number(&s.land_damping_factor, "Landing Damping Factor", 2, 0.25, 1, 3);

  set_choice(&s.arcade, "Arcade Physics", NO_YES, 1);
  set_choice(&s.front_brake, "Front Brake", BRAKES, 1);
  set_choice(&s.rear_brake, "Rear Brake", BRAKES, 0);
  set_choice(&s.stop_wheelies, "Stop Wheelies", WHEELIES, 0);
  set_choice(&s.auto_shift, "Automatic Shifting", NO_YES, 1);
  set_choice(&s.auto_dab, "Dab When Stopped", NO_YES, 1);
  set_choice(&s.sticky_dab, "Sticky Sit/Dab", NO_YES, 0);
  set_choice(&s.reverse_steering, "Reversed Steering", NO_YES, 1);
  set_choice(&s.lean_indicator, "Lean Indicator", NO_YES, 1);

  set_number(&s.auto_clutch_rpms, "Auto Clutch RPMs", 5000, 100, 0, 5000);
  set_number(&s.brake_torque, "Braking Torque (Front)", 250, 10, 0, 500);
  set_number(&s.rear_brake_torque, "Braking Torque (Rear)", 250, 10, 0, 500);
  set_number(&s.max_dab_speed, "Max Dab Speed (MPH)", 20, 1, 10, 20);
  set_number(&s.front_sprocket_adjustment, "Countershaft Sprocket", 0, 1, -2, 2);
  set_number(&s.rear_sprocket_adjustment, "Rear Sprocket", 0, 1, -2, 2);
  set_number(&s.fork_compression_adjustment, "Fork Compression Damping", 50, 1, 0, 100);
  set_number(&s.fork_rebound_adjustment, "Fork Rebound Damping", 50, 1, 0, 100);
  set_number(&s.fork_spring_rate_adjustment, "Fork Spring Rate", 50, 1, 0, 100);
  set_number(&s.fork_preload_adjustment, "Fork Preload", 50, 1, 0, 100);
  set_number(&s.fork_oil_level_adjustment, "Fork Oil Level", 50, 1, 0, 100);
  set_number(&s.shock_compression_adjustment, "Shock Compression Damping", 50, 1, 0, 100);
  set_number(&s.shock_rebound_adjustment, "Shock Rebound Damping", 50, 1, 0, 100);
  set_number(&s.shock_spring_rate_adjustment, "Shock Spring Rate", 50, 1, 0, 100);
  set_number(&s.shock_preload_adjustment, "Shock Preload", 50, 1, 0, 100);
  set_number(&s.rider_yspring, "Rider Vertical Spring", 50, 1, 0, 100);
  set_number(&s.rider_ydamping, "Rider Vertical Damping", 50, 1, 0, 100);
  set_number(&s.rider_zspring, "Rider Forward Spring", 50, 1, 0, 100);
  set_number(&s.rider_zdamping, "Rider Forward Damping", 50, 1, 0, 100);
  set_number(&s.rider_mass_distribution, "Rider Mass Distribution", 0.33, 0.01, 0.33, 0.5);

  set_built_choice(&s.video_mode, "Video Mode", VIDEO_FIXED, nullptr, 2);
  set_text(&s.server_name, "Server", 127, DEFAULT_SERVER);
  memset(s.server_history, 0, sizeof s.server_history);

  set_number(&s.ground_detail, "Ground Geometric Detail", 50, 1, 0, 100);
  set_number(&s.ground_texture_detail, "Ground Texture Levels", 9, 1, 0, 10);
  set_choice(&s.ground_texture_dim, "Ground Texture Resolution", TEXTURE_DIMS, 2);
  set_choice(&s.ground_mipmaps, "Enable Ground Mipmaps", NO_YES, 1);
  set_choice(&s.use_fbo, "Use Framebuffer Objects", NO_YES, 1);
  set_choice(&s.use_shader, "Use Shader Programs", NO_YES, 1);
  set_number(&s.roost_density, "Roost Density", 250, 10, 0, 1000);
  set_choice(&s.lens_flare, "Enable Lens Flares", NO_YES, 1);
  set_choice(&s.hide_rider, "Hide 1st Person Rider", NO_YES, 0);
  set_choice(&s.rigid_camera, "Rigid 3rd person camera", NO_YES, 0);
  set_number(&s.model_detail, "Model Geometric Detail", 50, 1, 0, 100);
  set_number(&s.model_texture_detail, "Model Texture Detail", 9, 1, 0, 10);
  set_number(&s.fov, "Field Of View", 110, 1, 10, 170);
  set_number(&s.first_person_height, "1st Person Height", 0, 0.03125, 0, 1);
  set_number(&s.first_person_angle, "1st Person Angle", 0, 1, 0, 40);
  set_number(&s.volume, "Volume", 10, 1, 0, 10);
  set_choice(&s.playback_mode, "Playback Mode", PLAYBACK_MODES, 0);

  for (int i = 0; i < BINDING_COUNT; i++) {
    binding_item &b = s.bindings[i];
    b.label = BINDING_DEFAULTS[i].label;
    snprintf(b.key_name, sizeof b.key_name, "%s", BINDING_DEFAULTS[i].key);
    b.key_code = -1;
    b.axis_name[0] = 0;
    b.axis = nullptr;
    b.low = 0;
    b.high = 1;
  }

  set_built_choice(&s.track, "Track", NO_TRACKS, nullptr, 0);

  apply_stability_preset((int)s.stability.value);
}

bool choice_set_by_name(choice_item *item, const char *text) {
  if (!item->names || !text) return false;
  for (int32_t i = 0; i < item->count; i++) {
    if (item->names[i] && strcmp(item->names[i], text) == 0) {
      item->selected = i;
      return true;
    }
  }
  return false;
}

const char *choice_name(const choice_item *item) {
  if (!item->names || item->selected < 0 || item->selected >= item->count) return "";
  const char *name = item->names[item->selected];
  return name ? name : "";
}

static bool is_digit(char c) { return c >= '0' && c <= '9'; }
static bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Length of the number at the start of p (sign, digits with at most one ".",
// optional exponent), or 0 when there is none. Words such as "nan" and "inf"
// and hexadecimal forms are not numbers here.
static size_t number_length(const char *p) {
  size_t i = 0, digits = 0;
  if (p[i] == '+' || p[i] == '-') i++;
  while (is_digit(p[i])) i++, digits++;
  if (p[i] == '.') {
    i++;
    while (is_digit(p[i])) i++, digits++;
  }
  if (digits == 0) return 0;
  if (p[i] == 'e' || p[i] == 'E') {
    size_t j = i + 1;
    if (p[j] == '+' || p[j] == '-') j++;
    if (is_digit(p[j])) {
      while (is_digit(p[j])) j++;
      i = j;
    }
  }
  return i;
}

bool number_set_from_text(number_item *item, const char *text) {
  if (!text) return false;
  while (is_blank(*text)) text++;
  size_t n = number_length(text);
  char buf[512];
  if (n == 0 || n >= sizeof buf) return false;
  memcpy(buf, text, n);
  buf[n] = 0;
  float v = strtof(buf, nullptr);  // out-of-range values become +-inf and clamp below
  if (v < (float)item->minimum)
    item->value = item->minimum;
  else if (v > (float)item->maximum)
    item->value = item->maximum;
  else
    item->value = v;
  return true;
}

void text_set(text_item *item, const char *text) {
  int limit = item->max_length;
  if (limit < 0) limit = 0;
  if (limit > TEXT_ITEM_CAPACITY - 1) limit = TEXT_ITEM_CAPACITY - 1;
  int n = 0;
  if (text)
    while (n < limit && text[n]) n++;
  memcpy(item->text, text ? text : "", (size_t)n);
  item->text[n] = 0;
}

// One row per assist value, at s = 0, 1, 2, 3, 4, 5.
struct preset_row {
  number_item settings_record::*item;
  double points[6];
};
static const preset_row PRESETS[] = {
    {&settings_record::max_steering_force, {400, 400, 400, 400, 400, 400}},
    {&settings_record::land_damping_factor, {1, 1.5, 2, 2, 2, 2}},
    {&settings_record::land_damping_falloff, {0, 0.125, 0.25, 0.25, 0.25, 0.25}},
    {&settings_record::slow_damping_factor, {1, 1, 1.5, 2, 2, 2}},
    {&settings_record::slow_damping_speed, {40, 40, 40, 40, 40, 40}},
    {&settings_record::direct_steering, {1, 1, 1, 1, 1, 0}},
    {&settings_record::steering_strength, {75, 75, 75, 75, 75, 75}},
    {&settings_record::steering_damping, {45, 45, 45, 45, 45, 45}},
    {&settings_record::roll_limit_factor, {0, 5, 10, 32, 32, 32}},
    {&settings_record::roll_limit_angle, {90, 45, 45, 40, 35, 35}},
    {&settings_record::roll_damping, {40, 50, 60, 70, 75, 80}},
    {&settings_record::leveling, {20, 20, 20, 20, 20, 20}},
};

void apply_stability_preset(int stability) {
  double s = stability * 5 * 0.01;
  if (s < 0) s = 0;
  if (s > 5) s = 5;
  int r = (int)std::floor(s);
  if (r > 4) r = 4;
  double f = s - r;
  for (const preset_row &row : PRESETS) {
    const double *t = row.points;
    (settings.*row.item).value = t[r] + f * (t[r + 1] - t[r]);
  }
}
