// Roost erosion: a thrown particle carries dirt from the wheel's contact
// point to where it lands. The dig amount is quantised to 0..255 units of
// 1/1020 foot so that it packs into a byte; the terrain change is the units
// times the erode factor ("--erode", 0..1; 0 switches erosion off).
#pragma once

// Units a particle carries: integer part of clamp(dig * min(depth, 0.1), 0,
// 0.25) * 1020; 0 for non-finite input.
int roost_dig_units(float dig, float penetration_depth);
// The terrain at (x, z) changes by -units * erode / 1020 at emission and by
// the same amount upwards where the particle lands.
void roost_erode(float x, float z, int units, float erode_factor);
void roost_deposit(float x, float z, int units, float erode_factor);
