#include "sim/bike_spec.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/message_log.h"

namespace {

#define GEARS_CRF 2.14286f, 1.75f, 1.45f, 1.22727f, 1.04167f, 0
#define GEARS_KX 2.14286f, 1.78571f, 1.44444f, 1.2f, 1.05263f, 0
#define GEARS_RMZ 2.15385f, 1.76471f, 1.47059f, 1.2381f, 1.09091f, 0
#define GEARS_YZ GEARS_CRF
#define FOUR 4.24f, 0.703125f, 0.504375f
#define TWO 3.65375f, 0.739688f, 0.541875f

const float T_CRF09[] = {6.4f, 7.9f, 9.4f, 10.8f, 12.3f, 13.8f, 15.3f, 16.3f, 17.76f, 19.1f, 19.9f, 20.27f,
                         20.39f, 20.23f, 19.99f, 19.21f, 18.69f, 18.23f, 17.21f, 16.61f, 15.92f, 15.21f,
                         13.97f, 0};
const float T_KX09[] = {6.5f, 8.1f, 9.7f, 11.3f, 12.9f, 14.54f, 13.72f, 16.03f, 17.62f, 18.9f, 19.62f, 19.79f,
                        19.55f, 19.28f, 18.89f, 18.52f, 18.04f, 17.24f, 16.68f, 16.16f, 15.49f, 14.61f,
                        13.58f, 0};
const float T_RMZ09[] = {6.4f, 7.9f, 9.3f, 10.8f, 12.2f, 13.75f, 13.68f, 16.18f, 17.42f, 18.45f, 19.49f,
                         20.15f, 20.24f, 19.8f, 19.18f, 18.55f, 17.97f, 17.42f, 16.85f, 15.97f, 15.27f,
                         14.45f, 13.23f, 0};
const float T_YZ09[] = {6.4f, 7.9f, 9.4f, 10.8f, 12.3f, 13.83f, 15.13f, 16.52f, 18.15f, 19.3f, 19.83f, 20,
                        20.07f, 19.92f, 19.61f, 19.2f, 18.72f, 18.06f, 17.17f, 16.99f, 16.31f, 15.48f,
                        14.44f, 0};
const float T_CRF08[] = {6.2f, 7.5f, 8.7f, 10, 11.2f, 12.5f, 14.3f, 14.2f, 15.2f, 16.4f, 17.9f,
                         18.5f, 18.8f, 19, 19.1f, 18.3f, 17.9f, 17.4f, 16.7f, 15.6f, 14.8f, 13.9f};
const float T_KX08[] = {6.3f, 7.7f, 9.1f, 10.4f, 11.8f, 13.2f, 13.8f, 14.8f, 16.1f, 17.4f, 18.5f,
                        18.8f, 19, 18.8f, 18.7f, 18.3f, 17.9f, 17, 16.3f, 15.1f, 14.3f, 13.2f};
const float T_RMZ08[] = {6.3f, 7.7f, 9, 10.4f, 11.7f, 13.1f, 14.8f, 15.2f, 16.3f, 17.2f, 18.4f,
                         19, 19.3f, 18.9f, 18.4f, 17.9f, 17.4f, 16.6f, 16.2f, 15.5f, 14.7f, 14};
const float T_YZ08[] = {6.1f, 7.3f, 8.5f, 9.6f, 10.8f, 12, 12.7f, 13.7f, 15.4f, 17.5f, 18.6f,
                        18.9f, 19, 18.9f, 18.3f, 18.1f, 17.7f, 16.8f, 15.8f, 14.9f, 14, 13};
const float T_CR125[] = {5.7f, 6.4f, 7.2f, 7.9f, 8.6f, 9.4538f, 10.2177f, 10.3292f, 10.6658f, 11.4046f,
                         12.465f, 13.2616f, 14.1498f, 14.7643f, 15.8116f, 15.9664f, 15.9064f, 15.7563f,
                         15.117f, 12.7364f, 2.10085f};
const float T_KX125[] = {5.8f, 6.7f, 7.6f, 8.4f, 9.3f, 10.1891f, 10.0268f, 10.1541f, 11.3122f, 12.0048f,
                         12.325f, 13.0646f, 14.6441f, 15.8731f, 16.8068f, 16.5967f, 16.4566f, 16.1861f,
                         14.2492f, 10.2416f, 5.50421f};
const float T_RM125[] = {5.6f, 6.3f, 7, 7.6f, 8.3f, 9.03364f, 10.1223f, 9.80394f, 9.69621f, 11.2545f,
                         11.9048f, 12.1455f, 13.2848f, 14.5308f, 15.2035f, 16.229f, 16.5066f, 16.4725f,
                         16.4414f, 15.3187f, 12.6051f, 10.5042f, 4.2795f};
const float T_YZ125[] = {6, 7.1f, 8.2f, 9.3f, 10.4f, 11.5546f, 10.7907f, 10.5042f, 12.1203f, 13.1303f,
                         13.6555f, 13.7868f, 14.2734f, 14.881f, 15.3693f, 15.8614f, 15.7063f, 15.6608f,
                         15.1626f, 13.6555f, 5.04203f};
const float T_125SX[] = {5.3f, 5.7f, 6.1f, 6.5f, 6.9f, 7.3f, 7.7f, 8.14077f, 10.585f, 11.6297f, 13.0953f,
                         14.1151f, 15.0149f, 15.4646f, 16.3092f, 17.0168f, 17.407f, 16.8545f, 15.6193f,
                         13.2616f, 10.5042f};
const float T_CRF07[] = {6.3f, 7.7f, 9.1f, 10.5f, 11.8f, 13.2f, 14.6f, 16, 16.8f, 17.6f, 18.6f,
                         19, 19, 19, 18.5f, 18, 17.5f, 16.9f, 16.1f, 15.4f, 14.7f, 13.6f};
const float T_KX07[] = {6.2f, 7.5f, 8.8f, 10.1f, 11.3f, 12.6f, 13.9f, 15.2f, 16.8f, 18.4f, 19.3f,
                        19.6f, 19.5f, 19.4f, 19.2f, 18.6f, 17.7f, 17.1f, 16.1f, 15.2f, 14.1f, 13.4f};
const float T_RMZ07[] = {6.5f, 8, 9.5f, 11, 12.5f, 14, 15.6f, 16.2f, 17.3f, 18, 19,
                         19.9f, 19.9f, 19.5f, 18.7f, 18.2f, 17.5f, 17, 16.3f, 15.6f, 14.7f, 14};
const float T_YZ07[] = {6, 7, 8, 9, 10, 11, 12, 13, 15, 17.4f, 18.2f,
                        18.3f, 18.3f, 17.7f, 17.6f, 17.2f, 16.7f, 16.1f, 15.3f, 14.5f, 13.4f, 12.7f};

// What differs between the models; everything else is shared.
struct model_source {
  const char *name;
  float chassis_mass, fork_mass, swingarm_mass, primary, front_sprocket, rear_sprocket;
  float gears[GEAR_COUNT];
  float downshift, upshift;
  int two_stroke;
  const char *prefix;
  const char *graphics;
  float spare_rpm;
  const float *torque;
  int torque_count;
};

#define N(t) t, (int)(sizeof t / sizeof t[0])

const model_source MODELS[BIKE_SPEC_COUNT] = {
    {"crf250(2009)", FOUR, 3.16667f, 13, 51, {GEARS_CRF}, 8000, 12500, 0, "crf250", nullptr, 13250, N(T_CRF09)},
    {"kx250f(2009)", FOUR, 3.35f, 13, 48, {GEARS_KX}, 8000, 12500, 0, "kx250f", nullptr, 13250, N(T_KX09)},
    {"rmz250(2009)", FOUR, 3.21053f, 13, 48, {GEARS_RMZ}, 8000, 12500, 0, "rmz250", nullptr, 13250, N(T_RMZ09)},
    {"yz250f(2009)", FOUR, 3.35294f, 13, 48, {GEARS_YZ}, 8000, 12500, 0, "yz250f", nullptr, 13250, N(T_YZ09)},
    {"crf250(2008)", FOUR, 3.16667f, 13, 51, {GEARS_CRF}, 8000, 12500, 0, "crf250", nullptr, 13250, N(T_CRF08)},
    {"kx250f(2008)", FOUR, 3.35f, 13, 48, {GEARS_KX}, 8000, 12500, 0, "kx250f", nullptr, 13250, N(T_KX08)},
    {"rmz250(2008)", FOUR, 3.21053f, 13, 48, {GEARS_RMZ}, 8000, 12500, 0, "rmz250", nullptr, 13250, N(T_RMZ08)},
    {"yz250f(2008)", FOUR, 3.35294f, 13, 48, {GEARS_YZ}, 8000, 12500, 0, "yz250f", nullptr, 13250, N(T_YZ08)},
    {"cr125", TWO, 3.15f, 13, 52, {2.35714f, 1.86667f, 1.57895f, 1.29412f, 1.13333f, 0}, 9400, 12000, 1, "cr125",
     nullptr, 12750, N(T_CR125)},
    {"kx125", TWO, 3.2f, 13, 51, {2.38462f, 1.85714f, 1.52941f, 1.29412f, 1.125f, 1}, 9400, 12000, 1, "kx125",
     nullptr, 12750, N(T_KX125)},
    {"rm125", TWO, 3.36842f, 12, 50, {2.07143f, 1.6875f, 1.44444f, 1.2f, 1.05263f, 0.95f}, 9400, 12000, 1, "rm125",
     nullptr, 13750, N(T_RM125)},
    {"yz125", TWO, 3.36842f, 13, 48, {2.38462f, 1.93333f, 1.58824f, 1.35294f, 1.2f, 1.09524f}, 9400, 12000, 1,
     "yz125", nullptr, 12750, N(T_YZ125)},
    {"125sx", TWO, 3.04348f, 13, 50, {2.46154f, 2, 1.64706f, 1.4f, 1.21053f, 1.09091f}, 9400, 12000, 1, "125sx",
     nullptr, 12750, N(T_125SX)},
    {"crf250(2007)", FOUR, 3.16667f, 13, 51, {GEARS_CRF}, 8000, 12500, 0, "crf250", nullptr, 13250, N(T_CRF07)},
    {"kx250f(2007)", FOUR, 3.35f, 13, 48, {GEARS_KX}, 8000, 12500, 0, "kx250f", nullptr, 13250, N(T_KX07)},
    {"rmz250(2007)", FOUR, 3.21053f, 13, 48, {GEARS_RMZ}, 8000, 12500, 0, "rmz250", nullptr, 13250, N(T_RMZ07)},
    {"yz250f(2007)", FOUR, 3.35294f, 13, 48, {GEARS_YZ}, 8000, 12500, 0, "yz250f", nullptr, 13250, N(T_YZ07)},
    {"yz250f_se(2006)", FOUR, 3.35294f, 13, 48, {GEARS_YZ}, 8000, 12500, 0, "yz250f", "@yz250f_se.png", 13250,
     N(T_YZ07)},
};

// Per-model names built from the prefix.
enum { NAME_FRAME, NAME_GRAPHICS, NAME_FORK_UPPER, NAME_FORK_LOWER, NAME_SWINGARM, NAME_SIDE_PLATES,
       NAME_FRONT_PLATE, NAME_KINDS };
enum { NAME_SIZE = 48 };

struct spec_table {
  bool built;
  bike_spec specs[BIKE_SPEC_COUNT];
  char names[BIKE_SPEC_COUNT][NAME_KINDS][NAME_SIZE];
};
spec_table table;

void set3(float *v, float x, float y, float z) {
  v[0] = x;
  v[1] = y;
  v[2] = z;
}

void build_shared(bike_spec *s) {
  set3(s->front_axle_position, 0, 1.09f, 1.11f);
  s->front_major_radius = 0.833333f;
  s->front_minor_radius = 0.333333f;
  s->front_tyre_mass = 0.40625f;
  s->front_hub_radius = 0.5f;
  s->front_hub_mass = 0.15625f;
  set3(s->rear_axle_position, 0, 1.04f, 6);
  s->rear_major_radius = 0.75f;
  s->rear_minor_radius = 0.333333f;
  s->rear_tyre_mass = 0.46875f;
  s->rear_hub_radius = 0.5f;
  s->rear_hub_mass = 0.3125f;
  set3(s->chassis_position, 0, 1.98f, 3.6f);
  set3(s->chassis_size, 0.833333f, 1.66667f, 1.66667f);
  set3(s->fork_upper_position, 0, 2.9f, 2.16f);
  set3(s->swingarm_position, 0, 1.34f, 4.99f);
  set3(s->swingarm_pivot, 0, 1.58f, 4.17f);
  set3(s->fork_lower_position, 0, 1.77f, 1.59f);
  s->fork_tube_spacing = 0.833333f;
  s->fork_tube_length = 3;
  s->fork_spring_soft = 510.696f;
  s->fork_spring_stiff = 698.848f;
  s->fork_preload_min = 0;
  s->fork_preload_max = 0.0833333f;
  s->fork_air_min = 0.416667f;
  s->fork_air_max = 0.25f;
  s->fork_compression_damping = 60;
  s->fork_rebound_damping = 30;
  s->fork_travel = 1;
  s->shock_spring_soft = 2217.5f;
  s->shock_spring_stiff = 4031.81f;
  s->shock_preload_min = 0;
  s->shock_preload_max = 0.0275f;
  s->shock_compression_damping = 800;
  s->shock_rebound_damping = 600;
  s->swingarm_travel = 0.55f;
  s->linkage_ratio_extended = 0.615385f;
  s->linkage_ratio_compressed = 0.615385f;
  s->engine_inertia = 0.0048828125f;
  set3(s->rider_slide_axis, 0, 0.0833333f, 0.0833333f);
  set3(s->rider_position, 0, 4.5f, 4.12f);
  s->rider_slide_min = -0.666667f;
  s->rider_slide_max = 0.5f;
  s->rider_mass = 4.6875f;

  s->frame_shape = "@generic_frame.shp";
  s->fork_upper_shape = "@generic_fork_upper.shp";
  s->fork_lower_shape = "@generic_fork_lower.shp";
  s->swingarm_shape = "@generic_swingarm.shp";
  s->front_wheel_model = "@front_wheel.jm";
  s->front_wheel_shape = "@front_wheel.shp";
  s->rear_wheel_model = "@rear_wheel.jm";
  s->rear_wheel_shape = "@rear_wheel.shp";
  s->wheel_texture = "@wheels.png";
  s->rider_head_model = "@rider_head.jm";
  s->rider_head_texture = "@rider_head.png";
  s->rider_body_model = "@rider_body.jm";
  s->rider_body_fp_model = "@rider_body_fp.jm";
  s->rider_shape = "@generic_rider.shp";
  s->rider_texture = "@rider_body.png";
  s->rider_plate_model = "@rider_plate.jm";

  set3(s->rider_draw_point, 0, 0.808383f, -0.943369f);
  for (int side = 0; side < 2; side++) {
    float sign = side == 0 ? -1.0f : 1.0f;
    set3(s->hand_points[side], sign * 0.556f, 0.580375f, -0.654514f);
    set3(s->hip_points[side], sign * 0.269f, -0.570887f, 0.670607f);
    set3(s->grip_points[side], sign * 1.097f, 1.145f, 0.753f);
    set3(s->peg_points[side], sign * 0.6f, -0.557f, 0.584f);
  }
  s->upper_arm_length = 0.9f;
  s->forearm_length = 1.15f;
  s->thigh_length = 1.328f;
  s->shin_length = 1.701f;
  s->rider_drawing = nullptr;
}

// -floor(k / 2), the tail rule every torque table falls into.
float falling_tail(int k) { return -std::floor(k / 2.0f); }

const float TWO_STROKE_CLOSED[22] = {2, 1, 0, 0, -1, -1.2f, -1.4f, -1.6f, -1.8f, -2, -2.25f,
                                     -2.5f, -2.75f, -3, -3.33f, -3.67f, -4, -5, -6, -7, -8, -9};

void build_torque(bike_spec *s, const model_source &m) {
  for (int i = 0; i < TORQUE_ENTRIES; i++) {
    if (m.two_stroke)
      s->torque_closed[i] = i < 22 ? TWO_STROKE_CLOSED[i] : falling_tail(i - 2);
    else
      s->torque_closed[i] = i == 0 ? 2 : i == 1 ? 1 : i < 4 ? 0 : falling_tail(i - 2);
    if (i < 5)
      s->torque_open[i] = 5;
    else if (i - 5 < m.torque_count)
      s->torque_open[i] = m.torque[i - 5];
    else
      s->torque_open[i] = falling_tail(i - 26);
  }
}

void build_table() {
  if (table.built) return;
  for (int i = 0; i < BIKE_SPEC_COUNT; i++) {
    const model_source &m = MODELS[i];
    bike_spec *s = &table.specs[i];
    memset(s, 0, sizeof *s);
    build_shared(s);
    s->name = m.name;
    s->chassis_mass = m.chassis_mass;
    s->fork_mass = m.fork_mass;
    s->swingarm_mass = m.swingarm_mass;
    s->primary_ratio = m.primary;
    s->front_sprocket = m.front_sprocket;
    s->rear_sprocket = m.rear_sprocket;
    for (int g = 0; g < GEAR_COUNT; g++) s->gear_ratios[g] = m.gears[g];
    s->downshift_rpm = m.downshift;
    s->upshift_rpm = m.upshift;
    s->spare_rpm = m.spare_rpm;
    s->two_stroke = m.two_stroke;
    build_torque(s, m);

    char(*n)[NAME_SIZE] = table.names[i];
    snprintf(n[NAME_FRAME], NAME_SIZE, "@%s_frame.jm", m.prefix);
    if (m.graphics)
      snprintf(n[NAME_GRAPHICS], NAME_SIZE, "%s", m.graphics);
    else
      snprintf(n[NAME_GRAPHICS], NAME_SIZE, "@%s.png", m.prefix);
    snprintf(n[NAME_FORK_UPPER], NAME_SIZE, "@%s_fork_upper.jm", m.prefix);
    snprintf(n[NAME_FORK_LOWER], NAME_SIZE, "@%s_fork_lower.jm", m.prefix);
    snprintf(n[NAME_SWINGARM], NAME_SIZE, "@%s_swingarm.jm", m.prefix);
    snprintf(n[NAME_SIDE_PLATES], NAME_SIZE, "@%s_side_plates.jm", m.prefix);
    snprintf(n[NAME_FRONT_PLATE], NAME_SIZE, "@%s_front_plate.jm", m.prefix);
    s->frame_model = n[NAME_FRAME];
    s->graphics_texture = n[NAME_GRAPHICS];
    s->fork_upper_model = n[NAME_FORK_UPPER];
    s->fork_lower_model = n[NAME_FORK_LOWER];
    s->swingarm_model = n[NAME_SWINGARM];
    s->side_plates_model = n[NAME_SIDE_PLATES];
    s->front_plate_model = n[NAME_FRONT_PLATE];
  }
  table.built = true;
}

struct display_rule {
  float bike_spec::*low;
  float bike_spec::*high;
  double factor;
  const char *format;
};

const display_rule DISPLAY_RULES[DISPLAY_COUNT] = {
    {&bike_spec::fork_spring_soft, &bike_spec::fork_spring_stiff, 0.0007440819724087572, "%.3f kg/mm"},
    {&bike_spec::shock_spring_soft, &bike_spec::shock_spring_stiff, 0.0014881639448175144, "%.2f kg/mm"},
    {&bike_spec::fork_preload_min, &bike_spec::fork_preload_max, 304.79999999999995, "%.2f mm"},
    {&bike_spec::fork_air_min, &bike_spec::fork_air_max, 304.79999999999995, "%.2f mm"},
    {&bike_spec::shock_preload_min, &bike_spec::shock_preload_max, 304.79999999999995, "%.2f mm"},
    {&bike_spec::front_sprocket, nullptr, 1, "%.2f teeth"},
    {&bike_spec::rear_sprocket, nullptr, 1, "%.2f teeth"},
};

}  // namespace

