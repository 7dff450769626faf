#include "app/message_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/main_loop.h"
#include "platform/log.h"

message_log_state message_log;

void post_message(const char *text) {
  size_t n = strlen(text);
  log_printf("%s%s", text, n && text[n - 1] == '\n' ? "" : "\n");
  char *line = message_log.lines[message_log.write_index];
  snprintf(line, MESSAGE_LENGTH + 1, "%s", text);
  message_log.write_index = (message_log.write_index + 1) % MESSAGE_LINES;
  if (message_log.visible < MESSAGE_VISIBLE) message_log.visible++;
  message_log.next_expiry = loop.clock + 2;
}

void post_messagef(const char *format, ...) {
  char text[1024];
  va_list ap;
  va_start(ap, format);
  vsnprintf(text, sizeof text, format, ap);
  va_end(ap);
  post_message(text);
}

void message_log_clear() { memset(&message_log, 0, sizeof message_log); }

void message_log_expire(double clock) {
  if (message_log.visible > 0 && clock > message_log.next_expiry) {
    message_log.visible--;
    message_log.next_expiry = clock + 5;
  }
}

const char *message_log_visible(int i) {
  if (i < 0 || i >= message_log.visible) return nullptr;
  int index = message_log.write_index - message_log.visible + i;
  return message_log.lines[(index % MESSAGE_LINES + MESSAGE_LINES) % MESSAGE_LINES];
}
