#include "app/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/settings.h"
#include "data/data.h"
#include "platform/log.h"

bool match_option(option_cursor *c, const char *name, bool wants_value, const char **value) {
  if (value) *value = nullptr;
  if (c->remaining <= 0 || c->end_of_options) return false;
  const char *arg = *c->next;
  if (wants_value && strcmp(arg, "--") == 0) {
    c->end_of_options = true;
    c->next++;
    c->remaining--;
    return false;
  }
  size_t n = strlen(name);
  if (wants_value) {
    if (strcmp(arg, name) == 0) {
      c->next++;
      c->remaining--;
      if (c->remaining > 0) {
        *value = *c->next;
        c->next++;
        c->remaining--;
      }
      return true;
    }
    if (strncmp(arg, name, n) == 0 && arg[n] == '=') {
      *value = arg + n + 1;
      c->next++;
      c->remaining--;
      return true;
    }
    return false;
  }
  if (strcmp(arg, name) != 0) return false;
  c->next++;
  c->remaining--;
  return true;
}

// A decimal integer with an optional sign, as a "%d" conversion reads it.
static bool read_int(const char *text, int32_t *out) {
  if (!text) return false;
  char *end;
  errno = 0;
  long long v = strtoll(text, &end, 10);
  if (end == text) return false;
  if (v > 2147483647LL) v = 2147483647LL;
  if (v < -2147483648LL) v = -2147483648LL;
  *out = (int32_t)v;
  return true;
}

// A finite float, as a "%f" conversion reads it.
static bool read_float(const char *text, float *out) {
  if (!text) return false;
  char *end;
  double v = strtod(text, &end);
  if (end == text || !std::isfinite(v)) return false;
  // strtod takes hexadecimal and "inf"/"nan" forms; the game's number reader doesn't.
  for (const char *p = text; p < end; p++)
    if (*p == 'x' || *p == 'X' || *p == 'n' || *p == 'N' || *p == 'i' || *p == 'I') return false;
  *out = (float)v;
  return true;
}

static int bad_arg(const char *option) {
  fprintf(stderr, "Bad arg for %s\n", option);
  return 1;
}

static void copy_text(char *dst, const char *src, bool *has) {
  if (!src) return;  // last argument: the setting stays unset
  snprintf(dst, RUN_TEXT_CAPACITY, "%s", src);
  *has = true;
}

template <typename T>
static T clamp_to(T v, T lo, T hi) {
  return v < lo ? lo : v > hi ? hi : v;
}

