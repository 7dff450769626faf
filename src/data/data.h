// Data files: the data roots (root 0 the personal folder, root 1 KV_HOME or the
// program's folder), the file index over loose files and ".saf" archive members,
// "@" data names, the ".gz" fallback, numbered backups, the release check, and
// the stream operations every file format is read and written through.
//
// A data_stream is owned by its opener from data_open to data_close. Failures
// return nullptr / 0 / -1 and report nothing: callers post their own message.
// Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>

struct data_stream;

// i-th root path (ending in "/"), or nullptr when i is out of range.
const char *data_roots(int i);
// Opens a plain path or an "@" data name with a stdio mode; a mode starting
// with "~" makes a numbered backup ("%s.~%d~") of an existing file first.
data_stream *data_open(const char *name, const char *mode);
void data_close(data_stream *s);
int data_rename(const char *old_name, const char *new_name);
// Distinct data names in index order, terminated by nullptr.
const char *const *data_list();

// 1 when a root holds a "zzzz.saf" whose RIPEMD-160 over its first 1 MiB
// equals the 40-hex-digit digest. Also names the default log file.
int check_game_data(const char *release_digest_hex);
// Creates the personal folder and asks the desktop to show it.
void open_home_folder();

int data_getc(data_stream *s);
char *data_gets(data_stream *s, char *buf, int size);
int data_read(data_stream *s, void *buf, int count);
int data_scanf(data_stream *s, const char *format, ...);
int data_seek(data_stream *s, int32_t offset);
int data_putc(data_stream *s, int c);
int data_puts(data_stream *s, const char *text);
int data_write(data_stream *s, const void *buf, int count);
int data_printf(data_stream *s, const char *format, ...) __attribute__((format(printf, 2, 3)));
int data_flush(data_stream *s);

// Forgets the roots and the index so that the next call computes them again
// (tests change KV_HOME and XDG_DATA_HOME between cases).
void data_reset();
