// Seeking the played demo by whole seconds (rewind and skip keys).
#pragma once

void demo_seek_seconds(double seconds);

// Opens a demo for playback; on success *track names its track folder.
bool demo_open_playback(const char *path, char *track, int track_size);
bool demo_is_playing();
// The game tick's replay step: record or play back this tick.
void demo_tick();
