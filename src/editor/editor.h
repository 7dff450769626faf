// The track editor as the main loop sees it.
#pragma once
#include <cstdint>

void editor_tick();
// True when the editor consumed the event.
bool editor_key(int32_t code, int32_t pressed);
// Finalises the edited terrain and settles the bikes on it.
void editor_leave();
