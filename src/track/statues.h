// Statues: placed models (props and the start gates), with an optional
// collision shape, standing on the ground. One growable table from track load
// to unload; indices stay valid until statues_clear. These are the placed
// objects of the object grid and the game tick's object collisions.
//
// Each statue keeps its model, texture and shape names (owned copies) so that
// a save writes back what was loaded whatever the managers returned. Shapes
// are private copies owned by the statue. Positions and orientations are
// finite: statue_add refuses non-finite numbers. Main thread only.
#pragma once
#include <cstdint>

#include "track/track_assets.h"

struct collision_shape;
struct data_stream;

// Headings at or above this stand upright and turn towards a distant viewer.
constexpr float STATUE_FACING_HEADING = 3.25f;

struct statue {
  model_handle model;
  collision_shape *shape;  // nullptr: nothing to collide with
  texture_handle texture, normal_map, spec_map;
  float x, y, z;  // y absolute
  float y_offset;
  float heading;
  float orientation[9];  // row by row; columns are the statue's x, y, z axes
  float face_distance;   // non-zero: collisions use the identity orientation
  int32_t spare;
  int32_t last_contact_tick;  // sim_tick of the last bike contact, -1 none
  char *model_name, *texture_name, *shape_name;  // owned; shape_name nullptr without one
};

struct statue_table {
  statue *items;
  int32_t count, capacity;
  int32_t first_editable;  // earlier ones (start gates) are neither edited nor saved
};

extern statue_table statues;

// Adds a statue y_offset above the ground at (x, z). `shape_name` nullptr
// means no shape; a shape that can't be loaded posts "Warning: missing shape
// file <name>" and the statue is kept without one. Returns the index, or -1
// for a non-finite number.
int statue_add(float x, float y_offset, float z, float heading, const char *model_name,
               const char *texture_name, const char *shape_name);
// The orientation a heading gives at ground point (x, z) (see statue_add):
// heading >= 3.25 the identity; -2 pi < heading < 3.25 turned and tilted to
// the ground; heading <= -2 pi turned, upright.
void statue_orientation(float heading, float x, float z, float out[9]);
// Upright, turned by `heading` and then tilted by `tilt` radians about the
// turned x axis (the start gate's swing).
void upright_orientation(float heading, float tilt, float out[9]);

// Reads "[ x y z ] heading model texture shape" records ("null": no shape)
// until one does not match; a record with a non-finite number is logged and
// skipped.
void statues_read(data_stream *s);
// Writes every statue from first_editable on that has a model and texture
// name into "@" + folder + "/statues". False (with "Can't open 'statues'\n"
// posted) when the file can't be created.
bool statues_save(const char *folder);

// One record of the statues file as written; `shape` nullptr goes out as
// "null".
struct statue_record {
  float x, y_offset, z, heading;
  const char *model, *texture, *shape;
};
// Writes the records to `name` (a path or "@" data name), one line each, in
// the reader's format. A record with a non-finite number, or a model or
// texture name that is missing or could not be read back, is skipped with a
// log line. False when the file can't be created or a write fails.
bool statues_write(const char *name, const statue_record *records, int count);
void statues_clear();
