// Surface types of the ground tiles: grip and rolling-resistance curves, the
// roost emitters and the blend codes the tile painting uses, with the curve
// evaluation the tyre contact calls every step (no allocation, float math).
//
// A curve holds MAX_CURVE_POINTS points; a zero speed key ends it. Friction is
// interpolated on squared sliding speeds, rolling resistance on plain speeds.
// An emitter whose kind is ROOST_OFF ends a surface's emitter list.
#pragma once
#include <cstdint>

enum { MAX_SURFACES = 256, MAX_CURVE_POINTS = 8, MAX_ROOST_TYPES = 4 };
enum { ROOST_OFF = 0, ROOST_DIRT = 1, ROOST_SPLASH = 2 };
// Texture names kept for the blend codes (longer names are cut).
enum { SURFACE_NAME_SIZE = 256 };

struct friction_point {
  float coefficient;
  float key;  // sliding speed, ft/s
};

struct roll_resist_point {
  float force_free;  // at no sinkage
  float force_sunk;  // at full sinkage
  float key;         // ft/s
};

struct roost_params {
  int32_t kind;
  uint32_t texture;
  float count;
  float dig;
  float slip_threshold;
  float slow_angle;
  float fast_angle;
  float slow_speed;
  float fast_speed;
  float size;
  float grow;
  float drag;
  float vscale;
  float randomize;
  uint8_t r, g, b, a;
  int8_t fade_r, fade_g, fade_b, fade_a;  // per simulation step
};

struct surface_type {
  uint32_t texture;
  friction_point friction_curve[MAX_CURVE_POINTS];
  roll_resist_point roll_resist_curve[MAX_CURVE_POINTS];
  roost_params roost[MAX_ROOST_TYPES];
  int32_t blend_code;  // base << 16 | overlay << 8 | corner mask, or -256
  char name[SURFACE_NAME_SIZE];  // texture file name without folder; "" for none
};

// An emitter with every default and the given kind; the texture is left 0
// (the loaders fill in "@roost.png").
roost_params roost_defaults(int32_t kind);
// The surface before any statement: constant friction 1, forces 5 and 15, no
// roost, no texture.
void surface_defaults(surface_type *s);
// Constant curves: one point with key 1, the others with key 0.
void set_constant_friction(surface_type *s, float coefficient);
void set_constant_roll_resist(surface_type *s, float force_free, float force_sunk);

// Sorts the first `count` points by speed key (the exchange sort the files
// rely on: ties keep no particular order).
void sort_friction_points(friction_point *p, int count);
void sort_roll_resist_points(roll_resist_point *p, int count);

// Coefficient at sliding speed v (ft/s, v >= 0).
float surface_friction(const surface_type *s, float v);
// Both rolling-resistance forces at speed v.
void surface_roll_resist(const surface_type *s, float v, float *force_free, float *force_sunk);

// Fills blend_code of surfaces 0..count-1 from their names.
void compute_blend_codes(surface_type *surfaces, int count);
