// What the simulation needs of the terrain: its square extent, its lowest
// height and the height at a ground point. The track loader fills the view
// when a track is loaded; until then the ground is flat at height 0 with
// extent 0 (positions then pack to 0). Main thread only.
#pragma once

struct sim_ground_view {
  float extent;       // the terrain spans 0..extent in x and z (feet)
  float min_height;   // the lowest terrain height (feet)
  float (*height_at)(float x, float z);  // nullptr: flat at 0
};

extern sim_ground_view sim_ground;

float ground_height_at(float x, float z);
// Back to the flat default.
void sim_ground_reset();
