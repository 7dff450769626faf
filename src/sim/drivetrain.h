// Engine, drivetrain and brakes of one bike: gear selection, sprockets, the
// torque tables, the clutch spring and the per-step drivetrain work called
// from bike_step.
//
// The engine is not an ODE body: engine_speed and clutch_angle are integrated
// here and only the torque the clutch passes reaches ODE (rear wheel and its
// reaction on the chassis). The brakes are the axle hinges' own motors
// (target velocity 0, force limit the braking torque). Main thread only.
#pragma once

struct bike;

// gear = clamp(g, 0, 5), lowered while above 0 and its ratio is not positive.
void bike_set_gear(bike *b, int g);
// final_drive = max(rear + rear_adjustment, 3) / max(front + front_adjustment, 3).
void bike_set_sprocket_adjustments(bike *b, float front_adjustment, float rear_adjustment);

// Engine turns per rear-wheel turn in gear g (0 when g is outside 0..5).
double drive_reduction(const bike *b, int g);
// Nearest 500-rpm table entry for an engine speed (0..49; negative and NaN
// speeds use entry 0).
int torque_index(double rpm);
// Engine torque at rpm and throttle 0..1, blended between the closed and open
// tables of the nearest entry.
double engine_torque(const bike *b, double rpm, double throttle);
// Engagement the clutch uses while the engine drives: the lever alone above
// auto_clutch_rpms + 2000, else also limited by the automatic clutch ramp.
double drive_engagement(const bike *b, double rpm);

// A wheel (0 front, 1 rear) touches when its contact depth is > 0; it slips
// when it touches and its surface moves faster than 2 ft/s over the ground.
bool wheel_touches(const bike *b, int wheel);
bool wheel_slips(const bike *b, int wheel);

// Automatic shifting, engine torque, clutch and brakes for one step.
void drivetrain_step(bike *b);
