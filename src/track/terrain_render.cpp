#include "track/terrain_render.h"

terrain_render_ops terrain_render = {};

void terrain_build_lod(heightfield *hf) {
  if (terrain_render.build_lod) terrain_render.build_lod(hf);
}

uint32_t terrain_load_texture(const char *name) {
  return terrain_render.load_texture ? terrain_render.load_texture(name) : 0;
}

bool terrain_create_low_detail(heightfield *hf) {
  return terrain_render.create_low_detail ? terrain_render.create_low_detail(hf) : true;
}

bool terrain_create_detail(heightfield *hf) {
  return terrain_render.create_detail ? terrain_render.create_detail(hf) : true;
}

bool terrain_load_decals(heightfield *hf, const char *folder) {
  return terrain_render.load_decals ? terrain_render.load_decals(hf, folder) : true;
}

bool terrain_save_decals(const heightfield *hf, const char *folder) {
  return terrain_render.save_decals ? terrain_render.save_decals(hf, folder) : true;
}

void terrain_shading_before(int i, int j) {
  if (terrain_render.shading_before) terrain_render.shading_before(i, j);
}

void terrain_shading_after(int i, int j, float weight) {
  if (terrain_render.shading_after) terrain_render.shading_after(i, j, weight);
}

void terrain_shading_refresh(int count) {
  if (terrain_render.shading_refresh) terrain_render.shading_refresh(count);
}

unsigned long terrain_texture_memory() {
  return terrain_render.texture_memory ? terrain_render.texture_memory() : 0;
}

void terrain_render_release(heightfield *hf) {
  if (terrain_render.release) terrain_render.release(hf);
}
