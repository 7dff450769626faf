#include "platform/video.h"

#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform/log.h"
#include "platform/options.h"
#include "platform/script.h"

#ifdef KV_HAVE_SDL_VIDEO
extern const video_backend sdl_video;
#endif

static const video_backend *current;

const video_backend *video_select() {
  char buf[32];
  const char *name = option_text("video", nullptr, buf, sizeof buf);
  current = &headless_video;
#ifdef KV_HAVE_SDL_VIDEO
  if (!name || strcmp(name, "headless") != 0) current = &sdl_video;
#else
  if (name && strcmp(name, "headless") != 0) log_printf("video backend \"%s\" not available\n", name);
#endif
  return current;
}

const video_backend *video_current() { return current ? current : video_select(); }

bool window_open(const char *title, int width, int height, int depth, bool fullscreen) {
  return video_current()->open_window(title, width, height, depth, fullscreen);
}
void window_close() { video_current()->close_window(); }
bool window_drawable_size(int *width, int *height) { return video_current()->drawable_size(width, height); }
bool window_swap_buffers() { return video_current()->swap_buffers(); }
void window_pump_events() {
  video_current()->pump_events();
  script_pump(input_time());
}

void message_box(const char *title, const char *text) {
  size_t n = strlen(text);
  const char *nl = n && text[n - 1] == '\n' ? "" : "\n";
  fprintf(stderr, "%s: %s%s", title, text, nl);
  log_printf("%s: %s%s", title, text, nl);
  if (!script_active()) video_current()->message_box(title, text);
}

static volatile sig_atomic_t quit_flag;

void request_quit() { quit_flag = 1; }
bool quit_requested() { return quit_flag != 0; }
void quit_reset() { quit_flag = 0; }
