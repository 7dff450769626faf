#include "sound/engine_sound.h"

#include <cstring>

// No mixer yet: silence.
bool sound_output_open() { return false; }
void engine_sounds_update(float) {}
void sound_commit() {}
int sound_render_tick(unsigned char *buf, int size) {
  int n = size < 1380 ? size : 1380;
  memset(buf, 128, (size_t)n);
  return n;
}

#include <cstdio>

static FILE *record_file;

bool sound_record_open(const char *path) {
  record_file = fopen(path, "wb");
  return record_file != nullptr;
}

void sound_record_tick() {
  if (!record_file) return;
  unsigned char buf[1380];
  int n = sound_render_tick(buf, sizeof buf);
  fwrite(buf, 1, (size_t)n, record_file);
}

void sound_record_close() {
  if (record_file) fclose(record_file);
  record_file = nullptr;
}
