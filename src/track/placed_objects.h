// Placed objects (statues, start gates) as the game tick sees them.
#pragma once
#include <cstdint>

// Records the tick of the object's last contact with a bike.
void placed_object_touched(int object, int32_t tick);
