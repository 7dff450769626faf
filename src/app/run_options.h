// The values the command line sets for one run, and the render settings derived
// from the configuration before the options are parsed (so options override
// them). One global record, `run_opts`, filled at start-up and read everywhere.
#pragma once
#include <cstdint>

enum { RUN_TEXT_CAPACITY = 1024 };

struct run_options {
  bool flat_shading;
  bool no_sound;
  bool no_vertex_arrays;
  bool learn_lines;
  bool practice_mode;
  int32_t texture_detail;
  int32_t ground_texture_drop;
  int32_t ground_texture_size;
  int32_t roost_frequency;
  float erode;
  float terrain_detail;
  float max_detail_distance;
  float max_detail_fade_end;
  float lod_scale;
  float lod_bias;
  bool editor_enabled;
  bool has_track;
  char track[RUN_TEXT_CAPACITY];
  bool has_server;
  char server[RUN_TEXT_CAPACITY];
  bool has_password;
  char password[RUN_TEXT_CAPACITY];
  bool has_demo;
  char demo[RUN_TEXT_CAPACITY];
  int32_t depth;
  float lock_fps;
  bool warp;
  int32_t rotate_lineup;  // 0..39
  double fake_lag;        // seconds, 0..1
  int32_t fake_loss;      // percent, 0..100
  bool has_record_audio;
  char record_audio[RUN_TEXT_CAPACITY];
  bool record_video;
  bool show_paused;
  bool show_hud;
  bool glfinish;
  float chase_center[3];
  int32_t draw_fps, draw_time, draw_ping, draw_render_stats;
  bool accurate_skip;
  bool open_home;
};

extern run_options run_opts;

// The built-in defaults (before the configuration and the command line).
void run_options_defaults(run_options *o);
// The derived render settings from the configuration values.
void run_options_derive(run_options *o);
