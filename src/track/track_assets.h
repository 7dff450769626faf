// The track loader's view of the texture and model managers: load by name,
// get a handle (0 = none), start and stop picture animations. Until those
// managers exist every load returns 0; shapes and positions do not depend on
// these handles, so the physics is unaffected. Main thread only.
#pragma once
#include <cstdint>

typedef uint32_t texture_handle;  // GL texture name, 0 = nothing drawn
typedef uint32_t model_handle;    // 0 = no model

texture_handle track_texture_load(const char *name);
// Companion maps of a placed object's texture: the texture name is tried
// first, then the model name; 0 when there is none.
texture_handle track_normal_map(const char *texture_name, const char *model_name);
texture_handle track_spec_map(const char *texture_name, const char *model_name);
model_handle track_model_load(const char *name);
// A billboard's picture changed at `tick`: the old animation stops, the new starts.
void track_texture_switch(texture_handle from, texture_handle to, int32_t tick);
