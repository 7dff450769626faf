// The release check (a root holding the released "zzzz.saf"), which also
// names the default log file, and the action that shows the personal folder.
#include <nettle/ripemd160.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "data/data.h"
#include "data/data_internal.h"
#include "data/file_digest.h"
#include "platform/fs.h"
#include "platform/log.h"

namespace {

constexpr size_t DIGEST_BLOCK = 256;

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int parse_digest_hex(const char *hex, uint8_t digest[FILE_DIGEST_BYTES]) {
  if (!hex) return 0;
  for (int i = 0; i < FILE_DIGEST_BYTES; i++) {
    int hi = hex_value(hex[2 * i]);
    int lo = hi < 0 ? -1 : hex_value(hex[2 * i + 1]);
    if (lo < 0) return 0;
    digest[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return hex[2 * FILE_DIGEST_BYTES] == 0;
}

int file_digest(const char *path, uint8_t digest[FILE_DIGEST_BYTES]) {
  FILE *f = fopen(path, "rb");
  if (!f) return 0;
  if (fs_stream_is_folder(f)) {
    fclose(f);
    return 0;
  }
  ripemd160_ctx ctx;
  ripemd160_init(&ctx);
  uint8_t block[DIGEST_BLOCK];
  long left = FILE_DIGEST_SPAN;
  bool ok = true;
  while (left > 0) {
    size_t want = left < static_cast<long>(DIGEST_BLOCK) ? static_cast<size_t>(left) : DIGEST_BLOCK;
    size_t got = fread(block, 1, want, f);
    ripemd160_update(&ctx, got, block);
    left -= static_cast<long>(got);
    if (got < want) {
      ok = !ferror(f);
      break;
    }
  }
  fclose(f);
  ripemd160_digest(&ctx, FILE_DIGEST_BYTES, digest);
  return ok ? 1 : 0;
}

int check_game_data(const char *release_digest_hex) {
  const char *home = data_roots(0);
  if (home) {
    make_parent_folders(home);
    log_printf("KOBA_LOGFILE=%slastlog.txt", home);
  }
  uint8_t expected[FILE_DIGEST_BYTES];
  if (!parse_digest_hex(release_digest_hex, expected)) return 0;
  for (int r = 0; const char *root = data_roots(r); r++) {
    std::string path = std::string(root) + "zzzz.saf";
    uint8_t actual[FILE_DIGEST_BYTES];
    if (file_digest(path.c_str(), actual) && memcmp(actual, expected, FILE_DIGEST_BYTES) == 0) return 1;
  }
  return 0;
}

void open_home_folder() {
  const char *home = data_roots(0);
  if (!home) return;
  make_parent_folders(home);
  std::string path = home;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  fs_show_folder(path.c_str());
}
