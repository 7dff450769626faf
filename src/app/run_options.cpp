#include "app/run_options.h"

#include <cmath>
#include <cstring>

#include "config/settings.h"

run_options run_opts;

void run_options_defaults(run_options *o) {
  memset(o, 0, sizeof *o);
  o->learn_lines = true;
  o->max_detail_distance = 70;
  o->max_detail_fade_end = 75;
  o->depth = 16;
  o->show_paused = true;
  o->show_hud = true;
  o->chase_center[0] = 0;
  o->chase_center[1] = 2.52f;
  o->chase_center[2] = 0.52f;
  o->draw_ping = 1;
}

static double clampd(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

void run_options_derive(run_options *o) {
  // A detail of 0 would divide by zero; the smallest step stands in for it.
  o->terrain_detail = (float)(0.125 / (settings.ground_detail.value > 0.01 ? settings.ground_detail.value : 0.01));
  o->ground_texture_drop = (int32_t)std::trunc(clampd(10 - settings.ground_texture_detail.value, 0, 10));
  o->ground_texture_size = 32 << (int)clampd(settings.ground_texture_dim.selected, 0, 5);
  double s = clampd(100 - settings.model_detail.value, 0, 100) * 0.02;
  o->lod_scale = (float)(s > 1 ? s * s * s : s);
  o->lod_bias = (float)(50 - 50 * clampd((settings.model_detail.value - 10) * 0.05, 0, 1));
  o->texture_detail = (int32_t)std::trunc(clampd(10 - settings.model_texture_detail.value, 0, 10));
  o->roost_frequency = (int32_t)std::trunc(settings.roost_density.value);
  o->draw_fps = settings.draw_fps;
  o->draw_time = settings.draw_time;
  o->draw_ping = settings.draw_ping;
}
