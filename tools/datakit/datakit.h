// The data generator's shared records: a course design (centre lines, track
// bed profile, sections), the terrain grid grown from it, and the steps that
// turn one into the other and write the staging tree.
//
// Everything is deterministic: the only randomness is an MT19937 seeded from a
// hash of the asset's name, and no clock is read. Lengths are feet, world axes
// as in the game (y up, ground in x and z, heading h faces (-sin h, -cos h)).
// Single-threaded; records own their vectors.
#pragma once
#include <cstdint>
#include <vector>

#include "sim/shape.h"
#include "track/billboards.h"
#include "track/flaggers.h"
#include "track/lighting.h"
#include "track/statues.h"

// --- design -------------------------------------------------------------------

enum feature_kind { FEATURE_TABLE, FEATURE_BUMPS };

// A vertical feature of the loop's bed. Position is given as a spline
// parameter of the loop's control polygon so that features follow layout edits.
// Lengths are minimums: they are stretched until the feature is rideable at
// the design speed.
struct feature_design {
  feature_kind kind;
  float at;       // loop spline parameter of the feature's start
  float height;   // ft
  float length;   // bump length, or the table's ramp length
  float top;      // table top length (tables only)
  int count;      // bumps in a row (bumps only)
};

// A stretch of the loop between two spline parameters.
struct range_design {
  float from, to;
};

struct course_design {
  const char *name;    // track folder
  const char *title;   // display name in "desc"
  int size_shift;      // n: (2^(n+1)+1)^2 samples
  float spacing;       // ft between samples
  std::vector<float> loop_control;  // x, z pairs of the closed B-spline polygon
  float join_at;       // loop parameter where the start straight joins
  float finish_at;     // loop parameter of the finish line
  // Start straight: the start line at (start_x, start_z) facing +x.
  float start_x, start_z;
  int start_positions;
  float start_spacing;  // across the pad
  float pad_half_width;
  float straight_length;  // pad start line to where the bend to the join begins
  float funnel_length;    // the pad narrows to the track over this length
  float half_width;       // of the track
  float ground_amplitude;  // of the low-frequency ground, ft
  std::vector<feature_design> features;
  std::vector<range_design> flat_corners, off_camber, sand, hardpack;
  int loop_gates;  // checkpoints on the loop, the finish line included
  int straight_gates;
};

// --- centre lines ----------------------------------------------------------------

enum { SAMPLE_SAND = 1, SAMPLE_HARDPACK = 2 };

// One point every PATH_STEP ft along a centre line.
struct path_sample {
  float x, z;
  float tx, tz;        // unit tangent (direction of travel)
  float s;             // arc length from the path start
  float kappa;         // signed curvature, positive turning left
  float half_width;
  float bed;           // bed height on the centre line
  float bank;          // lateral slope, positive when the rider's right is higher
  float speed;         // design speed, ft/s
  int flags;
};

struct course_path {
  bool closed;
  float length;
  float step;  // arc length between samples, PATH_STEP or just under

  std::vector<path_sample> pts;
  std::vector<float> param_s;  // loop: arc length at each integer spline parameter
};

constexpr float PATH_STEP = 1.0f;
constexpr float SHOULDER = 22.0f;      // bed blends into the ground over this width
constexpr float DIRT_MARGIN = 3.0f;    // dirt beyond the track edge
constexpr float GRAVITY = 32.174f;
// Design speed: lateral grip 0.6 g, then acceleration and braking limits, and
// a top speed the course's jumps are shaped for.
constexpr float DESIGN_LATERAL = 0.6f * GRAVITY;
constexpr float DESIGN_ACCEL = 15.0f;
constexpr float DESIGN_BRAKE = 25.0f;
constexpr float DESIGN_TOP_SPEED = 58.0f;
// Bed curvature along the line times speed squared stays below this, so the
// bike keeps its wheels on the ground at design speed.
constexpr float RIDEABLE_ACCEL = 0.5f * GRAVITY;

struct course {
  const course_design *design;
  course_path loop, straight;
  float join_s;    // loop arc length of the join
  float finish_s;  // loop arc length of the finish line
  float start_line_s;  // straight arc length of the start line
  float funnel_end_s;  // straight arc length where it has narrowed to the track
  float extent;    // terrain side
  float ground_offset;  // subtracted from the raw ground
  uint32_t seed;
  float wave[4][4];     // ground waves: direction x, z, wave number, phase
};

// Nearest point of a path to (x, z): arc length, signed lateral offset
// (positive to the rider's right), distance beyond the edge (negative inside).
struct path_hit {
  bool found;
  float s, lateral, edge;
  int index;
};

