#include "track/surface_files.h"

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/message_log.h"
#include "data/data.h"
#include "track/terrain_render.h"

enum { LINE_SIZE = 1024 };
static const char ROOST_TEXTURE[] = "@roost.png";
static const float MIN_KEY = 1.0f / 1048576;  // 2^-20: keys must stay non-zero

bool scan_number(const char **p, float *value) {
  const char *s = *p;
  while (isspace((unsigned char)*s)) s++;
  *p = s;
  const char *start = s;
  if (*s == '+' || *s == '-') s++;
  bool digits = false, dot = false;
  while (isdigit((unsigned char)*s) || (*s == '.' && !dot)) {
    if (*s == '.') dot = true;
    else digits = true;
    s++;
  }
  if (!digits && !dot) return false;
  if (*s == 'e' || *s == 'E') {
    const char *e = s + 1;
    if (*e == '+' || *e == '-') e++;
    if (isdigit((unsigned char)*e)) {
      while (isdigit((unsigned char)*e)) e++;
      s = e;
    }
  }
  char text[128];
  size_t n = (size_t)(s - start);
  if (n >= sizeof text) n = sizeof text - 1;  // absurd lengths: the digits kept still read
  memcpy(text, start, n);
  text[n] = 0;
  float v = (!digits) ? 0.0f : (float)strtod(text, nullptr);
  if (!std::isfinite(v)) return false;
  *value = v;
  *p = s;
  return true;
}

// --- roost parameter lists ---------------------------------------------------

enum { P_TEXTURE, P_SPLASH, P_FLOAT, P_COLOUR, P_FADE };

struct roost_field {
  const char *prefix;
  int type;
  size_t offset;
};

#define RF(name, type) {#name "=", type, offsetof(roost_params, name)}
static const roost_field ROOST_FIELDS[] = {
    {"texture=", P_TEXTURE, 0}, {"splash=", P_SPLASH, 0},
    RF(count, P_FLOAT),         RF(dig, P_FLOAT),          RF(slip_threshold, P_FLOAT),
    RF(slow_angle, P_FLOAT),    RF(fast_angle, P_FLOAT),   RF(slow_speed, P_FLOAT),
    RF(fast_speed, P_FLOAT),    RF(size, P_FLOAT),         RF(grow, P_FLOAT),
    RF(drag, P_FLOAT),          RF(vscale, P_FLOAT),       RF(randomize, P_FLOAT),
    RF(r, P_COLOUR),            RF(g, P_COLOUR),           RF(b, P_COLOUR),
    RF(a, P_COLOUR),            RF(fade_r, P_FADE),        RF(fade_g, P_FADE),
    RF(fade_b, P_FADE),         RF(fade_a, P_FADE),
};
#undef RF

// Low 8 bits of the integer part, as two's complement would keep them.
static unsigned char low_byte(double v) {
  double m = fmod(trunc(v), 256.0);
  if (m < 0) m += 256;
  return (unsigned char)m;
}

static void roost_token(const char *token, roost_params *r) {
  for (const roost_field &f : ROOST_FIELDS) {
    size_t n = strlen(f.prefix);
    if (strncmp(token, f.prefix, n) != 0) continue;
    const char *text = token + n;
    if (f.type == P_TEXTURE) {
      r->texture = terrain_load_texture(text);
      return;
    }
    char *end;
    double v = strtod(text, &end);
    bool ok = end != text && std::isfinite(v);
    if (f.type == P_FLOAT) ok = ok && std::isfinite((float)v);
    if (!ok) v = 0;  // the value read so far is stored all the same
    unsigned char *field = (unsigned char *)r + f.offset;
    switch (f.type) {
      case P_SPLASH:
        if (v != 0) r->kind = ROOST_SPLASH;
        return;
      case P_FLOAT: *(float *)field = (float)v; break;
      case P_COLOUR: *field = low_byte(v); break;
      case P_FADE: *field = low_byte(v * (1.0 / 128)); break;
    }
    if (!ok) post_messagef("tileinfo warning: bad %.*s\n", (int)(n - 1), f.prefix);
    return;
  }
  post_messagef("tileinfo warning: unknown roost parameter '%.40s'\n", token);
}

static bool roost_separator(char c) { return c && strchr(" \f\n\r\t\b", c); }

void roost_parse(const char *args, roost_params *r) {
  char token[LINE_SIZE];
  const char *p = args;
  for (;;) {
    while (roost_separator(*p)) p++;
    if (!*p) return;
    size_t n = 0;
    bool quoted = false;
    for (; *p && (quoted || !roost_separator(*p)); p++) {
      if (*p == '"') quoted = !quoted;
      else if (n + 1 < sizeof token) token[n++] = *p;
    }
    token[n] = 0;
    roost_token(token, r);
  }
}

// --- tileinfo ----------------------------------------------------------------

struct pending_surface {
  surface_type s;
  int friction_count, roll_count, roost_count;
};

