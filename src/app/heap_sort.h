// The program's one sorting routine: an in-place heap sort, not stable. Every
// client and every replay relies on the exact order it leaves equal elements in,
// so nothing else sorts what the simulation depends on.
#pragma once
#include <cstddef>

// compare(a, b) > 0 when a sorts after b.
void heap_sort(void *array, int count, size_t element_size, int (*compare)(const void *, const void *));
