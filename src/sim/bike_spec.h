// Bike specifications: the compiled-in table of every bike model the game
// knows (geometry, masses, suspension ranges, gearing, torque tables, model
// and texture names), lookup by name with a fallback, the renames of old model
// names, and the value conversions the customisation screens display.
//
// The table is built on first use and never changes afterwards; every pointer
// it hands out stays valid for the whole program. Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>

enum { BIKE_SPEC_COUNT = 18, GEAR_COUNT = 6, TORQUE_ENTRIES = 50 };

// Lengths in feet, masses in slugs, forces in pounds-force, rates per second.
struct bike_spec {
  const char *name;
  float front_axle_position[3];
  float front_major_radius, front_minor_radius, front_tyre_mass, front_hub_radius, front_hub_mass;
  float rear_axle_position[3];
  float rear_major_radius, rear_minor_radius, rear_tyre_mass, rear_hub_radius, rear_hub_mass;
  float chassis_position[3];
  float chassis_mass;
  float chassis_size[3];
  float fork_upper_position[3];
  float swingarm_position[3];
  float swingarm_pivot[3];
  float fork_lower_position[3];
  float fork_tube_spacing, fork_tube_length, fork_mass;
  float fork_spring_soft, fork_spring_stiff;
  float fork_preload_min, fork_preload_max;
  float fork_air_min, fork_air_max;
  float fork_compression_damping, fork_rebound_damping, fork_travel;
  float swingarm_mass;
  float shock_spring_soft, shock_spring_stiff;
  float shock_preload_min, shock_preload_max;
  float shock_compression_damping, shock_rebound_damping;
  float swingarm_travel;
  float linkage_ratio_extended, linkage_ratio_compressed;
  float primary_ratio, front_sprocket, rear_sprocket;
  float gear_ratios[GEAR_COUNT];  // a value <= 0 marks a missing gear
  float engine_inertia;
  float torque_closed[TORQUE_ENTRIES];  // index = rpm / 500
  float torque_open[TORQUE_ENTRIES];
  float downshift_rpm, upshift_rpm;
  float spare_rpm;  // carried along with the table, read by nothing
  int32_t two_stroke;
  float rider_slide_axis[3];
  float rider_position[3];
  float rider_slide_min, rider_slide_max;
  float rider_mass;

  const char *frame_model, *frame_shape, *graphics_texture;
  const char *fork_upper_model, *fork_upper_shape;
  const char *fork_lower_model, *fork_lower_shape;
  const char *swingarm_model, *swingarm_shape;
  const char *front_wheel_model, *front_wheel_shape;
  const char *rear_wheel_model, *rear_wheel_shape;
  const char *wheel_texture;
  const char *rider_head_model, *rider_head_texture;
  const char *rider_body_model, *rider_body_fp_model, *rider_shape, *rider_texture;
  const char *side_plates_model, *front_plate_model, *rider_plate_model;

  // Rider geometry; index 0 is the left side (negative x).
  float rider_draw_point[3];
  float hand_points[2][3];  // on the rider body
  float hip_points[2][3];   // on the rider body
  float grip_points[2][3];  // on fork_upper
  float peg_points[2][3];   // on the chassis
  float upper_arm_length, forearm_length, thigh_length, shin_length;
  const void *rider_drawing;  // shared drawing data, filled in by the renderer
};

// The i-th entry in table order, nullptr outside 0..BIKE_SPEC_COUNT-1.
const bike_spec *bike_spec_at(int i);
// Exact match, or nullptr.
const bike_spec *bike_spec_exact(const char *name);
// Exact match; otherwise the first entry containing "125" (when the name does)
// or "250f", else the first entry, and the substitution is posted as a message.
// A null name counts as not found. Never returns nullptr.
const bike_spec *bike_spec_find(const char *name);
// The current name of an old model name ("crf250" -> "crf250(2008)" ...),
// or the name itself.
const char *bike_spec_rename(const char *name);
// Whether the bike menu offers the model (every one but 125sx).
bool bike_spec_offered(const bike_spec *spec);

// Values the customisation screens show.
enum spec_display {
  DISPLAY_FORK_SPRING,   // "%.3f kg/mm"
  DISPLAY_SHOCK_SPRING,  // "%.2f kg/mm"
  DISPLAY_FORK_PRELOAD,  // "%.2f mm"
  DISPLAY_FORK_OIL,      // "%.2f mm", the air column length
  DISPLAY_SHOCK_PRELOAD, // "%.2f mm"
  DISPLAY_FRONT_SPROCKET,  // "%.2f teeth"
  DISPLAY_REAR_SPROCKET,   // "%.2f teeth"
  DISPLAY_COUNT
};
// The displayed number. For the suspension values `position` is the fraction
// 0..1 (clamped) between the two range values; for the sprockets it is the
// adjustment in teeth added to the bike_spec tooth count.
double bike_spec_display_value(const bike_spec *spec, int which, double position);
// The value formatted with its unit into buf (always terminated); returns buf.
char *bike_spec_display_text(const bike_spec *spec, int which, double position, char *buf, size_t size);
