// Scripted input for automated runs ("[script:FILE]"): timed lines of key
// presses, releases, typed text and quit, fed into the event queue as their
// times come. Times are seconds from the moment the script was started.
#pragma once
#include "platform/clock.h"

// Loads the script named by the option, if any; reports a bad file on stderr
// and returns false (the run goes on without a script).
bool script_start_from_option();
bool script_load_text(const char *text, kv_time start);
// Queues every line whose time has come; a due "quit" line requests quit.
void script_pump(kv_time now);
bool script_active();
void script_stop();
