// The drawing side of a bike (models, textures, the number-plate texture),
// loaded when the bike is created and released with it. The loading itself
// belongs to the renderer; until it is connected a bike has no visuals.
#pragma once

struct bike;

// Texture names may be nullptr or empty for the bike_spec defaults.
void bike_load_visuals(bike *b, const char *graphics_texture, const char *wheel_texture, const char *gear_texture,
                       const char *helmet_texture);
void bike_free_visuals(bike *b);
