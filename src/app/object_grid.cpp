#include "app/object_grid.h"

#include <cmath>
#include <cstdlib>

// A growable list: capacity starts at 16 and doubles.
struct index_list {
  int *items;
  int count, capacity;
};

static index_list cells[OBJECT_GRID_CELLS][OBJECT_GRID_CELLS];
static index_list scratch[2];
static float grid_side = 1;

static bool list_push(index_list *l, int v) {
  if (l->count == l->capacity) {
    int capacity = l->capacity ? l->capacity * 2 : 16;
    int *items = (int *)realloc(l->items, sizeof(int) * (size_t)capacity);
    if (!items) return false;  // the list keeps its old contents
    l->items = items;
    l->capacity = capacity;
  }
  l->items[l->count++] = v;
  return true;
}

int object_grid_cell(float u, float side) {
  double c = std::floor(((double)u / side - 0.125) * 4.0 / 3.0 * (double)OBJECT_GRID_CELLS);
  if (!(c >= 0)) return 0;  // also catches NaN
  return c > OBJECT_GRID_CELLS - 1 ? OBJECT_GRID_CELLS - 1 : (int)c;
}

void object_grid_clear(float side) {
  grid_side = side > 0 ? side : 1;
  for (auto &row : cells)
    for (index_list &l : row) l.count = 0;
}

void object_grid_insert(int index, float x, float z, float radius) {
  int x0 = object_grid_cell(x - radius, grid_side), x1 = object_grid_cell(x + radius, grid_side);
  int z0 = object_grid_cell(z - radius, grid_side), z1 = object_grid_cell(z + radius, grid_side);
  for (int cz = z0; cz <= z1; cz++)
    for (int cx = x0; cx <= x1; cx++) list_push(&cells[cz][cx], index);
}

// Merges two ascending lists into out without duplicates; a list that can't
// grow drops the rest of the merge.
static void merge(const index_list &a, const index_list &b, index_list *out) {
  out->count = 0;
  int i = 0, j = 0;
  while (i < a.count || j < b.count) {
    int v;
    if (j >= b.count || (i < a.count && a.items[i] < b.items[j]))
      v = a.items[i++];
    else if (i >= a.count || b.items[j] < a.items[i])
      v = b.items[j++];
    else {
      v = a.items[i++];
      j++;
    }
    if (!list_push(out, v)) return;
  }
}

const int *object_grid_query(float x, float z, int *count) {
  const float h = OBJECT_QUERY_HALF_SIZE;
  int x0 = object_grid_cell(x - h, grid_side), x1 = object_grid_cell(x + h, grid_side);
  int z0 = object_grid_cell(z - h, grid_side), z1 = object_grid_cell(z + h, grid_side);
  if (x0 == x1 && z0 == z1) {
    *count = cells[z0][x0].count;
    return cells[z0][x0].items;
  }
  // Pairwise merge, alternating between the two scratch lists.
  int current = 0;
  scratch[0].count = 0;
  for (int cz = z0; cz <= z1; cz++)
    for (int cx = x0; cx <= x1; cx++) {
      merge(scratch[current], cells[cz][cx], &scratch[1 - current]);
      current = 1 - current;
    }
  *count = scratch[current].count;
  return scratch[current].items;
}

void object_grid_free() {
  for (auto &row : cells)
    for (index_list &l : row) {
      free(l.items);
      l = index_list{nullptr, 0, 0};
    }
  for (index_list &l : scratch) {
    free(l.items);
    l = index_list{nullptr, 0, 0};
  }
}
