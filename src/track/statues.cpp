#include "track/statues.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/message_log.h"
#include "data/data.h"
#include "platform/log.h"
#include "sim/shape.h"
#include "track/billboards.h"
#include "track/heightfield.h"
#include "track/track_alloc.h"

statue_table statues;

static const double TWO_PI = 6.283185307179586;

static void normalise(double v[3]) {
  double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (n > 0) v[0] /= n, v[1] /= n, v[2] /= n;
}

static void cross(const double a[3], const double b[3], double out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

static void store_axes(const double x[3], const double y[3], const double z[3], float out[9]) {
  for (int r = 0; r < 3; r++) {
    out[3 * r + 0] = (float)x[r];
    out[3 * r + 1] = (float)y[r];
    out[3 * r + 2] = (float)z[r];
  }
}

void statue_orientation(float heading, float x, float z, float out[9]) {
  if (heading >= STATUE_FACING_HEADING) {
    const double id[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    store_axes(id[0], id[1], id[2], out);
    return;
  }
  double ax[3] = {std::cos(heading), 0, -std::sin(heading)};
  double ay[3] = {0, 1, 0};
  if (heading > -TWO_PI) {
    double h = height_at(x, z);
    ay[0] = -((double)height_at(x + 1, z) - h);
    ay[2] = -((double)height_at(x, z + 1) - h);
    normalise(ay);
  }
  double az[3];
  cross(ax, ay, az);
  normalise(az);
  cross(ay, az, ax);
  normalise(ax);
  store_axes(ax, ay, az, out);
}

void upright_orientation(float heading, float tilt, float out[9]) {
  double c = std::cos(heading), s = std::sin(heading), ct = std::cos(tilt), st = std::sin(tilt);
  const double ax[3] = {c, 0, -s};
  const double ay[3] = {st * s, ct, st * c};
  const double az[3] = {ct * s, -st, ct * c};
  store_axes(ax, ay, az, out);
}

int statue_add(float x, float y_offset, float z, float heading, const char *model_name,
               const char *texture_name, const char *shape_name) {
  if (!std::isfinite(x) || !std::isfinite(y_offset) || !std::isfinite(z) || !std::isfinite(heading))
    return -1;
  statue st = {};
  st.texture = track_texture_load(texture_name);
  st.normal_map = track_normal_map(texture_name, model_name);
  st.spec_map = track_spec_map(texture_name, model_name);
  st.model = track_model_load(model_name);
  if (shape_name) {
    st.shape = shape_copy(shape_load(shape_name));
    if (!st.shape) post_messagef("Warning: missing shape file %.900s", shape_name);
  }
  st.x = x;
  st.z = z;
  st.y_offset = y_offset;
  st.y = height_at(x, z) + y_offset;
  st.heading = heading;
  statue_orientation(heading, x, z, st.orientation);
  st.face_distance = heading >= STATUE_FACING_HEADING ? std::pow(2.0f, heading) : 0;
  if (!std::isfinite(st.face_distance)) st.face_distance = 3.4e38f;  // still "facing", never inf
  st.last_contact_tick = -1;
  st.model_name = track_strdup(model_name);
  st.texture_name = track_strdup(texture_name);
  st.shape_name = track_strdup(shape_name);

  track_array_reserve((void **)&statues.items, &statues.capacity, statues.count, sizeof(statue));
  statues.items[statues.count] = st;
  return statues.count++;
}

void statues_read(data_stream *s) {
  float x, y, z, heading;
  char model[1024], texture[1024], shape[1024];
  while (data_scanf(s, " [ %f %f %f ] %f %1023s %1023s %1023s ", &x, &y, &z, &heading, model, texture, shape) ==
         7) {
    const char *shape_name = strcmp(shape, "null") == 0 ? nullptr : shape;
    if (statue_add(x, y, z, heading, model, texture, shape_name) < 0)
      log_printf("Skipping a statue with a bad number\n");
  }
}

// The one emitter of the statues format.
static bool emit_statues(data_stream *s, const statue_record *records, int count) {
  bool ok = true;
  for (int i = 0; i < count; i++) {
    const statue_record &r = records[i];
    if (!std::isfinite(r.x) || !std::isfinite(r.y_offset) || !std::isfinite(r.z) || !std::isfinite(r.heading) ||
        !object_name_writable(r.model) || !object_name_writable(r.texture) ||
        (r.shape && !object_name_writable(r.shape))) {
      log_printf("Not writing a statue that could not be read back\n");
      continue;
    }
    ok = ok && data_printf(s, "[%f %f %f] %f %s %s %s\n", r.x, r.y_offset, r.z, r.heading, r.model, r.texture,
                           r.shape ? r.shape : "null") >= 0;
  }
  return ok && data_flush(s) == 0;
}

bool statues_write(const char *name, const statue_record *records, int count) {
  data_stream *s = data_open(name, "wb");
  if (!s) return false;
  bool ok = emit_statues(s, records, count);
  data_close(s);
  return ok;
}

bool statues_save(const char *folder) {
  char path[1100];
  snprintf(path, sizeof path, "@%s/statues", folder);
  data_stream *s = data_open(path, "wb");
  if (!s) {
    post_message("Can't open 'statues'\n");
    return false;
  }
  std::vector<statue_record> records;
  for (int32_t i = statues.first_editable; i < statues.count; i++) {
    const statue &st = statues.items[i];
    if (!st.model_name || !st.texture_name) continue;
    records.push_back({st.x, st.y_offset, st.z, st.heading, st.model_name, st.texture_name, st.shape_name});
  }
  bool ok = emit_statues(s, records.data(), (int)records.size());
  data_close(s);
  return ok;
}

void statues_clear() {
  for (int32_t i = 0; i < statues.count; i++) {
    statue &st = statues.items[i];
    shape_free(st.shape);
    free(st.model_name);
    free(st.texture_name);
    free(st.shape_name);
  }
  free(statues.items);
  statues = statue_table{};
}
