#include "app/track_list.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "data/data.h"
#include "platform/log.h"

name_list track_list;
name_list demo_list;

static bool ends_with(const char *s, const char *suffix) {
  size_t n = strlen(s), m = strlen(suffix);
  return n >= m && strcmp(s + n - m, suffix) == 0;
}

static char *dup_range(const char *s, size_t n) {
  char *d = (char *)malloc(n + 1);
  if (!d) return nullptr;
  memcpy(d, s, n);
  d[n] = 0;
  return d;
}

static bool list_add(name_list *list, char *name, char *display) {
  if (name && display && list->count == list->capacity) {
    // Growable arrays start at 16 and double.
    int capacity = list->capacity ? list->capacity * 2 : 16;
    char **n = (char **)realloc(list->names, sizeof(char *) * (size_t)capacity);
    if (n) list->names = n;
    char **d = n ? (char **)realloc(list->display, sizeof(char *) * (size_t)capacity) : nullptr;
    if (d) list->display = d;
    if (n && d) list->capacity = capacity;
  }
  if (!name || !display || list->count == list->capacity) {
    free(name);
    free(display);
    return false;
  }
  list->names[list->count] = name;
  list->display[list->count] = display;
  list->count++;
  return true;
}

void name_list_free(name_list *list) {
  for (int i = 0; i < list->count; i++) {
    free(list->names[i]);
    free(list->display[i]);
  }
  free(list->names);
  free(list->display);
  *list = name_list{nullptr, nullptr, 0, 0};
}

// The first line of "<folder>/desc", up to CR, LF, NUL or the end; nullptr when it can't be opened.
static char *read_description(const char *folder) {
  size_t n = strlen(folder);
  char *path = (char *)malloc(n + 7);
  if (!path) return nullptr;
  memcpy(path, "@", 1);
  memcpy(path + 1, folder, n);
  memcpy(path + 1 + n, "/desc", 6);
  data_stream *s = data_open(path, "rb");
  free(path);
  if (!s) return nullptr;
  char line[1024];
  size_t len = 0;
  int c;
  while (len < sizeof line - 1 && (c = data_getc(s)) >= 0 && c != '\r' && c != '\n' && c != 0) line[len++] = (char)c;
  data_close(s);
  return dup_range(line, len);
}

static int compare_ignoring_case(const char *a, const char *b) {
  for (;; a++, b++) {
    int ca = tolower((unsigned char)*a), cb = tolower((unsigned char)*b);
    if (ca != cb || !ca) return ca - cb;
  }
}

bool track_list_build() {
  name_list_free(&track_list);
  const char *const *names = data_list();
  for (int i = 0; names && names[i]; i++) {
    const char *name = names[i];
    if (!ends_with(name, "/terrain.hf") && !ends_with(name, "/terrain.hf.gz")) continue;
    const char *slash = strrchr(name, '/');
    char *folder = dup_range(name, (size_t)(slash - name));
    if (!folder) continue;
    // "x/terrain.hf" and "x/terrain.hf.gz" name one folder.
    if (track_list_find(folder) >= 0) {
      free(folder);
      continue;
    }
    char *display = read_description(folder);
    if (!display) display = dup_range(folder, strlen(folder));
    list_add(&track_list, folder, display);
  }
  if (track_list.count == 0) return false;
  // Exchange sort: equal names (ignoring case) keep their relative order.
  for (int i = 0; i < track_list.count; i++)
    for (int j = i + 1; j < track_list.count; j++)
      if (compare_ignoring_case(track_list.display[j], track_list.display[i]) < 0) {
        char *t = track_list.names[i];
        track_list.names[i] = track_list.names[j];
        track_list.names[j] = t;
        t = track_list.display[i];
        track_list.display[i] = track_list.display[j];
        track_list.display[j] = t;
      }
  if (debug_level >= 1)
    for (int i = 0; i < track_list.count; i++) log_printf("%s -> %s\n", track_list.names[i], track_list.display[i]);
  return true;
}

void demo_list_build() {
  name_list_free(&demo_list);
  const char *const *names = data_list();
  for (int i = 0; names && names[i]; i++) {
    const char *name = names[i];
    if (strncmp(name, "demos/", 6) != 0 || !ends_with(name, ".kvdemo")) continue;
    const char *slash = strrchr(name, '/');
    const char *start = slash + 1;
    const char *dot = strrchr(start, '.');
    size_t n = dot ? (size_t)(dot - start) : strlen(start);
    list_add(&demo_list, dup_range(name, strlen(name)), dup_range(start, n));
  }
  if (debug_level >= 1)
    for (int i = 0; i < demo_list.count; i++) log_printf("%s -> %s\n", demo_list.names[i], demo_list.display[i]);
}

int track_list_find(const char *folder) {
  for (int i = 0; i < track_list.count; i++)
    if (strcmp(track_list.names[i], folder) == 0) return i;
  return -1;
}
