#include "sim/suspension.h"

#include <cmath>

#include "sim/bike.h"

namespace {

float between(float lo, float hi, float fraction) { return lo + clamp_value(fraction, 0, 1) * (hi - lo); }
double clamp(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

// Force of the air column above the fork oil: 0 at full extension, steep
// towards the top of the column.
const double AIR_SPRING = 82.46169;

// A motor that always pushes with |force| in the direction of its sign.
void set_motor(dJointID j, bool slider, double force) {
  if (!std::isfinite(force)) force = 0;
  double vel = force >= 0 ? 1000 : -1000;
  if (slider) {
    dJointSetSliderParam(j, dParamVel, vel);
    dJointSetSliderParam(j, dParamFMax, std::fabs(force));
  } else {
    dJointSetHingeParam(j, dParamVel, vel);
    dJointSetHingeParam(j, dParamFMax, std::fabs(force));
  }
}

}  // namespace

void set_fork_adjustments(bike *b, float compression, float rebound, float spring, float preload, float oil) {
  const bike_spec &s = b->spec;
  b->fork_compression = clamp_value(compression, 0, 2) * s.fork_compression_damping;
  b->fork_rebound = clamp_value(rebound, 0, 2) * s.fork_rebound_damping;
  b->fork_spring = between(s.fork_spring_soft, s.fork_spring_stiff, spring);
  b->fork_preload = between(s.fork_preload_min, s.fork_preload_max, preload);
  b->fork_air = between(s.fork_air_min, s.fork_air_max, oil);
}

void set_shock_adjustments(bike *b, float compression, float rebound, float spring, float preload) {
  const bike_spec &s = b->spec;
  b->shock_compression = clamp_value(compression, 0, 2) * s.shock_compression_damping;
  b->shock_rebound = clamp_value(rebound, 0, 2) * s.shock_rebound_damping;
  b->shock_spring = between(s.shock_spring_soft, s.shock_spring_stiff, spring);
  b->shock_preload = between(s.shock_preload_min, s.shock_preload_max, preload);
}

void apply_suspension_adjustments(bike *b, const float fork[5], const float shock[4]) {
  set_fork_adjustments(b, fork[0] * 0.01f + 0.5f, fork[1] * 0.01f + 0.5f, fork[2] * 0.01f, fork[3] * 0.01f,
                       fork[4] * 0.01f);
  set_shock_adjustments(b, shock[0] * 0.01f + 0.5f, shock[1] * 0.01f + 0.5f, shock[2] * 0.01f, shock[3] * 0.01f);
}

double fork_force(const bike *b, double x, double v) {
  double travel = b->spec.fork_travel;
  if (!(travel > 0) || !std::isfinite(x) || !std::isfinite(v)) return 0;
  double damping = v * (v >= 0 ? b->fork_rebound : b->fork_compression);
  double c = clamp(-x, 0, travel);
  double column = travel + b->fork_air;
  // c <= travel keeps the remaining column at least fork_air long; a column
  // adjusted to nothing gives no air spring rather than a division by zero.
  double air = column - c > 1e-6 ? AIR_SPRING * (column / (column - c) - 1) : 0;
  double f = (b->fork_preload - x) * b->fork_spring - damping + air;
  f *= clamp(-32 * x / travel, 0, 1);
  return std::isfinite(f) ? f : 0;
}

double shock_torque(const bike *b, double theta, double omega) {
  const bike_spec &s = b->spec;
  double range = s.swingarm_travel;
  if (!(range > 0) || !std::isfinite(theta) || !std::isfinite(omega)) return 0;
  double k1 = s.linkage_ratio_extended, k2 = s.linkage_ratio_compressed;
  double f = -theta / range;
  double r = k1 + (k2 - k1) * f / range;
  double disp = k1 * f + 0.5 * (k2 - k1) * f * f / range;
  double d = -omega * (omega >= 0 ? b->shock_rebound : b->shock_compression);
  double torque = r * (disp + b->shock_preload) * b->shock_spring + r * r * d;
  torque *= clamp(-32 * theta / range, 0, 1);
  return std::isfinite(torque) ? torque : 0;
}

void suspension_step(bike *b) {
  set_motor(b->fork_slider, true,
            fork_force(b, dJointGetSliderPosition(b->fork_slider), dJointGetSliderPositionRate(b->fork_slider)));
  set_motor(b->swingarm_pivot, false,
            shock_torque(b, dJointGetHingeAngle(b->swingarm_pivot), dJointGetHingeAngleRate(b->swingarm_pivot)));
}
