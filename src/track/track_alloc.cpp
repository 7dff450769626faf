#include "track/track_alloc.h"

#include <cstdlib>
#include <cstring>

#include "platform/log.h"

[[noreturn]] static void out_of_memory() {
  log_printf("Out of virtual memory\n");
  exit(1);
}

void track_array_reserve(void **items, int32_t *capacity, int32_t count, size_t element_size) {
  if (count < *capacity) return;
  int32_t grown = *capacity ? *capacity * 2 : 16;
  void *p = realloc(*items, (size_t)grown * element_size);
  if (!p) out_of_memory();
  *items = p;
  *capacity = grown;
}

char *track_strdup(const char *text) {
  if (!text) return nullptr;
  size_t n = strlen(text) + 1;
  char *copy = (char *)malloc(n);
  if (!copy) out_of_memory();
  memcpy(copy, text, n);
  return copy;
}
