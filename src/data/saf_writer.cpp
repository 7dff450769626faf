// The ".saf" archive writer shared by the build's packing tools.
#include "data/saf_writer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/fs.h"
#include "platform/log.h"

namespace {

constexpr int64_t MAX_ARCHIVE = 2147483647;
constexpr size_t MAX_LINE = 1023;
constexpr size_t COPY_BLOCK = 65536;

bool name_is_valid(const char *name) {
  return name[0] != 0 && !strchr(name, '\n') && !strstr(name, "//");
}

// Appends the file's bytes; exactly `size` of them must be there.
bool copy_member(FILE *out, const char *path, int64_t size, unsigned char *block) {
  FILE *in = fopen(path, "rb");
  if (!in) return false;
  int64_t copied = 0;
  for (;;) {
    size_t got = fread(block, 1, COPY_BLOCK, in);
    if (got == 0) break;
    if (fwrite(block, 1, got, out) != got) break;
    copied += static_cast<int64_t>(got);
  }
  bool ok = !ferror(in) && copied == size;
  fclose(in);
  return ok;
}

}  // namespace

int saf_write(const char *out_path, const char *const names[], const char *const paths[], int count) {
  if (count < 0) return 0;
  int64_t *sizes = static_cast<int64_t *>(calloc(static_cast<size_t>(count) + 1, sizeof(int64_t)));
  if (!sizes) return 0;
  int64_t header = 2;  // "-\n"
  int64_t data = 0;
  for (int i = 0; i < count; i++) {
    fs_status st;
    if (!name_is_valid(names[i]) || !fs_stat(paths[i], &st) || st.is_folder) {
      log_printf("saf_write: bad member %s\n", names[i]);
      free(sizes);
      return 0;
    }
    sizes[i] = st.size;
    char line[32];
    int digits = snprintf(line, sizeof line, "%lld ", static_cast<long long>(st.size));
    size_t line_length = static_cast<size_t>(digits) + strlen(names[i]) + 1;
    if (line_length > MAX_LINE) {
      log_printf("saf_write: header line too long for %s\n", names[i]);
      free(sizes);
      return 0;
    }
    header += static_cast<int64_t>(line_length);
    data += st.size;
  }
  if (header + data > MAX_ARCHIVE) {
    log_printf("saf_write: archive would exceed 2 GiB\n");
    free(sizes);
    return 0;
  }
  FILE *out = fopen(out_path, "wb");
  unsigned char *block = static_cast<unsigned char *>(malloc(COPY_BLOCK));
  bool ok = out && block;
  for (int i = 0; ok && i < count; i++)
    ok = fprintf(out, "%lld %s\n", static_cast<long long>(sizes[i]), names[i]) > 0;
  if (ok) ok = fputs("-\n", out) >= 0;
  for (int i = 0; ok && i < count; i++) ok = copy_member(out, paths[i], sizes[i], block);
  if (out && fclose(out) != 0) ok = false;
  free(block);
  free(sizes);
  if (!ok) {
    remove(out_path);
    return 0;
  }
  return 1;
}
