// The packed bike state: the fixed-size snapshot of one bike at one tick that
// demos and the network carry (version 5, 39 bytes, the only one written;
// version 4, 26 bytes, read from old demos), its encoding from a bike, its
// decoding, and setting a bike from a record.
//
// Values are quantised as unsigned little-endian fractions of fixed ranges;
// positions use the terrain's extent and lowest height (sim/ground.h).
// Main thread only.
#pragma once
#include <cstdint>

struct bike;
struct bike_spec;

enum { PACKED_STATE_SIZE = 39, PACKED_STATE_V4_SIZE = 26 };

struct packed_bike_state {
  uint8_t bytes[PACKED_STATE_SIZE];
};

// Every field of a record turned back into its physical value.
struct unpacked_bike_state {
  double chassis_position[3];
  double chassis_quaternion[4];  // w, x, y, z; unit length (identity when degenerate)
  double steering;               // steering_head angle
  double swingarm;               // swingarm_pivot angle
  double fork;                   // fork_slider position
  double rider_offset[3];        // version 5: rider minus chassis position
  double rider_quaternion[4];    // version 5
  double rider_slide;            // version 4: the slide along rider_slide_axis (ft)
  double front_wheel, rear_wheel;
  uint8_t status;
  double engine_speed;  // rad/s
};

// 26 for version 4, 39 for version 5, 0 otherwise.
int packed_state_size(int version);
// Encodes the bike's current state as a version-5 record.
void pack_bike_state(const bike *b, uint8_t out[PACKED_STATE_SIZE]);
// Decodes a record of the version; false for an unsupported version.
bool unpack_bike_state(const uint8_t *record, int version, const bike_spec *spec, unpacked_bike_state *out);
// Sets the whole bike from a record. elapsed > 0 (with sim_tick > 0) is the
// number of ticks since the previously applied state and derives every body's
// velocities; otherwise velocities are left alone. False (bike untouched) for
// an unsupported version or a null record.
bool bike_apply_packed_state(bike *b, const uint8_t *record, int version, int elapsed);
