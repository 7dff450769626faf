// Terrain services the cameras and the main loop use.
#pragma once

// Weighted mean of the height samples near (x, z): weight 1 closer than 10
// units, falling linearly to 0 over one sample spacing beyond; the nearest
// lower-left sample when none has weight; 0 without terrain.
float ground_height_near(float x, float z);
// The terrain's per-frame update: refreshes one out-of-date shading texture.
void terrain_frame_update();
