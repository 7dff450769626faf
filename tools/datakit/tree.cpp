// The staging tree: every track folder of the kit and the shapes at the top,
// written through the project's own file writers.
#include <cstdio>
#include <string>

#include "data/data.h"
#include "datakit.h"
#include "kit_names.h"
#include "race/timing_gates_write.h"
#include "sim/shape_write.h"
#include "render/image.h"
#include "track/terrain_files.h"

namespace {

bool fail(const std::string &path) {
  fprintf(stderr, "kv_datakit: can't write %s\n", path.c_str());
  return false;
}

bool write_text(const std::string &path, const std::string &text) {
  data_stream *s = data_open(path.c_str(), "wb");
  if (!s) return false;
  bool ok = data_write(s, text.data(), (int)text.size()) == (int)text.size() && data_flush(s) == 0;
  data_close(s);
  return ok;
}

bool write_track(const std::string &root, const course_design *d) {
  course c;
  if (!course_build(d, &c)) return false;
  terrain_grid t;
  terrain_generate(&c, &t);
  const std::string dir = root + d->name + "/";

  float lo, hi;
  std::vector<uint16_t> samples;
  terrain_quantise(&t, &lo, &hi, &samples);
  std::string path = dir + KIT_TERRAIN_FILE;
  if (!write_terrain_raw(path.c_str(), t.size_shift, t.spacing, lo, hi, samples.data())) return fail(path);

  std::vector<unsigned char> shadows;
  shadows_generate(&t, &shadows);
  path = dir + KIT_SHADOWS_FILE;
  if (!write_pgm(path.c_str(), shadows.data(), t.side, t.side)) return fail(path);

  std::vector<unsigned char> shading;
  shading_generate(&t, &shadows, &shading);
  path = dir + KIT_SHADING_FILE;
  if (!write_shading(path.c_str(), shading.data(), t.side, false)) return fail(path);

  tileinfo_surface surfaces[SURF_COUNT];
  int count = tileinfo_table(surfaces);
  path = dir + KIT_TILEINFO_FILE;
  if (!write_tileinfo(path.c_str(), surfaces, count)) return fail(path);

  std::vector<uint8_t> tiles;
  tilemap_generate(&c, &t, &tiles);
  path = dir + KIT_TILEMAP_FILE;
  if (!write_tilemap(path.c_str(), tiles.data(), (int)tiles.size())) return fail(path);

  path = dir + KIT_DESC_FILE;
  if (!write_text(path, std::string(d->title) + "\n")) return fail(path);

  static timing_file gates;  // large; one at a time
  gates_generate(&c, &gates);
  path = dir + KIT_GATES_FILE;
  if (!timing_gates_write_file(path.c_str(), &gates)) return fail(path);
  if (!lines_generate(&c, &gates, dir.c_str())) return fail(dir + "lines");

  kit_objects objects;
  objects_generate(&c, &objects);
  path = dir + KIT_STATUES_FILE;
  if (!statues_write(path.c_str(), objects.statues.data(), (int)objects.statues.size())) return fail(path);
  path = dir + KIT_BILLBOARDS_FILE;
  if (!billboards_write(path.c_str(), objects.billboards.data(), (int)objects.billboards.size()))
    return fail(path);
  flaggers_file f = {&objects.starter, &objects.board, objects.flaggers.data(), (int32_t)objects.flaggers.size()};
  path = dir + KIT_FLAGGERS_FILE;
  if (!flaggers_write(path.c_str(), &f)) return fail(path);

  lighting_record light;
  std::vector<lens_flare_record> flares;
  lighting_generate(&light, &flares);
  path = dir + KIT_LIGHTING_FILE;
  if (!lighting_write(path.c_str(), &light)) return fail(path);

  std::vector<unsigned char> map;
  map_generate(&c, &map);
  path = dir + KIT_MAP_FILE;
  if (!write_png_rgba(path.c_str(), map.data(), MAP_SIDE, MAP_SIDE, nullptr)) return fail(path);
  return true;
}

}  // namespace

bool datakit_write_tree(const char *out_dir) {
  std::string root = out_dir && *out_dir ? out_dir : ".";
  if (root.back() != '/') root.push_back('/');
  for (int i = 0; i < course_design_count(); i++)
    if (!write_track(root, course_design_at(i))) return false;
  std::vector<shape_asset> shapes;
  shapes_generate(&shapes);
  for (const shape_asset &a : shapes) {
    std::string path = root + a.file;
    if (!shape_write_file(path.c_str(), a.spheres.data(), (int)a.spheres.size())) return fail(path);
  }
  return true;
}
