#include "sim/drivetrain.h"

#include <cmath>

#include "sim/bike.h"
#include "sim/world.h"

namespace {

constexpr double RPM_PER_RAD_S = 9.549296585513721;
constexpr double CLUTCH_STIFFNESS = 7500;  // lbf ft per rad of wind-up
constexpr double CLUTCH_DAMPING = 0.75;    // lbf ft per rad/s of slip
constexpr double AUTO_CLUTCH_SPAN = 2000;  // rpm over which the automatic clutch engages

// Into [-pi, pi] by one turn at most (the wind-up never strays further).
double wrap_once(double a) {
  if (a > M_PI) return a - 2 * M_PI;
  if (a < -M_PI) return a + 2 * M_PI;
  return a;
}

// Into [-pi, pi] however far out; a non-finite angle restarts at 0.
double wrap_fully(double a) {
  if (!std::isfinite(a)) return 0;
  if (a > M_PI || a < -M_PI) a = std::remainder(a, 2 * M_PI);
  return a;
}

double clamp(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

void set_brake(dJointID axle, double torque) {
  dJointSetHingeParam(axle, dParamVel, 0);
  dJointSetHingeParam(axle, dParamFMax, torque);
}

void auto_shift(bike *b) {
  if (!bike_option(b, OPTION_AUTO_SHIFT)) return;
  if (!(dJointGetHingeAngle(b->swingarm_pivot) < -0.01)) return;
  if (positive_mod(sim.sim_tick, 32) != 0 || wheel_slips(b, 1)) return;
  double w = dJointGetHingeAngleRate(b->rear_axle) * drive_reduction(b, b->gear) * RPM_PER_RAD_S;
  if (w < b->spec.downshift_rpm)
    bike_set_gear(b, b->gear - 1);
  else if (w > b->spec.upshift_rpm)
    bike_set_gear(b, b->gear + 1);
}

// Stop wheelies (Yes): no drive while only the rear touches and the nose is
// not already falling.
bool wheelie_cut(const bike *b) {
  if (bike_stop_wheelies(b) != STOP_WHEELIES_YES) return false;
  if (wheel_touches(b, 0) || !wheel_touches(b, 1)) return false;
  const dReal *w = dBodyGetAngularVel(b->chassis);
  dVector3 local;
  dBodyVectorFromWorld(b->chassis, w[0], w[1], w[2], local);
  return local[0] > -1.0 / 32;
}

}  // namespace

void bike_set_gear(bike *b, int g) {
  g = g < 0 ? 0 : g > GEAR_COUNT - 1 ? GEAR_COUNT - 1 : g;
  while (g > 0 && !(b->spec.gear_ratios[g] > 0)) g--;
  b->gear = g;
}

void bike_set_sprocket_adjustments(bike *b, float front_adjustment, float rear_adjustment) {
  float rear = b->spec.rear_sprocket + clamp_value(rear_adjustment, -1e6f, 1e6f);
  float front = b->spec.front_sprocket + clamp_value(front_adjustment, -1e6f, 1e6f);
  b->final_drive = (rear > 3 ? rear : 3) / (front > 3 ? front : 3);
}

double drive_reduction(const bike *b, int g) {
  if (g < 0 || g >= GEAR_COUNT) return 0;
  return (double)b->spec.gear_ratios[g] * b->spec.primary_ratio * b->final_drive;
}

int torque_index(double rpm) {
  double x = rpm * 0.002 + 0.5;
  if (!(x >= 0)) return 0;  // negative speeds and NaN
  if (x >= TORQUE_ENTRIES - 1) return TORQUE_ENTRIES - 1;
  return (int)x;
}

double engine_torque(const bike *b, double rpm, double throttle) {
  int i = torque_index(rpm);
  double closed = b->spec.torque_closed[i], open = b->spec.torque_open[i];
  return closed + (open - closed) * throttle;
}

double drive_engagement(const bike *b, double rpm) {
  double lever = b->controls.clutch, a = b->auto_clutch_rpms;
  if (rpm > a + AUTO_CLUTCH_SPAN) return lever;
  return std::fmin(clamp((rpm - a) / AUTO_CLUTCH_SPAN, 0, 1), lever);
}

bool wheel_touches(const bike *b, int wheel) { return b->wheels[wheel].depth > 0; }

bool wheel_slips(const bike *b, int wheel) {
  const float *v = b->wheels[wheel].velocity;
  return wheel_touches(b, wheel) && v[0] * v[0] + v[1] * v[1] + v[2] * v[2] > 4;
}

void drivetrain_step(bike *b) {
  auto_shift(b);

  double rpm = b->engine_speed * RPM_PER_RAD_S;
  double engine = engine_torque(b, rpm, b->controls.throttle);
  if (wheelie_cut(b)) engine = std::fmin(engine, 0.0);

  double reduction = drive_reduction(b, b->gear);
  if (!(reduction > 0)) reduction = 1;  // a table without a first gear must not divide by 0
  double wheel_angle = dJointGetHingeAngle(b->rear_axle);
  double wheel_rate = dJointGetHingeAngleRate(b->rear_axle);
  double windup = wrap_once(b->clutch_angle - wheel_angle);

  double torque = CLUTCH_STIFFNESS * windup + CLUTCH_DAMPING * (b->engine_speed - wheel_rate * reduction);
  // Engine braking goes through the lever alone, below the automatic clutch too.
  double engagement = torque >= 0 ? drive_engagement(b, rpm) : b->controls.clutch;
  double limit = engagement * M_PI / 4;
  if (windup > limit)
    b->clutch_angle = (float)(wheel_angle + limit);
  else if (windup < -limit)
    b->clutch_angle = (float)(wheel_angle - limit);

  double passed = torque * engagement * engagement;
  dBodyAddRelTorque(b->rear_wheel, -passed, 0, 0);
  dBodyAddRelTorque(b->chassis, passed, 0, 0);

  double speed = b->engine_speed + TICK_LENGTH * (engine - passed / reduction) / b->engine_inertia;
  b->engine_speed = std::isfinite(speed) ? (float)speed : 0.0f;
  b->clutch_angle = (float)wrap_fully(b->clutch_angle + TICK_LENGTH * b->engine_speed / reduction);

  double front = b->brake_torque * b->controls.front_brake;
  if (bike_option(b, OPTION_FRONT_ANTILOCK) && wheel_slips(b, 0)) front = 0;
  if (bike_stop_wheelies(b) == STOP_WHEELIES_FRONT_ONLY && wheel_touches(b, 0) && !wheel_touches(b, 1)) front = 0;
  set_brake(b->front_axle, front);

  double rear = b->rear_brake_torque * b->controls.rear_brake;
  if (bike_option(b, OPTION_REAR_ANTILOCK) && wheel_slips(b, 1)) rear = 0;
  set_brake(b->rear_axle, rear);
}
