// Collisions between bikes and of a bike with a placed object, through the
// spheres of the parts' collision shapes (a bike's own wheels as tori when it
// is the one being struck). Each touching pair of spheres becomes a soft
// contact joint in the world's contact group or, in force mode (a bike that
// already collided with another this step), a pair of explicit forces of at
// most 1000 lbf.
//
// Nothing is allocated: shapes carry their own world-centre arrays, which the
// tests overwrite. Spheres whose numbers are not finite, or contacts that come
// out non-finite, never reach ODE. Main thread only.
#pragma once
#include <ode/ode.h>

#include <cstdint>

struct bike;
struct collision_shape;
struct collision_sphere;

// The bits that report a bike's parts.
enum part_bit {
  PART_CHASSIS = 1, PART_FRONT_WHEEL = 2, PART_REAR_WHEEL = 4, PART_FORK_UPPER = 8, PART_FORK_LOWER = 0x10,
  PART_SWINGARM = 0x20, PART_RIDER = 0x40,
  PART_FRONT = PART_FRONT_WHEEL | PART_FORK_LOWER
};

// Where a shape is: on a body (its pose read from the body) or static.
struct part_pose {
  dBodyID body;          // nullptr: static
  double position[3];
  double rotation[9];    // row by row; world = rotation * local + position
};
part_pose pose_of_body(dBodyID body);
part_pose static_pose(const float position[3], const float rotation[9]);  // rotation nullptr: identity

// What one sphere pair did.
struct sphere_hit {
  float point[3];
  float normal[3];  // unit, from sphere 1 to sphere 2
  float depth;      // > 0
};

// One pair of spheres at world centres c1, c2. Either body may be nullptr;
// with neither, a touch is reported and nothing else happens. `hit` may be
// nullptr.
bool sphere_contact(const collision_sphere &s1, const float c1[3], dBodyID b1, const collision_sphere &s2,
                    const float c2[3], dBodyID b2, bool force_mode, sphere_hit *hit);
// Every sphere of shape 1 against every sphere of shape 2, after the
// bounding-sphere rejection. Fills both shapes' world centres.
bool shape_vs_shape(collision_shape *s1, const part_pose &p1, collision_shape *s2, const part_pose &p2,
                    bool force_mode);
// Wheel `wheel` (0 front, 1 rear) of bike b as a torus against shape s. A
// wheel without terrain contact this step takes the deepest touch as its
// wheel_contact.
bool wheel_vs_shape(bike *b, int wheel, collision_shape *s, const part_pose &p, bool force_mode);
// The mask of b's parts that shape s touched.
int shape_vs_bike(bike *b, collision_shape *s, const part_pose &p, bool force_mode);

// a is the faster bike of the pair. Sets the bump timers and last-collision
// steps, and forgets both bikes' followed lines; true when anything touched.
bool bike_collide(bike *a, bike *b);
// Contact joints between the bike and a shape on `object_body` (nullptr for a
// static object) at the given pose; a rider struck at more than 20 ft/s
// crashes. Returns the mask of the bike's parts touched.
int collide_with_object(bike *b, collision_shape *shape, dBodyID object_body, const float position[3],
                        const float rotation[9]);

// The game tick's entry points.
bool bike_collide_pair(bike *a, bike *b);
// True when the collision with placed object `object` produced contacts;
// objects without a shape, or outside the table, give false.
bool bike_collide_object(bike *b, int object);

// Installed by the robot code: forgets the followed-line records of a slot's
// rider, so that a run disturbed by a collision is not learned. nullptr: none.
extern void (*forget_followed_lines_hook)(int slot);
