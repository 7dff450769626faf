// Bike against bike and bike against placed object: which parts touched, the
// bump timers, the last-collision step and the struck rider's crash.
#include <cmath>
#include <initializer_list>

#include "sim/bike.h"
#include "sim/collisions.h"
#include "sim/crash.h"
#include "sim/shape.h"
#include "sim/world.h"
#include "track/placed_objects.h"
#include "track/statues.h"

void (*forget_followed_lines_hook)(int slot) = nullptr;

namespace {

constexpr double MOVING_SPEED = 5;          // ft/s
constexpr double STRUCK_RIDER_SPEED2 = 400;  // (20 ft/s)^2
constexpr int32_t TANGLE_GAP = 16;      // ticks without contact that still continue a run
constexpr int32_t TANGLE_TICKS = 640;   // 5 s of contact
constexpr double TANGLE_SPEED = 15;     // ft/s
constexpr double TANGLE_APART = 12;     // ft between the chassis
constexpr float HEAD_ON_BUMP = 192, FRONT_BUMP = 256, STRUCK_IMMUNITY = -640;

bool moving(const bike *b) { return bike_speed(b) >= MOVING_SPEED; }

void front_struck(bike *striker, bike *struck) {
  if (moving(striker)) striker->bump_timer = std::fmax(striker->bump_timer, FRONT_BUMP);
  if (struck->bump_timer < 0) struck->bump_timer = std::fmin(struck->bump_timer, STRUCK_IMMUNITY);
}

}  // namespace

bool bike_collide(bike *a, bike *b) {
  if (!a || !b || a == b) return false;
  const bool force_mode = sim.sim_tick == a->last_collision_tick || sim.sim_tick == b->last_collision_tick;
  // A's wheels go in as their shapes; B's are tested as tori.
  static const struct {
    int body, shape, bit;
  } parts[] = {{BODY_FRONT_WHEEL, SHAPE_FRONT_WHEEL, PART_FRONT_WHEEL},
               {BODY_REAR_WHEEL, SHAPE_REAR_WHEEL, PART_REAR_WHEEL},
               {BODY_CHASSIS, SHAPE_CHASSIS, PART_CHASSIS},
               {BODY_FORK_UPPER, SHAPE_FORK_UPPER, PART_FORK_UPPER},
               {BODY_FORK_LOWER, SHAPE_FORK_LOWER, PART_FORK_LOWER},
               {BODY_SWINGARM, SHAPE_SWINGARM, PART_SWINGARM},
               {BODY_RIDER, SHAPE_RIDER, PART_RIDER}};
  int s = 0, t = 0;
  for (const auto &part : parts) {
    collision_shape *shape = a->shapes[part.shape];
    dBodyID body = bike_body(a, part.body);
    if (!shape || !body) continue;
    int touched = shape_vs_bike(b, shape, pose_of_body(body), force_mode);
    if (touched) {
      s |= part.bit;
      t |= touched;
    }
  }
  if (!s) return false;

  if (s & t & PART_FRONT) {
    for (bike *x : {a, b})
      if (moving(x)) x->bump_timer = std::fmax(x->bump_timer, HEAD_ON_BUMP);
  } else if (s & PART_FRONT) {
    front_struck(a, b);
  } else if (t & PART_FRONT) {
    front_struck(b, a);
  }

  for (bike *x : {a, b}) {
    if (x->last_collision_tick < sim.sim_tick - TANGLE_GAP || x->contact_run_start < 0)
      x->contact_run_start = sim.sim_tick;
    x->last_collision_tick = sim.sim_tick;
  }
  if (forget_followed_lines_hook) {
    forget_followed_lines_hook(a->slot);
    forget_followed_lines_hook(b->slot);
  }
  return true;
}

int collide_with_object(bike *b, collision_shape *shape, dBodyID object_body, const float position[3],
                        const float rotation[9]) {
  if (!b || !shape) return 0;
  part_pose p = object_body ? pose_of_body(object_body) : static_pose(position, rotation);
  int mask = shape_vs_bike(b, shape, p, false);
  if ((mask & PART_RIDER) && !bike_is_crashed(b) && b->bump_timer >= 0) {
    const dReal *v = dBodyGetLinearVel(b->rider);
    double rel[3] = {v[0], v[1], v[2]};
    if (object_body) {
      const dReal *ov = dBodyGetLinearVel(object_body);
      for (int k = 0; k < 3; k++) rel[k] -= ov[k];
    }
    if (rel[0] * rel[0] + rel[1] * rel[1] + rel[2] * rel[2] > STRUCK_RIDER_SPEED2) crash_rider(b);
  }
  return mask;
}

// Two slow bikes that have touched for seconds on end are locked together
// (a wheel inside the other's frame) and would drag each other about for the
// rest of the race: like riders pulling their bikes apart, the pair stops
// colliding until the two are well apart.
bool bike_collide_pair(bike *a, bike *b) {
  if (!a || !b || a == b) return false;
  const bool slots_ok = a->slot >= 0 && a->slot < 64 && b->slot >= 0 && b->slot < 64;
  const uint64_t bit_a = slots_ok ? 1ull << a->slot : 0, bit_b = slots_ok ? 1ull << b->slot : 0;
  if (slots_ok && ((a->separating & bit_b) || (b->separating & bit_a))) {
    const dReal *p = dBodyGetPosition(a->chassis), *q = dBodyGetPosition(b->chassis);
    const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
    if (dx * dx + dy * dy + dz * dz <= TANGLE_APART * TANGLE_APART) return false;
    a->separating &= ~bit_b;
    b->separating &= ~bit_a;
  }
  if (!bike_collide(a, b)) return false;
  const int32_t now = sim.sim_tick;
  if (slots_ok && now - a->contact_run_start >= TANGLE_TICKS && now - b->contact_run_start >= TANGLE_TICKS &&
      bike_speed(a) < TANGLE_SPEED && bike_speed(b) < TANGLE_SPEED) {
    a->separating |= bit_b;
    b->separating |= bit_a;
  }
  return true;
}

bool bike_collide_object(bike *b, int object) {
  const statue *st = placed_object(object);
  if (!st || !st->shape) return false;
  const float position[3] = {st->x, st->y, st->z};
  // A statue that turns to face the viewer collides unturned.
  const float *rotation = st->face_distance != 0 ? nullptr : st->orientation;
  return collide_with_object(b, st->shape, nullptr, position, rotation) != 0;
}
