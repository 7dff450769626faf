#include "track/track_assets.h"

texture_handle track_texture_load(const char *) { return 0; }
texture_handle track_normal_map(const char *, const char *) { return 0; }
texture_handle track_spec_map(const char *, const char *) { return 0; }
model_handle track_model_load(const char *) { return 0; }
void track_texture_switch(texture_handle, texture_handle, int32_t) {}
