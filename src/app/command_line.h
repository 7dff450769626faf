// The command line: the option cursor, `match_option` and the option table,
// applied in table order to each argument in turn. Errors are printed to
// standard error; the caller exits with the returned code.
#pragma once
#include <cstdint>

#include "app/run_options.h"

struct option_cursor {
  int32_t remaining;
  char **next;
  bool end_of_options;
};

// Matches the next argument against one option; with wants_value, *value is
// the value text or nullptr when the option was the last argument.
bool match_option(option_cursor *c, const char *name, bool wants_value, const char **value);

enum { PARSE_CONTINUE = -1 };
// Parses argv[1..argc-1] into o (and the xres/yres keys of the settings).
// Returns PARSE_CONTINUE, or the exit code to end the program with at once.
int parse_command_line(int argc, char **argv, run_options *o);