// Builds both centre lines, design speeds and the bed. False (and a message on
// standard error) when the design is unusable.
bool course_build(const course_design *d, course *c);
// The low-frequency ground under the course, with hills beyond the object
// area, offset so that the start pad's level is 0.
float ground_height(const course *c, float x, float z);
// Bed height at arc length s and lateral offset on a path.
float course_bed_height(const course_path *p, float s, float lateral);
// Interpolated sample at arc length s (wrapped on a closed path, clamped on an open one).
path_sample course_sample_at(const course_path *p, float s);
// Loop arc length at a spline parameter of the control polygon.
float loop_s_at_param(const course *c, float t);
// Nearest point within `radius` of (x, z), through a spatial grid built on first use.
struct path_grid;
path_grid *path_grid_create(const course_path *p, float extent, float radius);
void path_grid_free(path_grid *g);
path_hit path_nearest(const path_grid *g, float x, float z);

// The designs of the kit's tracks, in writing order.
int course_design_count();
const course_design *course_design_at(int i);

// --- terrain ---------------------------------------------------------------------

struct terrain_grid {
  int size_shift, side;   // side = 2^(n+1) + 1
  float spacing;
  std::vector<float> heights;  // side * side, row = z
  // Per sample: which path covers it (0 none, 1 loop, 2 straight) and its hit.
  std::vector<uint8_t> owner;
  std::vector<path_hit> hit;
};

// Grows the heights from the ground and the track bed.
void terrain_generate(const course *c, terrain_grid *t);
// Heights quantised as terrain.hf stores them: min + v (max - min) / 65535.
void terrain_quantise(const terrain_grid *t, float *min_h, float *max_h, std::vector<uint16_t> *samples);

// --- surfaces, shading, gates, shapes ------------------------------------------------

// (2^n)^2 surface indices, row = z.
void tilemap_generate(const course *c, const terrain_grid *t, std::vector<uint8_t> *tiles);
// The kit's surface table for the tileinfo writer (texture names live in
// static storage); returns SURF_COUNT.
struct tileinfo_surface;
int tileinfo_table(tileinfo_surface *out);
// shadows.pgm values (row = z): the kit sun ray-cast over the heights, 255
// fully lit, 0 in full shadow, with a soft edge.
void shadows_generate(const terrain_grid *t, std::vector<unsigned char> *grey);
// shadingx2.ppm pixels (RGB, row = z) from the heights, the kit sun and the
// shadows.pgm values (nullptr: no shadows), as the game re-shades a sample.
void shading_generate(const terrain_grid *t, const std::vector<unsigned char> *shadows,
                      std::vector<unsigned char> *rgb);
// map.png pixels: MAP_SIDE^2 RGBA, column = x / extent, row = z / extent with
// the top row at z = 0; the track on a transparent ground.
constexpr int MAP_SIDE = 256;
void map_generate(const course *c, std::vector<unsigned char> *rgba);

// Placed objects of a track. Names point to static strings.
struct kit_objects {
  std::vector<statue_record> statues;
  std::vector<billboard_record> billboards;
  start_flagger_record starter;
  lap_board_record board;
  std::vector<flagger_record> flaggers;
};
// Statues (hay bales and tyre stacks along fast corners, the finish arch),
// billboards (trees, banners) and flaggers (start flagger, lap board, one
// flagger before each jump, watching the gates after it), every prop with a
// shape clear of the track.
void objects_generate(const course *c, kit_objects *out);
// The kit's lighting; `flares` holds the one flare on the sun that out points to.
void lighting_generate(lighting_record *out, std::vector<lens_flare_record> *flares);

struct timing_file;
void gates_generate(const course *c, timing_file *out);

struct shape_asset {
  const char *file;
  std::vector<collision_sphere> spheres;
};
// Every shape of the kit, in writing order.
void shapes_generate(std::vector<shape_asset> *out);

// --- helpers ---------------------------------------------------------------------

uint32_t name_seed(const char *name);  // FNV-1a of the name
float smoothstep01(float t);           // 3t^2 - 2t^3 on [0, 1], clamped

// Writes the whole staging tree under out_dir ("/"-terminated or not). False
// on the first failure, which has been reported on standard error.
// Writes the shipped riding lines ("lines_novice", "lines_amateur",
// "lines_expert") of a course into its track folder.
struct timing_file;
bool lines_generate(const course *c, const timing_file *g, const char *track_dir);

bool datakit_write_tree(const char *out_dir);
