// kv_datakit OUT_DIR: writes the game's own data (tracks and shapes) into a
// staging folder, the same bytes on every run.
#include <cstdio>

#include "datakit.h"

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: kv_datakit OUT_DIR\n");
    return 1;
  }
  return datakit_write_tree(argv[1]) ? 0 : 1;
}
