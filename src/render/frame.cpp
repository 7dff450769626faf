#include "render/frame.h"

#include <cstring>

// The rendering wave fills these in; without GL there is nothing to draw.
void frame_set_viewport(int, int) {}
void frame_draw_view(int) {}
void frame_draw_hud(int) {}
void frame_draw_overlays() {}
void frame_draw_caption(const char *, int) {}
void frame_finish() {}
bool frame_read_rgb(unsigned char *rgb, int width, int height) {
  memset(rgb, 0, (size_t)width * (size_t)height * 3);
  return true;
}
bool render_startup() { return false; }
void render_shutdown() {}
