#include "track/track_load.h"

#include <nettle/ripemd160.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/object_grid.h"
#include "app/track_list.h"
#include "data/data.h"
#include "platform/log.h"
#include "race/timing_gates.h"
#include "sim/ground.h"
#include "track/billboards.h"
#include "track/flaggers.h"
#include "track/heightfield.h"
#include "track/lighting.h"
#include "track/placed_objects.h"
#include "track/statues.h"

track_record track_state;

static const char START_GATE_MODEL[] = "@startgate.jm";
static const char START_GATE_PICTURE[] = "@startgate.ppm";
static const char START_GATE_SHAPE[] = "@startgate.shp";
static const float START_GATE_TILT = 3 * 3.14159265358979f / 16;

enum { PATH_SIZE = 1100 };

static void track_file(char *out, const char *name) {
  snprintf(out, PATH_SIZE, "@%s/%s", track_state.folder, name);
}

// Feeds the whole file when it can be opened; a missing file adds nothing.
static void digest_file(ripemd160_ctx *ctx, const char *path) {
  data_stream *s = data_open(path, "rb");
  if (!s) return;
  uint8_t buf[8192];
  int n;
  while ((n = data_read(s, buf, sizeof buf)) > 0) ripemd160_update(ctx, (size_t)n, buf);
  data_close(s);
}

static void digest_track_file(ripemd160_ctx *ctx, const char *name) {
  char path[PATH_SIZE];
  track_file(path, name);
  digest_file(ctx, path);
}

// Opens an optional track file and hands it to the reader.
static void read_optional(const char *name, void (*reader)(data_stream *)) {
  char path[PATH_SIZE];
  track_file(path, name);
  data_stream *s = data_open(path, "rb");
  if (!s) return;
  reader(s);
  data_close(s);
}

static void add_start_gates() {
  track_state.start_gate_first = statues.count;
  for (int32_t k = 0; k < race_course.start_count; k++) {
    const start_position &p = race_course.starts[k];
    int i = statue_add(p.gate_object[0], 0, p.gate_object[2], p.heading, START_GATE_MODEL, START_GATE_PICTURE,
                       START_GATE_SHAPE);
    if (i < 0) continue;
    statues.items[i].y = p.gate_object[1];  // the file gives the absolute height
    statues.items[i].y_offset = p.gate_object[1] - height_at(p.gate_object[0], p.gate_object[2]);
    track_state.start_gate_count++;
  }
  for (int k = 0; k < track_state.start_gate_count; k++) start_gate_object_set_raise(k, 1);
}

void start_gate_object_set_raise(int k, float raise) {
  if (k < 0 || k >= track_state.start_gate_count) return;
  int i = track_state.start_gate_first + k;
  if (i < 0 || i >= statues.count) return;
  statue &st = statues.items[i];
  upright_orientation(st.heading, raise * START_GATE_TILT, st.orientation);
}

// Each distinct model file once, in statue order.
static void digest_models(ripemd160_ctx *ctx) {
  for (int32_t i = 0; i < statues.count; i++) {
    const char *name = statues.items[i].model_name;
    if (!name) continue;
    bool seen = false;
    for (int32_t j = 0; j < i && !seen; j++)
      seen = statues.items[j].model_name && strcmp(statues.items[j].model_name, name) == 0;
    if (!seen) digest_file(ctx, name);
  }
}

static void free_objects() {
  lighting_clear();
  flaggers_clear();
  statues_clear();
  billboards_clear();
  timing_gates_reset();
}

bool track_load(const char *folder) {
  if (track_state.loaded) track_unload();
  track_state = track_record{};
  if (!folder || strlen(folder) >= TRACK_NAME_SIZE) return false;
  snprintf(track_state.folder, sizeof track_state.folder, "%s", folder);
  int listed = track_list_find(folder);
  snprintf(track_state.title, sizeof track_state.title, "%s", listed >= 0 ? track_list.display[listed] : folder);

  ripemd160_ctx ctx;
  ripemd160_init(&ctx);
  // The drawing of the "Loading track..." screen belongs to the renderer.
  static const char *const terrain_files[] = {"terrain.hf", "terrain.png", "texturelist", "tilemap", "tileinfo"};
  for (const char *name : terrain_files) digest_track_file(&ctx, name);

  if (debug_level >= 1) log_printf("Loading '%s'\n", folder);
  char path[PATH_SIZE];
  snprintf(path, sizeof path, "@%s", folder);
  if (!heightfield_load(path)) {
    track_state = track_record{};
    return false;
  }
  sim_ground = sim_ground_view{terrain.extent, terrain.min_height, height_at};
  if (debug_level >= 1) log_printf("%lu bytes texture memory used after hf creation\n", 0UL);

  digest_track_file(&ctx, "timing_gates");
  track_file(path, "timing_gates");
  timing_gates_load(path);
  add_start_gates();

  for (int k = 0; k < PARTICLE_BILLBOARDS; k++) track_state.particle_billboards[k] = billboard_add(0, 0, 0, 1, 1, nullptr);
  // Particles sit at height 0, not on the ground.
  for (int k = 0; k < PARTICLE_BILLBOARDS; k++) billboards.items[track_state.particle_billboards[k]].y = 0;

  read_optional("flaggers", flaggers_read);
  if (debug_level >= 1) log_printf("%lu bytes texture memory used after flagger creation\n", 0UL);

  billboards.first_editable = billboards.count;
  statues.first_editable = statues.count;
  read_optional("billboards", billboards_read);
  if (debug_level >= 1) log_printf("%lu bytes texture memory used after billboard creation\n", 0UL);

  digest_track_file(&ctx, "statues");
  read_optional("statues", statues_read);
  if (debug_level >= 1) log_printf("%lu bytes texture memory used after statue creation\n", 0UL);

  track_file(path, "lighting");
  lighting_load(path);
  track_file(path, "map.png");
  track_state.map_picture = track_texture_load(path);

  object_grid_rebuild();
  // Handing the track to the editor comes with the editor's track data.

  digest_models(&ctx);
  ripemd160_digest(&ctx, TRACK_DIGEST_SIZE, track_state.digest);
  track_state.loaded = true;
  return true;
}

void track_unload() {
  log_printf("Deallocating track\n");
  free_objects();
  heightfield_release();
  sim_ground_reset();
  object_grid_clear(1);
  track_state = track_record{};
  log_printf("Finished deallocating track\n");
}

bool track_loaded() { return track_state.loaded; }
