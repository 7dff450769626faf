// Growth of the track's object arrays and copies of the names read from its
// files. Arrays start at capacity 16 and double; allocation failure is fatal
// (logged, exit code 1), so callers never see a null result.
#pragma once
#include <cstddef>
#include <cstdint>

// Makes room for one more element: *items grows when count == *capacity.
void track_array_reserve(void **items, int32_t *capacity, int32_t count, size_t element_size);
// A malloc'd copy of text (nullptr for nullptr).
char *track_strdup(const char *text);
