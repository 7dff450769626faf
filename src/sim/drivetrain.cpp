#include "sim/drivetrain.h"

#include "sim/bike.h"

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

void drivetrain_step(bike *) {
  // Engine and brakes arrive with the drivetrain work.
}
