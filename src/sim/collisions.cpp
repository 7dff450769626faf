#include "sim/collisions.h"

void bike_collide_pair(bike *, bike *) {}
bool bike_collide_object(bike *, int) { return false; }
