#include "app/menu.h"

void menu_key(int32_t) {}
void menu_drag(int32_t, int32_t) {}
void menu_hover(int32_t, int32_t) {}
void menu_draw() {}
