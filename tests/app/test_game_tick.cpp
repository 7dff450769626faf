#include <gtest/gtest.h>

#include <string>

#include "app/heap_sort.h"
#include "app/object_grid.h"

namespace {

struct keyed {
  int key;
  char tag;
};

int by_key(const void *a, const void *b) {
  int ka = ((const keyed *)a)->key, kb = ((const keyed *)b)->key;
  return ka > kb ? 1 : ka < kb ? -1 : 0;
}

TEST(heap_sort, leaves_equal_keys_in_its_own_order) {
  // Worked through by hand from the procedure: equal keys do not keep their order.
  keyed a[] = {{1, 'a'}, {1, 'b'}, {2, 'c'}, {1, 'd'}};
  heap_sort(a, 4, sizeof a[0], by_key);
  std::string order;
  for (const keyed &k : a) order += k.tag;
  EXPECT_EQ(order, "badc");

  keyed b[] = {{5, 'a'}, {3, 'b'}, {9, 'c'}, {1, 'd'}, {7, 'e'}, {3, 'f'}, {0, 'g'}};
  heap_sort(b, 7, sizeof b[0], by_key);
  for (int i = 1; i < 7; i++) EXPECT_LE(b[i - 1].key, b[i].key);
  heap_sort(b, 0, sizeof b[0], by_key);  // empty and single arrays are fine
  heap_sort(b, 1, sizeof b[0], by_key);
}

TEST(object_grid, cells_edges_and_merged_queries) {
  const float side = 1024;
  EXPECT_EQ(object_grid_cell(0, side), 0);
  EXPECT_EQ(object_grid_cell(1024, side), 7);
  EXPECT_EQ(object_grid_cell(512, side), 4);
  EXPECT_EQ(object_grid_cell(511.9f, side), 3);
  EXPECT_EQ(object_grid_cell(-5000, side), 0);

  object_grid_clear(side);
  object_grid_insert(0, 1020, 1020, 1);  // outside the covered square: edge cell
  object_grid_insert(1, 480, 300, 2);    // cell 3 only
  object_grid_insert(2, 512, 300, 4);    // cells 3 and 4
  object_grid_insert(5, 540, 300, 2);    // cell 4 only
  int n;
  const int *list = object_grid_query(1010, 1010, &n);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(list[0], 0);
  list = object_grid_query(512, 300, &n);  // spans two cells: merged, ascending, no duplicates
  ASSERT_EQ(n, 3);
  EXPECT_EQ(list[0], 1);
  EXPECT_EQ(list[1], 2);
  EXPECT_EQ(list[2], 5);
  list = object_grid_query(480, 300, &n);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(list[1], 2);
  object_grid_free();
}

}  // namespace

#include "app/game_tick.h"

namespace {

TEST(game_tick, roost_order_rotates_with_the_tick) {
  const int occupied[] = {0, 5, 9};
  const int expected[3][3] = {{0, 5, 9}, {5, 9, 0}, {9, 0, 5}};
  for (int tick = 0; tick < 3; tick++) {
    int order[3];
    roost_emission_order(occupied, 3, tick, order);
    for (int l = 0; l < 3; l++) EXPECT_EQ(order[l], expected[tick][l]) << tick;
  }
  int order[3];
  roost_emission_order(occupied, 3, -1, order);  // a negative tick still gives a valid order
  EXPECT_EQ(order[0], 9);
}

}  // namespace
