// Building and placing bikes: bike_create makes the seven bodies with their
// masses and inertias, the six joints with their anchors, axes and stops, the
// collision shapes and the default tuning; bike_reset_pose puts a bike back at
// its design pose; the whole-bike operations move, freeze or read all seven
// bodies at once.
//
// The world (sim/world.h) must exist while bikes exist. A bike is owned by
// the caller of bike_create until bike_destroy. Main thread only.
#pragma once
#include "sim/bike.h"

// Looks the model up (with the fallback of bike_spec_find), builds the bike
// for the slot and resets its pose; nullptr when the world does not exist.
// The number is cut to 7 characters.
bike *bike_create(const char *model_name, int slot, const char *rider_number, const char *graphics_texture,
                  const char *wheel_texture, const char *gear_texture, const char *helmet_texture);
// Destroys joints and bodies and frees the shapes and visuals; any slot still
// holding the bike is emptied. nullptr is ignored.
void bike_destroy(bike *b);
// Design pose, zero motion, rider attached, controls and crash state cleared;
// the positions become the last applied ones.
void bike_reset_pose(bike *b);
// Attaches rider_mount to the rider and chassis with the anchor and axes of
// the design geometry carried along with the chassis' current pose.
void rider_mount_attach(bike *b);

// Whole-bike operations.
void bike_translate(bike *b, double dx, double dy, double dz);  // the last applied positions move too
// Rotates every body about the world origin (meant for a freshly reset bike);
// the new positions become the last applied ones.
void bike_rotate(bike *b, double ax, double ay, double az, double angle);
void bike_disable(bike *b);
void bike_enable(bike *b);
void bike_save_velocities(bike *b);
void bike_restore_velocities(bike *b);
void bike_read_pose(const bike *b, bike_pose *out);
// Remembers every body's position as the last applied one.
void bike_remember_positions(bike *b);
// Sum of the seven body masses.
double bike_body_mass_sum(const bike *b);
