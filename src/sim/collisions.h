// Collisions between bikes and of a bike with a placed object: contact joints
// into the world's contact group.
#pragma once

struct bike;

// a is the faster bike of the pair.
void bike_collide_pair(bike *a, bike *b);
// True when the collision with placed object `object` produced contacts.
bool bike_collide_object(bike *b, int object);
