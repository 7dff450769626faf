// Applying the player's configured riding values to a bike: the assist
// numbers with their unit conversions, the option flags, the suspension and
// sprocket adjustments, the rider attachment factors and the rider's mass
// distribution. Values pass through the bike's clamping setters. Main thread.
#pragma once

struct bike;

// Set by the network session while the server has disabled arcade physics
// (nullptr: never disabled); arcade then stays off whatever the setting says.
extern bool (*arcade_disabled_hook)();

void apply_rider_settings(bike *b);
