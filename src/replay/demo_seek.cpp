#include "replay/demo_seek.h"

void demo_seek_seconds(double) {}
bool demo_open_playback(const char *, char *, int) { return false; }
bool demo_is_playing() { return false; }
void demo_tick() {}
