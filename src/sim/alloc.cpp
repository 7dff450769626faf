#include "sim/alloc.h"

#include <cstdlib>

#include "platform/log.h"

void *sim_calloc(size_t count, size_t size) {
  void *p = calloc(count ? count : 1, size ? size : 1);
  if (!p) {
    log_printf("Out of virtual memory\n");
    exit(1);
  }
  return p;
}
