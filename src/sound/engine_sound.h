// Engine voices as the main loop drives them: one update per frame with the
// master gain, then the commit of the mix to the output.
#pragma once

bool sound_output_open();
void engine_sounds_update(float master_gain);
void sound_commit();
// Renders one tick of sound (690 stereo frames, 8-bit) into buf; returns the bytes.
int sound_render_tick(unsigned char *buf, int size);

// The audio recording file ("--record-audio"): one tick of sound appended per tick.
bool sound_record_open(const char *path);
void sound_record_tick();
void sound_record_close();
