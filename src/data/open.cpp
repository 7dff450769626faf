// Opening: plain paths (folders created for writing, "~" numbered backups,
// the ".gz" fallback for reading), "@" data names (each root, then the index),
// and renaming. Folders are never opened as files.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/data.h"
#include "data/data_internal.h"
#include "data/stream_internal.h"
#include "platform/fs.h"

namespace {

constexpr size_t MAX_CREATE_PATH = 1024;  // longer paths get no folders made
constexpr size_t MAX_GZ_PATH = 1023;
constexpr size_t MAX_BACKUP_PATH = 1000;
constexpr int MAX_BACKUPS = 9999;
constexpr size_t COPY_BLOCK = 65536;

bool read_only(const char *mode) { return strchr(mode, 'r') && !strchr(mode, '+'); }

// fopen that refuses folders (Linux opens them for reading).
FILE *open_file(const char *path, const char *mode) {
  FILE *f = fopen(path, mode);
  if (f && fs_stream_is_folder(f)) {
    fclose(f);
    return nullptr;
  }
  return f;
}

// Copies path to the first free "%s.~%d~", then opens path with the mode.
FILE *open_with_backup(const char *path, const char *mode) {
  if (strlen(path) > MAX_BACKUP_PATH) return nullptr;
  FILE *in = open_file(path, "rb");
  if (!in) return open_file(path, mode);
  char backup[MAX_BACKUP_PATH + 16];
  int n = 1;
  for (; n <= MAX_BACKUPS; n++) {
    snprintf(backup, sizeof backup, "%s.~%d~", path, n);
    fs_status st;
    if (!fs_stat(backup, &st)) break;  // a folder of that name counts as taken
  }
  FILE *out = n <= MAX_BACKUPS ? fopen(backup, "wb") : nullptr;
  bool copied = out != nullptr;
  unsigned char *block = copied ? static_cast<unsigned char *>(malloc(COPY_BLOCK)) : nullptr;
  if (!block) copied = false;
  while (copied) {
    size_t got = fread(block, 1, COPY_BLOCK, in);
    if (got > 0 && fwrite(block, 1, got, out) != got) copied = false;
    if (got < COPY_BLOCK) {
      if (ferror(in)) copied = false;
      break;
    }
  }
  free(block);
  fclose(in);
  if (out && fclose(out) != 0) copied = false;
  if (!copied) return nullptr;
  return open_file(path, mode);
}

data_stream *finish_open(FILE *f, int32_t base, int32_t limit, int gz) {
  if (!f) return nullptr;
  data_stream *s = stream_create(f, base, limit);
  if (!s) return nullptr;
  if (gz) {
    s->gz = 1;
    if (!gz_begin(s)) {
      data_close(s);
      return nullptr;
    }
  }
  return s;
}

data_stream *open_plain(const char *path, const char *mode) {
  if (!read_only(mode) && strlen(path) < MAX_CREATE_PATH) make_parent_folders(path);
  FILE *f = mode[0] == '~' ? open_with_backup(path, mode + 1) : open_file(path, mode);
  int gz = 0;
  if (!f && read_only(mode)) {
    size_t n = strlen(path);
    if (n + 3 <= MAX_GZ_PATH) {
      char *gz_path = static_cast<char *>(malloc(n + 4));
      if (gz_path) {
        memcpy(gz_path, path, n);
        memcpy(gz_path + n, ".gz", 4);
        f = open_file(gz_path, mode);
        gz = f != nullptr;
        free(gz_path);
      }
    }
  }
  return finish_open(f, 0, DATA_UNBOUNDED, gz);
}

data_stream *open_member(const index_entry *e, int gz) {
  FILE *f = open_file(e->path, "rb");
  if (!f) return nullptr;
  if (fseek(f, e->offset, SEEK_SET) != 0) {
    fclose(f);
    return nullptr;
  }
  int32_t limit = e->size > DATA_UNBOUNDED ? DATA_UNBOUNDED : static_cast<int32_t>(e->size);
  return finish_open(f, e->offset, limit, gz);
}

data_stream *open_data_name(const char *rest, const char *mode) {
  int roots = data_root_count();
  char path[DATA_PATH_MAX];
  for (int r = 0; r < roots; r++) {
    // A name that does not fit is refused, never cut short into another name.
    if (!join_path(path, data_roots(r), rest)) return nullptr;
    if (data_stream *s = open_plain(path, mode)) return s;
  }
  if (!read_only(mode)) return nullptr;
  int gz = 0;
  const index_entry *e = index_find(rest, &gz);
  return e ? open_member(e, gz) : nullptr;
}

// Root 0 + rest for "@" names, other names as they stand; nullptr when there
// is no root 0 or the path doesn't fit.
const char *rename_path(char *buf, const char *name) {
  if (name[0] != '@') return name;
  const char *root = data_roots(0);
  return root && join_path(buf, root, name + 1) ? buf : nullptr;
}

}  // namespace

data_stream *data_open(const char *name, const char *mode) {
  if (!name || !mode) return nullptr;
  if (name[0] == '@') return open_data_name(name + 1, mode);
  return open_plain(name, mode);
}

int data_rename(const char *old_name, const char *new_name) {
  char from[DATA_PATH_MAX], to[DATA_PATH_MAX];
  if (!old_name || !new_name) return 0;
  const char *from_path = rename_path(from, old_name);
  const char *to_path = rename_path(to, new_name);
  if (!from_path || !to_path) return 0;
  return rename(from_path, to_path) == 0 ? 1 : 0;
}
