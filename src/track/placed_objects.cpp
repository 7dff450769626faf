#include "track/placed_objects.h"

void placed_object_touched(int, int32_t) {}
