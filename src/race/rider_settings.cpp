#include "race/rider_settings.h"

#include <cmath>

#include "config/settings.h"
#include "sim/bike.h"
#include "sim/drivetrain.h"
#include "sim/rider.h"
#include "sim/suspension.h"

bool (*arcade_disabled_hook)();

namespace {

float num(const number_item &item) { return (float)item.value; }
bool yes(const choice_item &item) { return item.selected == 1; }

struct assist_key {
  int setting;
  const number_item settings_record::*item;
  float scale;
};

const assist_key KEYS[] = {
    {ASSIST_ROLL_DAMPING, &settings_record::roll_damping, 1},
    {ASSIST_LEVELING, &settings_record::leveling, 1},
    {ASSIST_ROLL_LIMIT_FACTOR, &settings_record::roll_limit_factor, 1},
    {ASSIST_ROLL_LIMIT_ANGLE, &settings_record::roll_limit_angle, (float)(M_PI / 180)},
    {ASSIST_STEERING_DAMPING, &settings_record::steering_damping, 1},
    {ASSIST_STEERING_STRENGTH, &settings_record::steering_strength, 1},
    {ASSIST_MAX_STEERING_FORCE, &settings_record::max_steering_force, 1},
    {ASSIST_DIRECT_STEERING, &settings_record::direct_steering, 1},
    {ASSIST_SLOW_DAMPING_SPEED, &settings_record::slow_damping_speed, 1},
    {ASSIST_SLOW_DAMPING_FACTOR, &settings_record::slow_damping_factor, 1},
    {ASSIST_LAND_DAMPING_FALLOFF, &settings_record::land_damping_falloff, 1},
    {ASSIST_LAND_DAMPING_FACTOR, &settings_record::land_damping_factor, 1},
    {ASSIST_AUTO_CLUTCH_RPMS, &settings_record::auto_clutch_rpms, 1},
    {ASSIST_BRAKE_TORQUE, &settings_record::brake_torque, 1},
    {ASSIST_REAR_BRAKE_TORQUE, &settings_record::rear_brake_torque, 1},
    {ASSIST_MAX_DAB_SPEED, &settings_record::max_dab_speed, 22.0f / 15},  // mph to ft/s
    {ASSIST_RIDER_YSPRING, &settings_record::rider_yspring, 0.01f},
    {ASSIST_RIDER_YDAMPING, &settings_record::rider_ydamping, 0.01f},
    {ASSIST_RIDER_ZSPRING, &settings_record::rider_zspring, 0.01f},
    {ASSIST_RIDER_ZDAMPING, &settings_record::rider_zdamping, 0.01f},
};

// Suspension adjustments 0..100: damping 0.5..1.5 of the base, fractions 0..1.
float damping(const number_item &item) { return num(item) * 0.01f + 0.5f; }
float fraction(const number_item &item) { return num(item) * 0.01f; }

}  // namespace

void apply_rider_settings(bike *b) {
  const settings_record &s = settings;
  for (const assist_key &k : KEYS) bike_set_assist(b, k.setting, num(s.*k.item) * k.scale);

  bike_set_stop_wheelies(b, s.stop_wheelies.selected);
  bike_set_option(b, OPTION_FRONT_ANTILOCK, yes(s.front_brake));
  bike_set_option(b, OPTION_REAR_ANTILOCK, yes(s.rear_brake));
  bike_set_option(b, OPTION_AUTO_SHIFT, yes(s.auto_shift));
  bike_set_option(b, OPTION_AUTO_DAB, yes(s.auto_dab));
  bool arcade_off = arcade_disabled_hook && arcade_disabled_hook();
  bike_set_option(b, OPTION_ARCADE, yes(s.arcade) && !arcade_off);

  set_fork_adjustments(b, damping(s.fork_compression_adjustment), damping(s.fork_rebound_adjustment),
                       fraction(s.fork_spring_rate_adjustment), fraction(s.fork_preload_adjustment),
                       fraction(s.fork_oil_level_adjustment));
  set_shock_adjustments(b, damping(s.shock_compression_adjustment), damping(s.shock_rebound_adjustment),
                        fraction(s.shock_spring_rate_adjustment), fraction(s.shock_preload_adjustment));
  bike_set_sprocket_adjustments(b, num(s.front_sprocket_adjustment), num(s.rear_sprocket_adjustment));
  bike_set_rider_mass_distribution(b, num(s.rider_mass_distribution));
}
