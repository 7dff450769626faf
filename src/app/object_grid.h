// The object grid: 8 x 8 cells over the middle of the terrain square (0.125 S
// to 0.875 S on both axes), each an ascending list of placed-object indices,
// so that a bike is collided only with the objects near it. Objects outside
// the covered square sit in the edge cells.
#pragma once

enum { OBJECT_GRID_CELLS = 8, OBJECT_QUERY_HALF_SIZE = 6 };

// The cell along one axis for coordinate u on a terrain of side `side`.
int object_grid_cell(float u, float side);
// Empties every cell; `side` is the terrain's side length.
void object_grid_clear(float side);
// Appends the index to every cell that the square (x, z) +- radius touches.
// Insert in ascending index order to keep every list sorted.
void object_grid_insert(int index, float x, float z, float radius);
// The ascending, duplicate-free indices in the cells touched by (x, z) +- 6.
// The list stays valid until the next query or change.
const int *object_grid_query(float x, float z, int *count);
void object_grid_free();
