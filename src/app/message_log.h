// The message log: a ring of 1000 lines of at most 127 characters, of which at
// most 5 are shown; the newest stays at least 2 s, then one line hides every 5 s.
// Every line also goes to the log file. Text is always taken as data.
#pragma once

enum { MESSAGE_LINES = 1000, MESSAGE_LENGTH = 127, MESSAGE_VISIBLE = 5 };

struct message_log_state {
  char lines[MESSAGE_LINES][MESSAGE_LENGTH + 1];
  int write_index;
  int visible;
  double next_expiry;
};

extern message_log_state message_log;

void post_message(const char *text);
// Like post_message with a printf format of the program's own.
void post_messagef(const char *format, ...) __attribute__((format(printf, 1, 2)));
void message_log_clear();
// Hides one line when `clock` has passed the expiry time.
void message_log_expire(double clock);
// The i-th visible line, 0 the oldest shown; nullptr past the visible count.
const char *message_log_visible(int i);