static void pending_reset(pending_surface *p) {
  surface_defaults(&p->s);
  p->friction_count = p->roll_count = p->roost_count = 0;
}

// The name without a leading "@" and without its folder part.
static void keep_name(char *dst, const char *name) {
  if (name[0] == '@') name++;
  const char *slash = strrchr(name, '/');
  if (slash) name = slash + 1;
  // Longer names are cut to the buffer, as the fixed-size surface record holds them.
  size_t n = strnlen(name, SURFACE_NAME_SIZE - 1);
  memcpy(dst, name, n);
  dst[n] = 0;
}

static void statement(pending_surface *p, const char *keyword, const char *arg, surface_type *out,
                      int *count) {
  if (strcmp(keyword, "texture") == 0) {
    p->s.texture = arg[0] ? terrain_load_texture(arg) : 0;
    keep_name(p->s.name, arg);
  } else if (strcmp(keyword, "friction") == 0) {
    const char *q = arg;
    float c, k;
    if (p->friction_count >= MAX_CURVE_POINTS) {
      post_message("tileinfo warning: too many friction points\n");
    } else if (!scan_number(&q, &c) || !scan_number(&q, &k)) {
      post_message("tileinfo warning: bad friction parameters\n");
    } else {
      p->s.friction_curve[p->friction_count++] = {fmaxf(c, 0), fmaxf(k, MIN_KEY)};
    }
  } else if (strcmp(keyword, "roll_resist") == 0) {
    const char *q = arg;
    float a, b, k;
    if (p->roll_count >= MAX_CURVE_POINTS) {
      post_message("tileinfo warning: too many roll_resist points\n");
    } else if (!scan_number(&q, &a) || !scan_number(&q, &b) || !scan_number(&q, &k)) {
      post_message("tileinfo warning: bad roll_resist parameters\n");
    } else {
      p->s.roll_resist_curve[p->roll_count++] = {fmaxf(a, 0), fmaxf(b, 0), fmaxf(k, MIN_KEY)};
    }
  } else if (strcmp(keyword, "roost") == 0) {
    if (p->roost_count >= MAX_ROOST_TYPES) {
      post_message("tileinfo warning: too many roost types\n");
    } else {
      roost_params *r = &p->s.roost[p->roost_count++];
      *r = roost_defaults(ROOST_DIRT);
      r->texture = terrain_load_texture(ROOST_TEXTURE);
      roost_parse(arg, r);
    }
  } else if (strcmp(keyword, "addtile") == 0) {
    sort_friction_points(p->s.friction_curve, p->friction_count);
    sort_roll_resist_points(p->s.roll_resist_curve, p->roll_count);
    out[(*count)++] = p->s;
    pending_reset(p);
  } else {
    post_messagef("tileinfo warning: Unknown identifier '%.950s'\n", keyword);
  }
}

int tileinfo_read(data_stream *s, surface_type *surfaces, int max) {
  pending_surface pending;
  pending_reset(&pending);
  char line[LINE_SIZE];
  int count = 0;
  while (count < max && data_gets(s, line, sizeof line)) {
    char *p = line;
    while (*p && strchr(" \t\r\n", *p)) p++;
    if (!*p) continue;
    char *keyword = p;
    while (*p && !strchr(" \t\r\n", *p)) p++;
    bool more = *p != 0;
    *p = 0;
    char *arg = more ? p + 1 : p;
    while (*arg == ' ' || *arg == '\t') arg++;
    arg[strcspn(arg, "\r\n")] = 0;
    statement(&pending, keyword, arg, surfaces, &count);
  }
  return count;
}

// --- texturelist -------------------------------------------------------------

int texturelist_read(data_stream *s, surface_type *surfaces, int max) {
  char line[LINE_SIZE];
  int count = 0;
  while (count < max && data_gets(s, line, sizeof line)) {
    const char *p = line;
    while (isspace((unsigned char)*p)) p++;
    if (!*p) continue;
    float f = 1, a = 5, b = 15;
    const char *q = p;
    if (scan_number(&q, &f) && scan_number(&q, &a) && scan_number(&q, &b)) {
      while (isspace((unsigned char)*q)) q++;
      p = q;
    } else {
      f = 1, a = 5, b = 15;
    }
    char name[LINE_SIZE + 1];
    snprintf(name, sizeof name, "@%s", p);
    size_t n = strlen(name);
    // A CR before the newline comes from files edited elsewhere; neither
    // belongs to the name.
    if (n > 1 && name[n - 1] == '\n') name[--n] = 0;
    if (n > 1 && name[n - 1] == '\r') name[--n] = 0;
    surface_type *t = &surfaces[count++];
    surface_defaults(t);
    set_constant_friction(t, f);
    set_constant_roll_resist(t, a, b);
    t->roost[0] = roost_defaults(ROOST_DIRT);
    t->roost[0].texture = terrain_load_texture(ROOST_TEXTURE);
    t->texture = terrain_load_texture(name);
    keep_name(t->name, name);
  }
  return count;
}
