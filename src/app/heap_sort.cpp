#include "app/heap_sort.h"

static void swap_bytes(unsigned char *a, unsigned char *b, size_t n) {
  for (size_t i = 0; i < n; i++) {
    unsigned char t = a[i];
    a[i] = b[i];
    b[i] = t;
  }
}

static void sift_down(unsigned char *base, int a, int count, size_t size, int (*compare)(const void *, const void *)) {
  int b = 2 * a + 1;
  while (b < count) {
    if (b + 1 < count && compare(base + (size_t)(b + 1) * size, base + (size_t)b * size) > 0) b++;
    if (compare(base + (size_t)b * size, base + (size_t)a * size) <= 0) return;
    swap_bytes(base + (size_t)a * size, base + (size_t)b * size, size);
    a = b;
    b = 2 * a + 1;
  }
}

void heap_sort(void *array, int count, size_t element_size, int (*compare)(const void *, const void *)) {
  unsigned char *base = (unsigned char *)array;
  for (int i = count / 2 - 1; i >= 0; i--) sift_down(base, i, count, element_size, compare);
  for (int size = count; size >= 1; size--) {
    swap_bytes(base, base + (size_t)(size - 1) * element_size, element_size);
    sift_down(base, 0, size - 1, element_size, compare);
  }
}
