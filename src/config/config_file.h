// The configuration file "@config" in the personal folder: read once at
// start-up over the defaults, written once at shutdown. Reading is lenient:
// lines without "=", unknown keys and unreadable values are skipped silently.
// Writing goes to "@config.tmp" first and replaces "@config" only when every
// line was written and flushed, so a failed write keeps the old file.
// Main thread only.
#pragma once

// Applies "@config" to the settings; false when there is no such file.
bool config_read();
// Writes every key in order; false (and nothing changed on disk) on failure.
bool config_write();
