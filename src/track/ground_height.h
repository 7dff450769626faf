// Terrain services the cameras and the main loop use.
#pragma once

// Weighted mean of the height samples within 10 units of (x, z); 0 without terrain.
float ground_height_near(float x, float z);
// The terrain's per-frame update.
void terrain_frame_update();
