// The window and its backends. One table of operations per backend (headless,
// SDL2); the portable code calls only these. The headless backend has no window
// but reports a drawable size so the loop draws into nothing.
#pragma once

struct video_backend {
  const char *name;
  bool (*open_window)(const char *title, int width, int height, int depth, bool fullscreen);
  void (*close_window)();
  // False while the window has no drawable size (not yet mapped, minimised).
  bool (*drawable_size)(int *width, int *height);
  // Swaps buffers; returns false when the window was closed.
  bool (*swap_buffers)();
  // Moves pending window and device input into the event queue.
  void (*pump_events)();
  void (*message_box)(const char *title, const char *text);
};

extern const video_backend headless_video;

// The backend chosen by the "[video:...]" option ("headless"; the real one by default).
const video_backend *video_select();
const video_backend *video_current();

bool window_open(const char *title, int width, int height, int depth, bool fullscreen);
void window_close();
bool window_drawable_size(int *width, int *height);
bool window_swap_buffers();
void window_pump_events();

// Shows a message box; the text also goes to standard error and the log first,
// so that it is never lost on a machine without a display and never blocks a
// scripted run.
void message_box(const char *title, const char *text);

// The quit request shared by the menus, the input script and SIGINT/SIGTERM.
void request_quit();
bool quit_requested();
void quit_reset();
void install_quit_signals();
