// The headless backend: no window, no devices. It reports the requested size as
// its drawable size so that the main loop runs its full pass, drawing nothing.
#include "platform/video.h"

static int headless_width, headless_height;
static bool headless_open;

static bool headless_open_window(const char *, int width, int height, int, bool) {
  headless_width = width > 0 ? width : 640;
  headless_height = height > 0 ? height : 480;
  headless_open = true;
  return true;
}

static void headless_close_window() { headless_open = false; }

static bool headless_drawable_size(int *width, int *height) {
  if (!headless_open) return false;
  *width = headless_width;
  *height = headless_height;
  return true;
}

static bool headless_swap_buffers() { return headless_open; }
static void headless_pump_events() {}
static void headless_message_box(const char *, const char *) {}

const video_backend headless_video = {
    "headless",           headless_open_window,  headless_close_window, headless_drawable_size,
    headless_swap_buffers, headless_pump_events, headless_message_box,
};