int parse_command_line(int argc, char **argv, run_options *o) {
  option_cursor c{argc > 0 ? argc - 1 : 0, argv + (argc > 0 ? 1 : 0), false};
  const char *v;
  int32_t iv;
  float fv;
  bool have_file = false;
  while (c.remaining > 0) {
    // Integer option with a clamp; a value that doesn't convert is an error.
    auto int_option = [&](const char *name, int32_t *field, int32_t lo, int32_t hi, int *status) {
      if (!match_option(&c, name, true, &v)) return false;
      if (!read_int(v, &iv)) {
        *status = bad_arg(name);
        return true;
      }
      *field = clamp_to(iv, lo, hi);
      return true;
    };
    auto float_option = [&](const char *name, float *field, float lo, float hi, int *status) {
      if (!match_option(&c, name, true, &v)) return false;
      if (!read_float(v, &fv)) {
        *status = bad_arg(name);
        return true;
      }
      *field = clamp_to(fv, lo, hi);
      return true;
    };
    // Integer option without a message: a bad value is ignored.
    auto plain_int_option = [&](const char *name, int32_t *field) {
      if (!match_option(&c, name, true, &v)) return false;
      if (read_int(v, &iv)) *field = iv;
      return true;
    };
    const float BIG = 3.4e38f;
    int status = PARSE_CONTINUE;

    if (match_option(&c, "--fugly", false, nullptr)) {
      o->flat_shading = true;
    } else if (match_option(&c, "--nosound", false, nullptr)) {
      o->no_sound = true;
    } else if (match_option(&c, "--novertexarrays", false, nullptr)) {
      o->no_vertex_arrays = true;
    } else if (match_option(&c, "--nolearn", false, nullptr)) {
      o->learn_lines = false;
    } else if (match_option(&c, "--debug", false, nullptr)) {
      debug_level = 1;
    } else if (match_option(&c, "--super-debug", false, nullptr)) {
      debug_level = 2;
    } else if (match_option(&c, "--practice", false, nullptr)) {
      o->practice_mode = true;
    } else if (match_option(&c, "--warp", false, nullptr)) {
      o->warp = true;
    } else if (int_option("--texture-detail", &o->texture_detail, 0, 4, &status) ||
               int_option("--ground-texture-detail", &o->ground_texture_drop, 0, 4, &status) ||
               int_option("--roostfrequency", &o->roost_frequency, 0, 1000, &status) ||
               float_option("--erode", &o->erode, 0, 1, &status) ||
               float_option("--detail", &o->terrain_detail, -BIG, BIG, &status)) {
    } else if (match_option(&c, "--max-detail-distance", true, &v)) {
      if (!read_float(v, &fv)) {
        status = bad_arg("--max-detail-distance");
      } else {
        o->max_detail_distance = fv;
        o->max_detail_fade_end = fv + 5;
      }
    } else if (float_option("--lod-scale", &o->lod_scale, 0.000001f, 1000000.0f, &status) ||
               float_option("--lod-bias", &o->lod_bias, -BIG, BIG, &status) ||
               float_option("--lock-fps", &o->lock_fps, -BIG, BIG, &status)) {
    } else if (match_option(&c, "--fake-lag", true, &v)) {
      if (!read_float(v, &fv))
        status = bad_arg("--fake-lag");
      else
        o->fake_lag = clamp_to(fv * 0.001, 0.0, 1.0);
    } else if (int_option("--fake-loss", &o->fake_loss, 0, 100, &status)) {
    } else if (match_option(&c, "--record-audio", true, &v)) {
      copy_text(o->record_audio, v, &o->has_record_audio);
    } else if (match_option(&c, "--record-video", false, nullptr)) {
      o->record_video = true;
    } else if (match_option(&c, "--rotate-lineup", true, &v)) {
      // A negative count is reduced into 0..39 so it never indexes before the lineup.
      if (read_int(v, &iv)) o->rotate_lineup = ((iv % GATE_COUNT) + GATE_COUNT) % GATE_COUNT;
    } else if (match_option(&c, "--editor", false, nullptr)) {
      o->editor_enabled = true;
    } else if (match_option(&c, "--hidden-pause", false, nullptr)) {
      o->show_paused = false;
    } else if (match_option(&c, "--hidden-hud", false, nullptr)) {
      o->show_hud = false;
    } else if (match_option(&c, "--bikes", true, &v)) {
      fprintf(stderr, "--bikes doesn't do anything anymore\n");
    } else if (plain_int_option("--width", &settings.xres) || plain_int_option("--height", &settings.yres) ||
               plain_int_option("--depth", &o->depth) || plain_int_option("--draw-fps", &o->draw_fps) ||
               plain_int_option("--draw-time", &o->draw_time) || plain_int_option("--draw-ping", &o->draw_ping) ||
               plain_int_option("--draw-render-stats", &o->draw_render_stats)) {
    } else if (match_option(&c, "--accurate-skip", false, nullptr)) {
      o->accurate_skip = true;
    } else if (match_option(&c, "--track", true, &v)) {
      copy_text(o->track, v, &o->has_track);
    } else if (match_option(&c, "--connect", true, &v)) {
      if (v && strncmp(v, "korvath:", 8) == 0) v += 8;
      copy_text(o->server, v, &o->has_server);
    } else if (match_option(&c, "--password", true, &v)) {
      copy_text(o->password, v, &o->has_password);
    } else if (match_option(&c, "--chase-center", true, &v)) {
      float x, y, z;
      if (!v || sscanf(v, "%f,%f,%f", &x, &y, &z) != 3 || !std::isfinite(x) || !std::isfinite(y) ||
          !std::isfinite(z)) {
        status = bad_arg("--chase-center");
      } else {
        o->chase_center[0] = x;
        o->chase_center[1] = y;
        o->chase_center[2] = z;
      }
    } else if (match_option(&c, "--open-home", false, nullptr)) {
      open_home_folder();
      return 0;
    } else if (match_option(&c, "--glfinish", false, nullptr)) {
      o->glfinish = true;
    } else if (c.remaining > 0) {
      // "--" may have been consumed by a value-taking option just now.
      const char *arg = *c.next;
      c.next++;
      c.remaining--;
      if (arg[0] == '-' && !c.end_of_options) {
        fprintf(stderr, "bad option '%s'\n", arg);
        return 1;
      }
      if (have_file) {
        fprintf(stderr, "Too many files!\n");
        return 1;
      }
      have_file = true;
      copy_text(o->demo, arg, &o->has_demo);
    }
    if (status != PARSE_CONTINUE) return status;
  }
  return PARSE_CONTINUE;
}
