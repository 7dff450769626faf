#include "track/placed_objects.h"

#include "app/object_grid.h"
#include "sim/shape.h"
#include "track/heightfield.h"
#include "track/statues.h"

statue *placed_object(int object) {
  if (object < 0 || object >= statues.count) return nullptr;
  return &statues.items[object];
}

void placed_object_touched(int object, int32_t tick) {
  if (statue *st = placed_object(object)) st->last_contact_tick = tick;
}

void object_grid_rebuild() {
  object_grid_clear(terrain.extent);
  for (int32_t i = 0; i < statues.count; i++) {
    const statue &st = statues.items[i];
    if (st.shape) object_grid_insert(i, st.x, st.z, st.shape->bounding_radius);
  }
}
