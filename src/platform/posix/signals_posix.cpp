// Ctrl-C and SIGTERM end the game the way the menus' Quit does: the main loop
// sees the quit flag and the normal shutdown runs.
#include <signal.h>

#include "platform/video.h"

static void on_quit_signal(int) { request_quit(); }

void install_quit_signals() {
  struct sigaction sa = {};
  sa.sa_handler = on_quit_signal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}
