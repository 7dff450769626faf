// The render-side steps of loading, changing and saving the terrain: level of
// detail, ground textures, shading updates and decals. The ground renderer
// fills `terrain_render` with its operations; every entry left null does
// nothing, so the terrain loads, deforms and saves without GL (texture
// handles are then 0 and the texture memory figure is 0).
//
// The named wrappers below are what the terrain code calls, in the fixed load
// order of heightfield_load. Main thread only.
#pragma once
#include <cstdint>

struct heightfield;

struct terrain_render_ops {
  // After the heights are read.
  void (*build_lod)(heightfield *hf);
  // Ground and particle textures by name; 0 when not loaded.
  uint32_t (*load_texture)(const char *name);
  // Each returns false (having reported why) to fail the load.
  bool (*create_low_detail)(heightfield *hf);
  bool (*create_detail)(heightfield *hf);
  bool (*load_decals)(heightfield *hf, const char *folder);
  // Writes "decals" when there is a decal list; false when it can't.
  bool (*save_decals)(const heightfield *hf, const char *folder);
  // Around every sample a deformation changes.
  void (*shading_before)(int i, int j);
  void (*shading_after)(int i, int j, float weight);
  void (*shading_refresh)(int count);
  unsigned long (*texture_memory)();
  // Frees what the other operations made for this terrain; also called when
  // they made nothing (every release of the record).
  void (*release)(heightfield *hf);
};

extern terrain_render_ops terrain_render;

void terrain_build_lod(heightfield *hf);
uint32_t terrain_load_texture(const char *name);
bool terrain_create_low_detail(heightfield *hf);
bool terrain_create_detail(heightfield *hf);
bool terrain_load_decals(heightfield *hf, const char *folder);
bool terrain_save_decals(const heightfield *hf, const char *folder);
void terrain_shading_before(int i, int j);
void terrain_shading_after(int i, int j, float weight);
void terrain_shading_refresh(int count);
unsigned long terrain_texture_memory();
void terrain_render_release(heightfield *hf);
