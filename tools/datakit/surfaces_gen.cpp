// Ground surfaces: the kit's surface table as tileinfo text, and the tile map
// from the distance to the track, with grass/dirt transition tiles wherever
// the two meet inside a tile.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "datakit.h"
#include "kit_names.h"
#include "track/terrain_files.h"

namespace {

struct surface_def {
  const char *texture;   // without "@" and ".png"
  float friction[2][2];  // (coefficient, speed) pairs; a second speed of 0 means one point
  float roll[3];         // force free, force sunk, speed key
  int roost_kind;        // ROOST_OFF, ROOST_DIRT or ROOST_SPLASH
  float count, dig, size;
  uint8_t r, g, b, a;
};

const surface_def DIRT = {"dirt", {{1.15f, 0}, {0.95f, 40}}, {5, 20, 0}, ROOST_DIRT, 8, 1, 0.25f, 118, 90, 62, 255};
const surface_def BERM = {"berm", {{1.0f, 0}, {0, 0}}, {6, 30, 0}, ROOST_DIRT, 12, 1, 0.25f, 126, 96, 66, 255};
const surface_def GRASS = {"grass", {{0.8f, 0}, {0, 0}}, {8, 30, 0}, ROOST_DIRT, 3, 0.3f, 0.2f, 96, 104, 56, 255};
const surface_def SAND = {"sand", {{0.85f, 0}, {0, 0}}, {12, 60, 0}, ROOST_DIRT, 15, 1, 0.25f, 206, 186, 138, 255};
const surface_def HARDPACK = {"hardpack", {{1.2f, 0}, {0, 0}}, {5, 10, 0}, ROOST_DIRT, 2, 0.2f, 0.2f, 132, 110, 84, 255};
const surface_def WATER = {"water", {{0.5f, 0}, {0, 0}}, {30, 120, 0}, ROOST_SPLASH, 6, 0, 0.3f, 200, 220, 240, 170};

// Physics of each index in tileinfo order (alternatives and transitions
// borrow a base surface's physics; their texture names differ).
const surface_def *physics_of(int index) {
  switch (index) {
    case SURF_DIRT: case SURF_DIRT_ALT: return &DIRT;
    case SURF_BERM: return &BERM;
    case SURF_GRASS: case SURF_GRASS_ALT: return &GRASS;
    case SURF_SAND: return &SAND;
    case SURF_HARDPACK: return &HARDPACK;
    case SURF_WATER: return &WATER;
  }
  // A transition with two or more dirt corners rides like dirt.
  int mask = index - SURF_TRANSITION_FIRST + 1;
  int bits = (mask & 1) + (mask >> 1 & 1) + (mask >> 2 & 1) + (mask >> 3 & 1);
  return bits >= 2 ? &DIRT : &GRASS;
}

void texture_name(int index, char *buf, size_t size) {
  if (index == SURF_DIRT_ALT)
    snprintf(buf, size, "@dirt-alt1.png");
  else if (index == SURF_GRASS_ALT)
    snprintf(buf, size, "@grass-alt1.png");
  else if (index >= SURF_TRANSITION_FIRST) {
    int m = index - SURF_TRANSITION_FIRST + 1;
    snprintf(buf, size, "@grass-dirt-%d%d%d%d.png", m >> 3 & 1, m >> 2 & 1, m >> 1 & 1, m & 1);
  } else
    snprintf(buf, size, "@%s.png", physics_of(index)->texture);
}

uint32_t tile_hash(uint32_t seed, int c, int r) {
  uint32_t h = seed ^ (uint32_t)c * 73856093u ^ (uint32_t)r * 19349663u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  return h ^ (h >> 15);
}

}  // namespace

int tileinfo_table(tileinfo_surface out[SURF_COUNT]) {
  static char names[SURF_COUNT][64];
  for (int i = 0; i < SURF_COUNT; i++) {
    const surface_def *d = physics_of(i);
    tileinfo_surface &t = out[i];
    memset(&t, 0, sizeof t);
    texture_name(i, names[i], sizeof names[i]);
    t.texture = names[i];
    t.friction_count = d->friction[1][1] == 0 ? 1 : 2;
    for (int k = 0; k < t.friction_count; k++) t.friction[k] = {d->friction[k][0], d->friction[k][1]};
    t.roll_count = 1;
    t.roll[0] = {d->roll[0], d->roll[1], d->roll[2]};
    t.roost_count = 1;
    roost_params r = roost_defaults(d->roost_kind);
    r.count = d->count, r.dig = d->dig, r.size = d->size;
    r.r = d->r, r.g = d->g, r.b = d->b, r.a = d->a;
    t.roost[0] = r;
    t.roost_texture[0] = nullptr;  // the default particle picture
  }
  return SURF_COUNT;
}

void tilemap_generate(const course *c, const terrain_grid *t, std::vector<uint8_t> *tiles) {
  int n = 1 << t->size_shift;
  tiles->assign((size_t)n * n, SURF_GRASS);
  auto dirt_at = [t](int i, int j) {
    size_t k = (size_t)j * t->side + i;
    return t->owner[k] != 0 && t->hit[k].edge <= DIRT_MARGIN;
  };
  for (int r = 0; r < n; r++)
    for (int col = 0; col < n; col++) {
      int i = 2 * col, j = 2 * r;
      int mask = (dirt_at(i, j) ? CORNER_MINUS_X_MINUS_Z : 0) | (dirt_at(i + 2, j) ? CORNER_PLUS_X_MINUS_Z : 0) |
                 (dirt_at(i, j + 2) ? CORNER_MINUS_X_PLUS_Z : 0) | (dirt_at(i + 2, j + 2) ? CORNER_PLUS_X_PLUS_Z : 0);
      uint32_t h = tile_hash(c->seed, col, r);
      int surface;
      if (mask == 0) {
        surface = (h & 3) == 0 ? SURF_GRASS_ALT : SURF_GRASS;
      } else if (mask != 15) {
        surface = SURF_TRANSITION_FIRST + mask - 1;
      } else {
        size_t k = (size_t)(j + 1) * t->side + (i + 1);
        const path_hit &hit = t->hit[k];
        const course_path *p = t->owner[k] == 2 ? &c->straight : &c->loop;
        path_sample q = course_sample_at(p, hit.s);
        if (q.flags & SAMPLE_HARDPACK)
          surface = SURF_HARDPACK;
        else if (q.flags & SAMPLE_SAND)
          surface = SURF_SAND;
        else if (std::fabs(q.bank) > 0.12f && hit.lateral * q.bank > 0)
          surface = SURF_BERM;  // the raised outside of a berm is loose
        else
          surface = (h & 7) == 0 ? SURF_DIRT_ALT : SURF_DIRT;
      }
      (*tiles)[(size_t)r * n + col] = (uint8_t)surface;
    }
}
