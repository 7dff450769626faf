// The log: one text file that every part of the program appends time-stamped
// lines to. The first message names the file ("KOBA_LOGFILE=" + path) unless
// the KOBA_LOGFILE environment variable overrides it; without a file nothing is
// written and nothing fails. Safe to call from any thread (one write + flush).
#pragma once

void log_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));
void log_error(const char *text);

// Verbosity the Parts call "--debug" (1) and "--super-debug" (2); 0 by default.
extern int debug_level;

// Closes the file and forgets the initialisation, so that tests can start over.
void log_reset();
