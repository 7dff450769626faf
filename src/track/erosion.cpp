#include "track/erosion.h"

#include <cmath>

#include "track/heightfield.h"

int roost_dig_units(float dig, float penetration_depth) {
  float d = penetration_depth < 0.1f ? penetration_depth : 0.1f;
  float amount = dig * d;
  if (!(amount > 0)) return 0;  // also NaN
  if (amount > 0.25f) amount = 0.25f;
  return (int)(amount * 1020);
}

static float change(int units, float erode_factor) {
  if (!(erode_factor > 0)) return 0;
  if (erode_factor > 1) erode_factor = 1;
  if (units < 0) units = 0;
  if (units > 255) units = 255;
  return (float)units * erode_factor / 1020;
}

void roost_erode(float x, float z, int units, float erode_factor) {
  heightfield_deform(x, z, -change(units, erode_factor));
}

void roost_deposit(float x, float z, int units, float erode_factor) {
  heightfield_deform(x, z, change(units, erode_factor));
}
