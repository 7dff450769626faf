// File-system services the data layer needs from the operating system: folder
// listing, status, folder creation, the program's own path, the personal base
// folder, and showing a folder in the desktop's file browser. Paths use "/".
// Every call reports failure through its result and prints nothing.
// Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

struct fs_status {
  int is_folder;
  int64_t size;  // bytes, for files
};

// 1 and the status when `path` exists and its status can be read (links are
// followed), else 0.
int fs_stat(const char *path, fs_status *out);
// 1 when the open stream refers to a folder.
int fs_stream_is_folder(FILE *f);

// Calls fn for every entry of the folder except "." and "..", in the order the
// system lists them. 0 when the folder can't be listed.
typedef void (*fs_entry_fn)(const char *entry_name, void *context);
int fs_list_folder(const char *path, fs_entry_fn fn, void *context);

// Creates one folder; 1 when it was created or already exists as a folder.
int fs_make_folder(const char *path);

// The program file's full path; 0 when it can't be told or doesn't fit.
int fs_program_path(char *buf, size_t size);
// The per-user data base folder without a trailing "/": $XDG_DATA_HOME when
// set and absolute, else $HOME/.local/share (HOME from the password database
// when unset or empty). 0 when unknown or it doesn't fit.
int fs_personal_base(char *buf, size_t size);

// Asks the desktop to show the folder, without waiting for it; nothing
// happens (and nothing is reported) when no opener is installed.
void fs_show_folder(const char *path);
