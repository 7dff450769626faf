#include "track/billboards.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/message_log.h"
#include "data/data.h"
#include "platform/log.h"
#include "track/heightfield.h"
#include "track/track_alloc.h"

billboard_table billboards;

static int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "#rrggbb#name": fills rgb and returns the name after the prefix; any other
// text is a bare name.
static const char *split_colour(const char *spec, uint8_t rgb[3]) {
  if (strlen(spec) < 8 || spec[0] != '#' || spec[7] != '#') return spec;
  int v[6];
  for (int k = 0; k < 6; k++)
    if ((v[k] = hex_digit(spec[1 + k])) < 0) return spec;
  for (int k = 0; k < 3; k++) rgb[k] = (uint8_t)(v[2 * k] * 16 + v[2 * k + 1]);
  return spec + 8;
}

int billboard_add(float x, float y_offset, float z, float size, float aspect, const char *texture_spec) {
  if (!std::isfinite(x) || !std::isfinite(y_offset) || !std::isfinite(z) || !std::isfinite(size) ||
      !std::isfinite(aspect))
    return -1;
  billboard_table &t = billboards;
  int32_t cap = t.capacity;
  track_array_reserve((void **)&t.items, &cap, t.count, sizeof(billboard));
  cap = t.capacity;
  track_array_reserve((void **)&t.render_a, &cap, t.count, sizeof(int32_t));
  cap = t.capacity;
  track_array_reserve((void **)&t.render_b, &cap, t.count, sizeof(int32_t));
  track_array_reserve((void **)&t.names, &t.capacity, t.count, sizeof(char *));

  billboard b = {};
  b.x = x;
  b.z = z;
  b.y_offset = y_offset;
  b.y = height_at(x, z) + y_offset;
  b.size = size;
  b.aspect = aspect;
  b.colour[0] = b.colour[1] = b.colour[2] = b.colour[3] = 255;
  const char *name = nullptr;
  if (texture_spec) {
    name = split_colour(texture_spec, b.colour);
    if (!name[0]) name = nullptr;
  }
  b.texture = name ? track_texture_load(name) : 0;
  int index = t.count++;
  t.items[index] = b;
  t.render_a[index] = t.render_b[index] = 0;
  t.names[index] = track_strdup(name);
  return index;
}

void billboards_read(data_stream *s) {
  float x, y, z, size, aspect;
  char name[1024];
  while (data_scanf(s, " [ %f %f %f ] %f %f %1023s ", &x, &y, &z, &size, &aspect, name) == 6) {
    if (billboard_add(x, y, z, size, aspect, name) < 0)
      log_printf("Skipping a billboard with a bad number\n");
  }
}

bool object_name_writable(const char *name) {
  if (!name || !name[0]) return false;
  size_t n = 0;
  for (const char *p = name; *p; p++, n++)
    if (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\v' || *p == '\f') return false;
  return n <= 1023;
}

// The one emitter of the billboards format.
static bool emit_billboards(data_stream *s, const billboard_record *records, int count) {
  bool ok = true;
  for (int i = 0; i < count; i++) {
    const billboard_record &r = records[i];
    if (!r.texture) continue;
    if (!std::isfinite(r.x) || !std::isfinite(r.y_offset) || !std::isfinite(r.z) || !std::isfinite(r.size) ||
        !std::isfinite(r.aspect) || !object_name_writable(r.texture)) {
      log_printf("Not writing a billboard that could not be read back\n");
      continue;
    }
    ok = ok && data_printf(s, "[%f %f %f] %f %f ", r.x, r.y_offset, r.z, r.size, r.aspect) >= 0;
    if (r.colour[0] == 255 && r.colour[1] == 255 && r.colour[2] == 255)
      ok = ok && data_printf(s, "%s\n", r.texture) >= 0;
    else
      ok = ok && data_printf(s, "#%02x%02x%02x#%s\n", r.colour[0], r.colour[1], r.colour[2], r.texture) >= 0;
  }
  return ok && data_flush(s) == 0;
}

bool billboards_write(const char *name, const billboard_record *records, int count) {
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  bool ok = emit_billboards(s, records, count);
  data_close(s);
  return ok;
}

bool billboards_save(const char *folder) {
  char path[1100];
  snprintf(path, sizeof path, "@%s/billboards", folder);
  data_stream *s = data_open(path, "wb");
  if (!s) {
    post_message("Can't open 'billboards'\n");
    return false;
  }
  std::vector<billboard_record> records;
  for (int32_t i = billboards.first_editable; i < billboards.count; i++) {
    const billboard &b = billboards.items[i];
    records.push_back({b.x, b.y_offset, b.z, b.size, b.aspect, {b.colour[0], b.colour[1], b.colour[2]},
                       billboards.names[i]});
  }
  bool ok = emit_billboards(s, records.data(), (int)records.size());
  data_close(s);
  return ok;
}

void billboards_clear() {
  for (int32_t i = 0; i < billboards.count; i++) free(billboards.names[i]);
  free(billboards.items);
  free(billboards.render_a);
  free(billboards.render_b);
  free(billboards.names);
  billboards = billboard_table{};
}
