#include "sim/contact.h"

#include "sim/bike.h"

bool bike_ground_contacts(bike *) {
  // Contacts with the height field arrive with the terrain.
  return false;
}

bool bike_is_down(const bike *b) { return b->down_flag != 0 && !b->finished; }