const bike_spec *bike_spec_at(int i) {
  build_table();
  if (i < 0 || i >= BIKE_SPEC_COUNT) return nullptr;
  return &table.specs[i];
}

const bike_spec *bike_spec_exact(const char *name) {
  build_table();
  if (!name) return nullptr;
  for (int i = 0; i < BIKE_SPEC_COUNT; i++)
    if (strcmp(table.specs[i].name, name) == 0) return &table.specs[i];
  return nullptr;
}

const bike_spec *bike_spec_find(const char *name) {
  const bike_spec *s = bike_spec_exact(name);
  if (s) return s;
  const char *pattern = name && strstr(name, "125") ? "125" : "250f";
  s = &table.specs[0];
  for (int i = 0; i < BIKE_SPEC_COUNT; i++) {
    if (strstr(table.specs[i].name, pattern)) {
      s = &table.specs[i];
      break;
    }
  }
  post_messagef("bike info for '%.20s' not found using '%.20s' instead", name ? name : "", s->name);
  return s;
}

const char *bike_spec_rename(const char *name) {
  static const char *const RENAMES[][2] = {
      {"crf250", "crf250(2008)"}, {"kx250f", "kx250f(2008)"}, {"rmz250", "rmz250(2008)"}, {"yz250f", "yz250f(2008)"}};
  if (!name) return name;
  for (const auto &r : RENAMES)
    if (strcmp(name, r[0]) == 0) return r[1];
  return name;
}

bool bike_spec_offered(const bike_spec *spec) { return spec && strcmp(spec->name, "125sx") != 0; }

double bike_spec_display_value(const bike_spec *spec, int which, double position) {
  if (!spec || which < 0 || which >= DISPLAY_COUNT) return 0;
  const display_rule &r = DISPLAY_RULES[which];
  if (!r.high) return (spec->*r.low + position) * r.factor;
  if (!(position >= 0)) position = 0;  // NaN too
  if (position > 1) position = 1;
  double low = spec->*r.low, high = spec->*r.high;
  return (low + position * (high - low)) * r.factor;
}

char *bike_spec_display_text(const bike_spec *spec, int which, double position, char *buf, size_t size) {
  if (!buf || size == 0) return buf;
  buf[0] = 0;
  if (!spec || which < 0 || which >= DISPLAY_COUNT) return buf;
  snprintf(buf, size, DISPLAY_RULES[which].format, bike_spec_display_value(spec, which, position));
  return buf;
}
