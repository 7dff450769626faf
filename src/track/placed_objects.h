// Placed objects as the game tick and the object grid see them: the statues
// (start gates included), indexed like the statue table.
//
// Object indices outside the table are ignored by every function here.
// Main thread only.
#pragma once
#include <cstdint>

struct statue;

// The statue behind an object index, or nullptr.
statue *placed_object(int object);
// Records the tick of the object's last contact with a bike.
void placed_object_touched(int object, int32_t tick);
// Clears the object grid for the loaded terrain and enters every statue
// that has a collision shape, in index order (track load, editor).
void object_grid_rebuild();
