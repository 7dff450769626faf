#include "track/surface.h"

#include <cstring>

roost_params roost_defaults(int32_t kind) {
  roost_params r = {};
  r.kind = kind;
  r.texture = 0;
  r.count = 10;
  r.dig = 1;
  r.slip_threshold = 4;
  r.slow_angle = 1.5707964f;
  r.fast_angle = 0.19634955f;
  r.slow_speed = 0;
  r.fast_speed = 64;
  r.size = 0.25f;
  r.grow = 4;
  r.drag = 0.5f;
  r.vscale = 1;
  r.randomize = 15;
  r.r = r.g = r.b = r.a = 255;
  r.fade_r = r.fade_g = r.fade_b = 0;
  r.fade_a = -2;
  return r;
}

void set_constant_friction(surface_type *s, float coefficient) {
  for (int i = 0; i < MAX_CURVE_POINTS; i++) s->friction_curve[i] = {coefficient, 0};
  s->friction_curve[0].key = 1;
}

void set_constant_roll_resist(surface_type *s, float force_free, float force_sunk) {
  for (int i = 0; i < MAX_CURVE_POINTS; i++) s->roll_resist_curve[i] = {force_free, force_sunk, 0};
  s->roll_resist_curve[0].key = 1;
}

void surface_defaults(surface_type *s) {
  memset(s, 0, sizeof *s);
  set_constant_friction(s, 1);
  set_constant_roll_resist(s, 5, 15);
  for (int i = 0; i < MAX_ROOST_TYPES; i++) s->roost[i] = roost_defaults(ROOST_OFF);
}

void sort_friction_points(friction_point *p, int count) {
  for (int a = 0; a + 1 < count; a++)
    for (int b = a + 1; b < count; b++)
      if (p[a].key > p[b].key) {
        friction_point t = p[a];
        p[a] = p[b];
        p[b] = t;
      }
}

void sort_roll_resist_points(roll_resist_point *p, int count) {
  for (int a = 0; a + 1 < count; a++)
    for (int b = a + 1; b < count; b++)
      if (p[a].key > p[b].key) {
        roll_resist_point t = p[a];
        p[a] = p[b];
        p[b] = t;
      }
}

static float clamp01(float t) { return t < 0 ? 0 : (t > 1 ? 1 : t); }

float surface_friction(const surface_type *s, float v) {
  const friction_point *p = s->friction_curve;
  float v2 = v * v;
  int i = 0;
  while (i < MAX_CURVE_POINTS && p[i].key != 0 && !(p[i].key * p[i].key > v2)) i++;
  if (i == 0) return p[0].coefficient;
  if (i == MAX_CURVE_POINTS || p[i].key == 0) return p[i - 1].coefficient;
  float k0 = p[i - 1].key * p[i - 1].key, k1 = p[i].key * p[i].key;
  float t = k1 > k0 ? clamp01((v2 - k0) / (k1 - k0)) : 1;
  return p[i - 1].coefficient + t * (p[i].coefficient - p[i - 1].coefficient);
}

void surface_roll_resist(const surface_type *s, float v, float *force_free, float *force_sunk) {
  const roll_resist_point *p = s->roll_resist_curve;
  int i = 0;
  while (i < MAX_CURVE_POINTS && p[i].key != 0 && !(p[i].key > v)) i++;
  if (i == 0 || i == MAX_CURVE_POINTS || p[i].key == 0) {
    const roll_resist_point &q = p[i == 0 ? 0 : i - 1];
    *force_free = q.force_free;
    *force_sunk = q.force_sunk;
    return;
  }
  float k0 = p[i - 1].key, k1 = p[i].key;
  float t = k1 > k0 ? clamp01((v - k0) / (k1 - k0)) : 1;
  *force_free = p[i - 1].force_free + t * (p[i].force_free - p[i - 1].force_free);
  *force_sunk = p[i - 1].force_sunk + t * (p[i].force_sunk - p[i - 1].force_sunk);
}

// Length of a name up to its first "." (the part other names refer to).
static size_t stem_length(const char *name) {
  const char *dot = strchr(name, '.');
  return dot ? (size_t)(dot - name) : strlen(name);
}

// The first surface whose stem starts `text` and is followed by `follow`
// (0: anything may follow); -1 when none.
static int find_stem(const surface_type *surfaces, int count, const char *text, char follow) {
  for (int i = 0; i < count; i++) {
    size_t n = stem_length(surfaces[i].name);
    if (n == 0 || strncmp(text, surfaces[i].name, n) != 0) continue;
    if (follow && text[n] != follow) continue;
    return i;
  }
  return -1;
}

static int32_t blend_code_of(const surface_type *surfaces, int count, int k) {
  const char *name = surfaces[k].name;
  int32_t own = k * 65536 + k * 256;
  if (!strchr(name, '-')) return own;
  int i = find_stem(surfaces, count, name, '-');
  if (i < 0) return own;
  const char *rest = name + stem_length(surfaces[i].name) + 1;
  if (strncmp(rest, "alt", 3) == 0 && rest[3] >= '0' && rest[3] <= '9') return i * 65536 + i * 256;
  int j = find_stem(surfaces, count, rest, 0);
  if (j < 0) return -256;
  const char *tail = rest + stem_length(surfaces[j].name);
  int32_t mask = 0;
  if (tail[0] == '-') {
    for (int b = 1; b <= 4; b++) {
      if (tail[b] != '0' && tail[b] != '1') return i * 65536 + j * 256;
      mask = mask * 2 + (tail[b] - '0');
    }
    return i * 65536 + j * 256 + mask;
  }
  return i * 65536 + j * 256;
}

void compute_blend_codes(surface_type *surfaces, int count) {
  for (int k = 0; k < count; k++) surfaces[k].blend_code = blend_code_of(surfaces, count, k);
}
