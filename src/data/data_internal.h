// Private to the data layer: roots, the file index and path helpers shared
// by the opener, the release check and the archive writer.
#pragma once
#include <cstddef>
#include <cstdint>

// Every path the layer builds, data names included, fits in this buffer;
// longer ones fail rather than being cut.
constexpr size_t DATA_PATH_MAX = 512;

int data_root_count();
// Joins a and b into buf (DATA_PATH_MAX bytes); 0 when the result would not fit.
int join_path(char *buf, const char *a, const char *b);
// Turns "\" into "/" and collapses every run of "/" into one, in place.
void normalise_slashes(char *path);
// Creates every folder on the way to the last "/" of path (failures ignored).
void make_parent_folders(const char *path);

struct index_entry {
  char *path;        // the loose file, or the archive holding the member
  const char *name;  // data name (a view into path, or owned for members)
  int owns_name;
  int32_t offset;
  int64_t size;
  int32_t source;
};

// Builds the index on first use; the entries in index order.
const index_entry *file_index(int *count);
// First entry whose name equals `name` ignoring the case of A-Z, or equals it
// followed by ".gz"; *is_gz tells which. nullptr when none.
const index_entry *index_find(const char *name, int *is_gz);
void index_reset();
