// What the main loop draws each frame: the world from a camera, the HUD and
// overlays, captions and the menu. Each call draws nothing without GL.
#pragma once

void frame_set_viewport(int width, int height);
void frame_draw_view(int view_mode);
void frame_draw_hud(int view_mode);
void frame_draw_overlays();
void frame_draw_caption(const char *text, int line_from_top);
void frame_finish();
// Reads the frame buffer as 8-bit RGB rows from the bottom row up; false when
// nothing can be read.
bool frame_read_rgb(unsigned char *rgb, int width, int height);

// GL capabilities, shader programs, GL defaults, fonts and interface pictures
// (after the window reports its size); false when there is no GL context.
bool render_startup();
void render_shutdown();
