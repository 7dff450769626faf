// One bike and its rider: seven ODE bodies joined by six joints, built from a
// copy of its bike_spec, with its controls, drivetrain state, tuning, assist
// settings, crash state and the buffers replays and the network use.
//
// A bike is created by bike_create (sim/assembly.h) on the heap and owned by
// its slot's holder until bike_destroy. Every control and tuning setter clamps
// to its range (NaN counts as 0 before clamping). Main thread only.
#pragma once
#include <ode/ode.h>

#include <cstdint>

#include "sim/bike_spec.h"

struct collision_shape;

enum bike_body_index {
  BODY_CHASSIS, BODY_FRONT_WHEEL, BODY_REAR_WHEEL, BODY_FORK_UPPER, BODY_FORK_LOWER, BODY_SWINGARM, BODY_RIDER,
  BODY_COUNT
};
enum bike_joint_index {
  JOINT_FRONT_AXLE, JOINT_REAR_AXLE, JOINT_STEERING_HEAD, JOINT_FORK_SLIDER, JOINT_SWINGARM_PIVOT,
  JOINT_RIDER_MOUNT, JOINT_COUNT
};
// Parts with a collision shape, in the order the contact tests visit them.
enum bike_shape_index {
  SHAPE_CHASSIS, SHAPE_FORK_UPPER, SHAPE_FORK_LOWER, SHAPE_SWINGARM, SHAPE_FRONT_WHEEL, SHAPE_REAR_WHEEL,
  SHAPE_RIDER, SHAPE_COUNT
};

// Bits of bike::option_flags.
enum {
  OPTION_STOP_WHEELIES_SHIFT = 1,  // two bits: 0 No, 1 Yes, 2 Front Only
  OPTION_STOP_WHEELIES_MASK = 3 << OPTION_STOP_WHEELIES_SHIFT,
  OPTION_FRONT_ANTILOCK = 1 << 3,
  OPTION_REAR_ANTILOCK = 1 << 4,
  OPTION_AUTO_SHIFT = 1 << 5,
  OPTION_AUTO_DAB = 1 << 6,
  OPTION_ARCADE = 1 << 7,
};
enum { STOP_WHEELIES_NO = 0, STOP_WHEELIES_YES = 1, STOP_WHEELIES_FRONT_ONLY = 2 };

enum { CRASH_TIMER_START = 512, RIDER_NUMBER_LENGTH = 7 };

struct bike_controls {
  float steer;        // -1..1
  float throttle;     // 0..1, 0 while crashed
  float front_brake;  // 0..1
  float rear_brake;   // 0..1
  float clutch;       // 0..1, 1 engaged
  float dab;          // 0..1, 0 while crashed
  float back_up;      // 0..1, 0 while crashed
  float lean;         // -1 forward .. 1 back, 0 while crashed
  int32_t shift;      // the last shift request, -1, 0 or 1
};

// The last ground contact of one wheel (depth 0 when none).
struct wheel_contact {
  dBodyID body;
  float axle[3];  // body coordinates
  float major_radius, minor_radius;
  float point[3];
  float velocity[3];  // of the wheel surface at the point
  float normal[3];
  float depth;
  dJointFeedback feedback;
};

// A bike's bodies as read for packing and drawing.
struct bike_pose {
  double position[BODY_COUNT][3];
  double quaternion[BODY_COUNT][4];  // w, x, y, z
  int32_t gear;
  double rpm;
};

struct bike {
  // 1. The bike_spec it was built from.
  bike_spec spec;

  // 2. Bodies.
  dBodyID chassis, front_wheel, rear_wheel, fork_upper, fork_lower, swingarm, rider;

  // 3. Joints, with one feedback buffer each (in bike_joint_index order).
  dJointID front_axle, rear_axle, steering_head, fork_slider, swingarm_pivot, rider_mount;
  dJointFeedback joint_feedback[JOINT_COUNT];

  // 4. Wheel contacts, front then rear.
  wheel_contact wheels[2];

  // 5. Controls and drivetrain.
  bike_controls controls;
  int32_t gear;         // 0 = first gear .. 5
  float engine_speed;   // rad/s
  float clutch_angle;   // rad, -pi..pi
  float engine_inertia; // slug ft^2

  // 6. Tuning.
  float final_drive;
  float fork_compression, fork_rebound, fork_spring, fork_preload, fork_air;
  float shock_compression, shock_rebound, shock_spring, shock_preload;
  float rider_yspring, rider_ydamping, rider_zspring, rider_zdamping;

  // 7. Assist settings (ranges in sim/rider.h) and option flags.
  float roll_damping, leveling, roll_limit_factor, roll_limit_angle, steering_damping, steering_strength,
      max_steering_force, direct_steering, slow_damping_speed, slow_damping_factor, land_damping_falloff,
      land_damping_factor, auto_clutch_rpms, brake_torque, rear_brake_torque, max_dab_speed;
  uint8_t option_flags;

  // 8. Shapes, drawing, crash state, timers, records.
  collision_shape *shapes[SHAPE_COUNT];  // private copies, nullptr when a file gave none
  void *visuals;                         // models and textures, owned by the drawing code
  int32_t crash_timer;                   // 0 riding, 512 at a crash, counts down
  float left_foot_position[3], left_foot_velocity[3];
  float right_foot_position[3], right_foot_velocity[3];
  float bump_timer;      // >0 after running into another bike, <0 crash immunity
  float landing_factor;  // roll damping boost, 1 after reset
  float foot_down;       // 0..1
  int32_t foot_down_rise;  // set by the foot-down assist for this step
  float rider_velocity_ring[4][3];
  float total_mass;
  int32_t down_flag;
  int32_t finished;
  int32_t last_collision_tick;
  // Untangling: the tick the current run of bike contacts began (-1 none),
  // and the slots this bike passes through until the two are apart.
  int32_t contact_run_start;
  uint64_t separating;
  int32_t slot;
  char rider_number[RIDER_NUMBER_LENGTH + 1];
  // Replays and the network: positions at the last applied state (or reset),
  // and the velocities saved around a world step.
  double last_position[BODY_COUNT][3];
  double saved_velocity[BODY_COUNT][6];
};

// Body and joint handles by index.
dBodyID bike_body(const bike *b, int index);
dJointID bike_joint(const bike *b, int index);

// Control setters (clamped; the four marked in bike_controls stay 0 while the
// rider is crashed). The shift request shifts one gear on a change of request.
void bike_set_steer(bike *b, float v);
void bike_set_throttle(bike *b, float v);
void bike_set_front_brake(bike *b, float v);
void bike_set_rear_brake(bike *b, float v);
void bike_set_clutch(bike *b, float v);
void bike_set_dab(bike *b, float v);
void bike_set_back_up(bike *b, float v);
void bike_set_lean(bike *b, float v);
void bike_set_shift(bike *b, int request);
void bike_clear_controls(bike *b);

// Option flags.
int bike_stop_wheelies(const bike *b);
void bike_set_stop_wheelies(bike *b, int mode);  // clamped to 0..2
bool bike_option(const bike *b, int flag);
void bike_set_option(bike *b, int flag, bool on);

// Accessors.
bool bike_is_crashed(const bike *b);
double bike_speed(const bike *b);       // chassis speed, ft/s
double bike_engine_rpm(const bike *b);  // engine_speed * 60 / 2pi
int bike_gear(const bike *b);

// Clamp helper shared by the setters: NaN becomes 0, then lo..hi.
inline float clamp_value(float v, float lo, float hi) {
  if (!(v == v)) v = 0;
  return v < lo ? lo : v > hi ? hi : v;
}
