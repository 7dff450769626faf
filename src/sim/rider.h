// The rider and the riding assists of one bike: the assist settings with
// their ranges and creation values, the rider's mass distribution, the chassis
// lean, the foot-down amount, and the per-step assist work of bike_step.
#pragma once
#include <ode/ode.h>

struct bike;

enum assist_setting {
  ASSIST_ROLL_DAMPING, ASSIST_LEVELING, ASSIST_ROLL_LIMIT_FACTOR, ASSIST_ROLL_LIMIT_ANGLE,
  ASSIST_STEERING_DAMPING, ASSIST_STEERING_STRENGTH, ASSIST_MAX_STEERING_FORCE, ASSIST_DIRECT_STEERING,
  ASSIST_SLOW_DAMPING_SPEED, ASSIST_SLOW_DAMPING_FACTOR, ASSIST_LAND_DAMPING_FALLOFF,
  ASSIST_LAND_DAMPING_FACTOR, ASSIST_AUTO_CLUTCH_RPMS, ASSIST_BRAKE_TORQUE, ASSIST_REAR_BRAKE_TORQUE,
  ASSIST_MAX_DAB_SPEED, ASSIST_RIDER_YSPRING, ASSIST_RIDER_YDAMPING, ASSIST_RIDER_ZSPRING,
  ASSIST_RIDER_ZDAMPING, ASSIST_COUNT
};

// Sets one value clamped to its range; unknown settings are ignored.
void bike_set_assist(bike *b, int setting, float value);
float bike_assist(const bike *b, int setting);
// Every assist value and option flag at its creation value.
void rider_assist_defaults(bike *b);

// Chassis mass = chassis_mass + (1 - d) rider_mass (box), rider = d rider_mass
// (sphere of radius 1); d is taken as given.
void bike_set_rider_mass_distribution(bike *b, float d);

// 0 upright, positive leaning to the bike's left, +-pi/2 on a side.
double bike_lean_angle(const bike *b);
// Chassis angular velocity about its own z axis (positive while the lean grows).
double bike_roll_rate(const bike *b);

// Pushes body's ground-plane velocity towards target with up to force F
// (nothing within 0.25 ft/s, full force from 1.5 ft/s of error).
void velocity_servo(dBodyID body, double force, const double target[3]);
// Torque tau about the steering axis on the front wheel, -tau on the chassis;
// positive turns the bars to the left.
void apply_steering_torque(bike *b, double tau);
// Steering angle at which the front wheel runs along its own velocity; 0
// below 1 ft/s.
double neutral_steer_angle(const bike *b);
// Steering command (-2/3..2/3) that brings the bars to the target angle.
double steer_toward_angle(const bike *b, double target);
// Largest target lean at a speed: exponent 4 for the steering, 32 for the
// righting help.
double max_target_lean(double speed, double roll_limit_angle, double max_dab_speed, int exponent);

// Seams filled by the riding-line, robot and timing modules (nullptr until
// they are installed):
// - the point the bike should turn towards from its riding lines or robot
//   path; false when there is no usable line;
extern bool (*line_turn_target_hook)(const bike *b, double out[3]);
// - the position of the next timing gate; false when there is none;
extern bool (*gate_turn_target_hook)(const bike *b, double out[3]);
// - whether the bike may turn on the spot: the track has timing gates, the
//   bike has passed one and has not finished (may run the finished test).
extern bool (*turn_on_spot_allowed_hook)(bike *b);
// The turn-on-the-spot target: the line target, else the next gate; false
// (no turn) when neither is known.
bool turn_target(const bike *b, double out[3]);

// The rider walks the bike round on the spot towards a ground point: a yaw
// motor about the world vertical at pi/2 rad/s (pi while bump_timer < 0).
// While the point is behind or more than about 14 degrees off, every touching
// wheel is lifted by the bike's weight and true is returned; nearer the
// heading the motor only trims, with a force that fades as the bike lines up.
bool bike_turn_toward(bike *b, const double target[3]);

// Pieces of bike_step, in its order.
void rider_low_speed_assists(bike *b);  // back-up and stopped-bike assists
void rider_attachment(bike *b);         // the rider's springs for this step
void steering_step(bike *b);            // arcade or rider steering torque
void foot_down_assists(bike *b);        // foot-down and low-speed assists
// foot_down rises by 8 h while crashed or when the foot-down assist asked for
// it this step, then falls by 4 h; never outside 0..1.
void foot_down_update(bike *b);
