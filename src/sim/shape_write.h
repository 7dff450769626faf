// Writes collision shapes as ".shp" text: the sphere count, then one line
// "x y z radius friction stiffness damping" per sphere, centres in the part's
// body frame, numbers with "%f" so that shape_read gets back what was meant.
//
// Refuses (false, nothing written) counts outside 0..SHAPE_MAX_SPHERES and
// numbers that are not finite, which the reader would reject. Main thread only.
#pragma once
#include "sim/shape.h"

struct data_stream;

bool shape_write(data_stream *s, const collision_sphere *spheres, int count);
// Creates the file (a plain path or an "@" data name) and writes it.
bool shape_write_file(const char *name, const collision_sphere *spheres, int count);
