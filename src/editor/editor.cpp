#include "editor/editor.h"

void editor_tick() {}
bool editor_key(int32_t, int32_t) { return false; }
void editor_leave() {}
