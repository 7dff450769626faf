// Engine, drivetrain and brakes of one bike: gear selection, sprockets and the
// per-step drivetrain work called from bike_step.
#pragma once

struct bike;

// gear = clamp(g, 0, 5), lowered while above 0 and its ratio is not positive.
void bike_set_gear(bike *b, int g);
// final_drive = max(rear + rear_adjustment, 3) / max(front + front_adjustment, 3).
void bike_set_sprocket_adjustments(bike *b, float front_adjustment, float rear_adjustment);
// Shifting, engine torque, clutch and brakes for one step.
void drivetrain_step(bike *b);
