// The data roots: root 0 the personal folder (when the system can tell it),
// then KV_HOME or else the program's folder. Computed once, kept for the run.
#include <cstdlib>
#include <cstring>

#include "data/data.h"
#include "data/data_internal.h"
#include "platform/fs.h"

namespace {

constexpr size_t ROOT_PATH_MAX = 4096;

// A root too long for any data name is kept (so root 0 stays the personal
// folder); the names joined to it then fail to fit.
struct root_list {
  int computed;
  int count;
  char path[2][ROOT_PATH_MAX];
};
root_list roots;

void add_root(const char *path) {
  size_t n = strlen(path);
  if (n == 0 || n + 1 > ROOT_PATH_MAX) return;
  char *dst = roots.path[roots.count];
  memcpy(dst, path, n + 1);
  normalise_slashes(dst);
  roots.count++;
}

void compute_roots() {
  roots.computed = 1;
  roots.count = 0;
  char buf[ROOT_PATH_MAX];
  if (fs_personal_base(buf, sizeof buf - 16)) {
    strcat(buf, "/Korvath/");
    add_root(buf);
  }
  // An empty KV_HOME would make "/" a root and the index scan the whole disk.
  const char *home = getenv("KV_HOME");
  if (home && home[0]) {
    if (strlen(home) + 2 <= sizeof buf) {
      strcpy(buf, home);
      strcat(buf, "/");
      add_root(buf);
    }
  } else if (fs_program_path(buf, sizeof buf - 2)) {
    normalise_slashes(buf);
    char *slash = strrchr(buf, '/');
    if (slash) {
      slash[1] = 0;
      add_root(buf);
    }
  }
}

}  // namespace

void normalise_slashes(char *path) {
  char *out = path;
  for (const char *in = path; *in; in++) {
    char c = *in == '\\' ? '/' : *in;
    if (c == '/' && out > path && out[-1] == '/') continue;
    *out++ = c;
  }
  *out = 0;
}

int join_path(char *buf, const char *a, const char *b) {
  size_t la = strlen(a), lb = strlen(b);
  if (la + lb + 1 > DATA_PATH_MAX) return 0;
  memcpy(buf, a, la);
  memcpy(buf + la, b, lb + 1);
  return 1;
}

void make_parent_folders(const char *path) {
  size_t n = strlen(path);
  char *prefix = static_cast<char *>(malloc(n + 1));
  if (!prefix) return;
  for (size_t i = 1; i < n; i++) {
    if (path[i] != '/' || path[i - 1] == '/') continue;
    memcpy(prefix, path, i);
    prefix[i] = 0;
    fs_make_folder(prefix);
  }
  free(prefix);
}

int data_root_count() {
  if (!roots.computed) compute_roots();
  return roots.count;
}

const char *data_roots(int i) {
  if (i < 0 || i >= data_root_count()) return nullptr;
  return roots.path[i];
}

void data_reset() {
  index_reset();
  roots.computed = 0;
  roots.count = 0;
}
