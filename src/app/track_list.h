// The track and demo lists built once at start-up from the data names and
// kept until exit: parallel arrays of owned strings (data name or folder, and
// the display name).
#pragma once

struct name_list {
  char **names;    // track folder, or demo data name
  char **display;  // display name
  int count;
  int capacity;
};

extern name_list track_list;
extern name_list demo_list;

// Every folder holding "terrain.hf" or "terrain.hf.gz", named by the first line
// of its "desc" file, sorted by display name ignoring case. False when none.
bool track_list_build();
// Every "demos/...kvdemo" data name, named by the text between the last "/" and the last ".".
void demo_list_build();
void name_list_free(name_list *list);
// Index of the track folder, or -1.
int track_list_find(const char *folder);
