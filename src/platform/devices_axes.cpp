// Axis handles and the absolute axis list. A handle names its device by code,
// so a handle outliving its device reads 0 instead of touching freed memory.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/devices.h"
#include "platform/log.h"

bool scan_device_part(const char *name, const char *dotted, const char *spaced, char *device, int *number);
bool device_acquire(input_device *d);
void device_release(input_device *d);
void device_poll(input_device *d);

struct axis_handle {
  int32_t device_code;
  int32_t axis;
};

axis_handle *axis_open(const char *name) {
  if (!name) return nullptr;
  name = alias_lookup(name);
  char device[DEVICE_NAME_LENGTH + 1];
  int axis;
  if (!scan_device_part(name, "axis", "axis", device, &axis) || axis < 0) return nullptr;
  input_device *d = device_find(device);
  if (!d || axis >= d->axis_count) return nullptr;
  if (d->open_count == 0 && !device_acquire(d)) return nullptr;
  axis_handle *h = (axis_handle *)malloc(sizeof *h);
  if (!h) return nullptr;
  h->device_code = d->code;
  h->axis = axis;
  d->open_count++;
  return h;
}

static input_device *handle_device(const axis_handle *h) {
  input_device *d = h ? device_by_code(h->device_code) : nullptr;
  return d && d->code == h->device_code && h->axis < d->axis_count ? d : nullptr;
}

int32_t axis_read(axis_handle *h) {
  input_device *d = handle_device(h);
  if (!d) return 0;
  device_poll(d);
  if (d->relative) {
    int32_t v = d->axes[h->axis];
    d->axes[h->axis] = 0;
    return v;
  }
  if (d->ops && d->ops->read_axis) d->axes[h->axis] = d->ops->read_axis(d, h->axis);
  return d->axes[h->axis];
}

void axis_close(axis_handle *h) {
  if (!h) return;
  input_device *d = handle_device(h);
  if (d && d->open_count > 0 && --d->open_count == 0) device_release(d);
  free(h);
}

bool axis_is_relative(const axis_handle *h) {
  input_device *d = handle_device(h);
  return d && d->relative;
}

enum { AXIS_LIST_LIMIT = DEVICE_LIMIT * 4, AXIS_NAME_SIZE = 220 };

// Fixed room: the calibration watches a handful of pots, not thousands.
static char axis_names[AXIS_LIST_LIMIT][AXIS_NAME_SIZE];
static const char *axis_list[AXIS_LIST_LIMIT + 1] = {""};
static int axis_list_count;

void absolute_axes_add(const input_device *d) {
  for (int i = 0; i < d->axis_count; i++) {
    char name[AXIS_NAME_SIZE];
    snprintf(name, sizeof name, "%.200s axis %d", d->name, i);
    bool known = false;
    for (int k = 0; k < axis_list_count && !known; k++) known = strcmp(axis_list[k], name) == 0;
    if (known) continue;
    if (axis_list_count == AXIS_LIST_LIMIT) {
      log_printf("Too many absolute axes; \"%s\" not watched\n", name);
      return;
    }
    log_printf("Adding axis \"%s\"\n", name);
    memcpy(axis_names[axis_list_count], name, sizeof name);
    axis_list[axis_list_count] = axis_names[axis_list_count];
    axis_list[++axis_list_count] = "";
  }
}

void absolute_axes_clear() {
  axis_list_count = 0;
  axis_list[0] = "";
}

const char *const *absolute_axis_names() { return axis_list; }
