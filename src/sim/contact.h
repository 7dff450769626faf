// Contacts of one bike with the terrain: the tyres as tori and the other
// parts through their collision spheres, handed to ODE as contact joints in
// the world's contact group before each world step.
#pragma once

struct bike;

// This step's ground contacts; true when anything touched.
bool bike_ground_contacts(bike *b);
// down_flag set and the race not finished.
bool bike_is_down(const bike *b);
