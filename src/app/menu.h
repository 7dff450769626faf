// The menus as the main loop sees them.
#pragma once
#include <cstdint>

void menu_key(int32_t code);
void menu_drag(int32_t x, int32_t y);
// Makes the item under the cursor the selected one.
void menu_hover(int32_t x, int32_t y);
void menu_draw();
