#include "track/lighting.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/message_log.h"
#include "data/data.h"
#include "track/billboards.h"
#include "track/track_alloc.h"

lighting_state track_lighting;

static const char *const SKY_KEYS[SKY_FACES] = {"sky_n", "sky_e", "sky_s", "sky_w", "sky_u"};
static const char *const SKY_DEFAULTS[SKY_FACES] = {"@sky-n.ppm", "@sky-e.ppm", "@sky-s.ppm", "@sky-w.ppm",
                                                    "@sky-u.ppm"};

static void set3(float v[3], float a, float b, float c) { v[0] = a, v[1] = b, v[2] = c; }


// Value text is read the way the data scanner reads files: white space is
// free, numbers are plain decimals (no "nan" or "inf" words), and a number
// that overflows to infinity makes the value unreadable.
static void skip_blank(const char **p) {
  while (**p == ' ' || **p == '\t' || **p == '\r' || **p == '\n') (*p)++;
}

static bool take_char(const char **p, char c) {
  skip_blank(p);
  if (**p != c) return false;
  (*p)++;
  return true;
}

static bool take_number(const char **p, float *out) {
  skip_blank(p);
  char buf[64];
  int n = 0;
  while (n < (int)sizeof buf - 1 && **p && strchr("+-.0123456789eE", **p)) buf[n++] = *(*p)++;
  buf[n] = 0;
  char *end;
  float v = strtof(buf, &end);
  if (n == 0 || end == buf || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

// " [ a b c ... ] " with `count` numbers.
static bool take_bracketed(const char **p, float *out, int count) {
  if (!take_char(p, '[')) return false;
  for (int k = 0; k < count; k++)
    if (!take_number(p, &out[k])) return false;
  return take_char(p, ']');
}

static void reset_defaults() {
  lighting_state &l = track_lighting;
  float fog[3];
  memcpy(fog, l.fog_color, sizeof fog);
  lighting_clear();
  l = lighting_state{};
  set3(l.sun_vector, 1, 1, 1);
  set3(l.sun_color, 1, 1, 1);
  set3(l.ambient, 0.5f, 0.5f, 0.5f);
  set3(l.global_ambient, 0.2f, 0.2f, 0.2f);
  memcpy(l.fog_color, fog, sizeof fog);
}

// " [ %f %f %f ] " from text; false (out untouched) unless all three are read and finite.
static bool parse_vector(const char *text, float out[3]) {
  float v[3];
  if (!take_bracketed(&text, v, 3)) return false;
  memcpy(out, v, sizeof v);
  return true;
}

static void parse_element(const char *text, lens_flare &pending) {
  float v[6];
  if (!take_bracketed(&text, v, 2) || !take_bracketed(&text, v + 2, 3) || !take_number(&text, &v[5])) return;
  skip_blank(&text);
  char name[1024];
  size_t n = strcspn(text, " \t\r\n");
  if (n == 0 || n >= sizeof name || pending.element_count >= FLARE_MAX_ELEMENTS) return;
  memcpy(name, text, n);
  name[n] = 0;
  flare_element &e = pending.elements[pending.element_count++];
  e.a = v[0];
  e.b = v[1];
  set3(e.colour, v[2], v[3], v[4]);
  e.size = v[5];
  e.texture = track_texture_load(name);
}

static void close_flare(const char *text, lens_flare &pending, flare_kind kind) {
  float p[3];
  if (!parse_vector(text, p)) return;
  if (kind == FLARE_VECTOR) {
    double n = std::sqrt((double)p[0] * p[0] + (double)p[1] * p[1] + (double)p[2] * p[2]);
    if (!(n > 0)) {
      pending = lens_flare{};  // a zero direction points nowhere: drop this flare
      return;
    }
  }
  lighting_state &l = track_lighting;
  memcpy(pending.position, p, sizeof p);
  pending.kind = kind;
  pending.fade = 0;
  track_array_reserve((void **)&l.flares, &l.flare_capacity, l.flare_count, sizeof(lens_flare));
  l.flares[l.flare_count++] = pending;
  pending = lens_flare{};
}

// One line: false when it ends the reading.
static bool apply_line(char *line, lens_flare &pending, bool sky_set[SKY_FACES], bool &env_set) {
  char *p = line;
  while (*p == ' ' || *p == '\t') p++;
  char *word = p;
  while (*p && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') p++;
  if (p == word) return true;
  char end = *p;
  *p = 0;
  char *value = end ? p + 1 : p;
  while (*value == ' ' || *value == '\t') value++;
  value[strcspn(value, "\r\n")] = 0;

  lighting_state &l = track_lighting;
  float v[4];
  if (strcmp(word, "sun_vector") == 0) {
    if (parse_vector(value, v) && (v[0] != 0 || v[1] != 0 || v[2] != 0)) memcpy(l.sun_vector, v, 3 * sizeof(float));
  } else if (strcmp(word, "sun_color") == 0) {
    parse_vector(value, l.sun_color);
  } else if (strcmp(word, "ambient") == 0) {
    parse_vector(value, l.ambient);
  } else if (strcmp(word, "global_ambient") == 0) {
    parse_vector(value, l.global_ambient);
  } else if (strcmp(word, "sky_env") == 0) {
    l.sky_env = track_texture_load(value);
    env_set = true;
  } else if (strcmp(word, "flare_element") == 0) {
    parse_element(value, pending);
  } else if (strcmp(word, "flare_point") == 0) {
    close_flare(value, pending, FLARE_POINT);
  } else if (strcmp(word, "flare_vector") == 0) {
    close_flare(value, pending, FLARE_VECTOR);
  } else if (strcmp(word, "fog") == 0) {
    const char *t = value;
    if (take_bracketed(&t, v, 3) && take_number(&t, &v[3]) && v[3] >= 0) {
      memcpy(l.fog_color, v, 3 * sizeof(float));
      l.fog_density = v[3];
    }
  } else {
    for (int k = 0; k < SKY_FACES; k++)
      if (strcmp(word, SKY_KEYS[k]) == 0) {
        l.sky[k] = track_texture_load(value);
        sky_set[k] = true;
        return true;
      }
    post_messagef("Error reading lighting: Unknown identifier '%.950s'\n", word);
    return false;
  }
  return true;
}

void lighting_load(const char *name) {
  reset_defaults();
  lighting_state &l = track_lighting;
  data_stream *s = data_open(name, "rb");
  if (!s) {
    // Defaults, no sky pictures; the direction is kept at unit length.
    for (float &v : l.sun_vector) v = (float)(1 / std::sqrt(3.0));
    return;
  }

  lens_flare pending = {};
  bool sky_set[SKY_FACES] = {}, env_set = false;
  char line[1025];
  while (data_gets(s, line, sizeof line))
    if (!apply_line(line, pending, sky_set, env_set)) break;
  data_close(s);

  double n = std::sqrt((double)l.sun_vector[0] * l.sun_vector[0] + (double)l.sun_vector[1] * l.sun_vector[1] +
                       (double)l.sun_vector[2] * l.sun_vector[2]);
  if (!(n > 0) || !std::isfinite(n)) {
    set3(l.sun_vector, 1, 1, 1);
    n = std::sqrt(3.0);
  }
  for (int k = 0; k < 3; k++) l.sun_vector[k] = (float)(l.sun_vector[k] / n);
  for (int k = 0; k < SKY_FACES; k++)
    if (!sky_set[k]) l.sky[k] = track_texture_load(SKY_DEFAULTS[k]);
  if (!env_set) l.sky_env = track_texture_load("@sky-env.ppm");
  l.sky_loaded = true;
}

void lighting_clear() {
  free(track_lighting.flares);
  track_lighting.flares = nullptr;
  track_lighting.flare_count = track_lighting.flare_capacity = 0;
}

static bool finite_all(const float *v, int n) {
  for (int k = 0; k < n; k++)
    if (!std::isfinite(v[k])) return false;
  return true;
}

static bool non_zero(const float v[3]) { return v[0] != 0 || v[1] != 0 || v[2] != 0; }

static bool lighting_file_valid(const lighting_record *l) {
  if (!l || l->flare_count < 0 || (l->flare_count > 0 && !l->flares)) return false;
  if (!finite_all(l->sun_vector, 3) || !non_zero(l->sun_vector) || !finite_all(l->sun_color, 3) ||
      !finite_all(l->ambient, 3) || !finite_all(l->global_ambient, 3))
    return false;
  for (int k = 0; k < SKY_FACES; k++)
    if (l->sky[k] && !object_name_writable(l->sky[k])) return false;
  if (l->sky_env && !object_name_writable(l->sky_env)) return false;
  for (int32_t i = 0; i < l->flare_count; i++) {
    const lens_flare_record &f = l->flares[i];
    if (!finite_all(f.position, 3) || (f.kind == FLARE_VECTOR && !non_zero(f.position))) return false;
    if (f.element_count < 0 || f.element_count > FLARE_MAX_ELEMENTS) return false;
    for (int32_t k = 0; k < f.element_count; k++) {
      const flare_element_record &e = f.elements[k];
      float v[6] = {e.a, e.b, e.colour[0], e.colour[1], e.colour[2], e.size};
      if (!finite_all(v, 6) || !object_name_writable(e.texture)) return false;
    }
  }
  if (l->fog && (!finite_all(l->fog_color, 3) || !std::isfinite(l->fog_density) || l->fog_density < 0)) return false;
  return true;
}

static bool write_vector(data_stream *s, const char *keyword, const float v[3]) {
  return data_printf(s, "%s [%f %f %f]\n", keyword, v[0], v[1], v[2]) >= 0;
}

bool lighting_write(const char *name, const lighting_record *l) {
  if (!lighting_file_valid(l)) return false;
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  bool ok = write_vector(s, "sun_vector", l->sun_vector) && write_vector(s, "sun_color", l->sun_color) &&
            write_vector(s, "ambient", l->ambient) && write_vector(s, "global_ambient", l->global_ambient);
  for (int k = 0; k < SKY_FACES; k++)
    if (l->sky[k]) ok = ok && data_printf(s, "%s %s\n", SKY_KEYS[k], l->sky[k]) >= 0;
  if (l->sky_env) ok = ok && data_printf(s, "sky_env %s\n", l->sky_env) >= 0;
  for (int32_t i = 0; i < l->flare_count; i++) {
    const lens_flare_record &f = l->flares[i];
    for (int32_t k = 0; k < f.element_count; k++) {
      const flare_element_record &e = f.elements[k];
      ok = ok && data_printf(s, "flare_element [%f %f] [%f %f %f] %f %s\n", e.a, e.b, e.colour[0], e.colour[1],
                             e.colour[2], e.size, e.texture) >= 0;
    }
    ok = ok && write_vector(s, f.kind == FLARE_VECTOR ? "flare_vector" : "flare_point", f.position);
  }
  if (l->fog)
    ok = ok && data_printf(s, "fog [%f %f %f] %f\n", l->fog_color[0], l->fog_color[1], l->fog_color[2],
                           l->fog_density) >= 0;
  ok = ok && data_flush(s) == 0;
  data_close(s);
  return ok;
}
