#include "config/texture_variants.h"

#include <cstring>

#include "data/data.h"

// Graphics texture prefixes of the "Bike" choices, in choice order.
static const char *const BIKE_PREFIXES[] = {
    "crf250-", "kx250f-", "rmz250-", "yz250f-", "crf250-", "kx250f-", "rmz250-", "yz250f-", "crf250-",
    "kx250f-", "rmz250-", "yz250f-", "yz250f_se-", "cr125-", "kx125-", "rm125-", "yz125-"};
enum { BIKE_PREFIX_COUNT = sizeof BIKE_PREFIXES / sizeof BIKE_PREFIXES[0] };

const char *bike_texture_prefix(int bike_choice_index) {
  if (bike_choice_index < 0 || bike_choice_index >= BIKE_PREFIX_COUNT) return BIKE_PREFIXES[0];
  return BIKE_PREFIXES[bike_choice_index];
}

static const char *const DEFAULT_ONLY[] = {"default"};
static const char *const DEFAULT_ONLY_DATA[] = {nullptr};

// One owned list per item that has been built.
struct owned_list {
  choice_item *item;
  char **names;
  char **data_names;
  int count;
};
enum { OWNED_LIST_MAX = 8 };
static owned_list owned[OWNED_LIST_MAX];

static void free_list(owned_list *o) {
  for (int i = 0; i < o->count; i++) {
    delete[] o->names[i];
    delete[] o->data_names[i];
  }
  delete[] o->names;
  delete[] o->data_names;
  o->names = nullptr;
  o->data_names = nullptr;
  o->count = 0;
}

static owned_list *list_for(choice_item *item) {
  owned_list *free_slot = nullptr;
  for (owned_list &o : owned) {
    if (o.item == item) return &o;
    if (!o.item && !free_slot) free_slot = &o;
  }
  if (free_slot) free_slot->item = item;
  return free_slot;
}

static char *copy_text(const char *text, size_t n) {
  char *s = new char[n + 1];
  memcpy(s, text, n);
  s[n] = 0;
  return s;
}

static bool ends_with(const char *s, size_t len, const char *suffix) {
  size_t n = strlen(suffix);
  return len >= n && memcmp(s + len - n, suffix, n) == 0;
}

static const char *last_component(const char *name) {
  const char *slash = strrchr(name, '/');
  return slash ? slash + 1 : name;
}

// The matched file's display name length, or -1 when the name is no variant.
static long variant_length(const char *name, const char *prefix, size_t prefix_len) {
  size_t len = strlen(name);
  if (!ends_with(name, len, ".png") || ends_with(name, len, "_norm.png") || ends_with(name, len, "_spec.png"))
    return -1;
  const char *base = last_component(name);
  size_t base_len = strlen(base);
  // The prefix and ".png" must not overlap.
  if (base_len < prefix_len + 4 || strncmp(base, prefix, prefix_len) != 0) return -1;
  return (long)(base_len - prefix_len - 4);
}

void texture_variants_build(choice_item *item, const char *prefix) {
  owned_list *o = list_for(item);
  if (!o) return;  // more items than the table holds: keep the old list
  free_list(o);

  size_t prefix_len = strlen(prefix);
  const char *const *list = data_list();
  int matches = 0;
  for (int i = 0; list && list[i]; i++)
    if (variant_length(list[i], prefix, prefix_len) >= 0) matches++;

  o->names = new char *[matches + 1];
  o->data_names = new char *[matches + 1];
  o->names[0] = copy_text("default", 7);
  o->data_names[0] = nullptr;
  o->count = 1;
  for (int i = 0; list && list[i] && o->count < matches + 1; i++) {
    long n = variant_length(list[i], prefix, prefix_len);
    if (n < 0) continue;
    o->names[o->count] = copy_text(last_component(list[i]) + prefix_len, (size_t)n);
    size_t name_len = strlen(list[i]);
    char *data_name = new char[name_len + 2];
    data_name[0] = '@';
    memcpy(data_name + 1, list[i], name_len + 1);
    o->data_names[o->count] = data_name;
    o->count++;
  }

  item->names = o->names;
  item->data_names = o->data_names;
  item->count = o->count;
  item->selected = 0;
}

void texture_variants_build_all() {
  texture_variants_build(&settings.rider_texture, "rider_body-");
  texture_variants_build(&settings.head_texture, "rider_head-");
  texture_variants_build(&settings.bike_texture, bike_texture_prefix(settings.bike.selected));
  texture_variants_build(&settings.wheel_texture, "wheels-");
}

void texture_variants_release_all() {
  for (owned_list &o : owned) {
    if (!o.item) continue;
    free_list(&o);
    o.item->names = DEFAULT_ONLY;
    o.item->data_names = DEFAULT_ONLY_DATA;
    o.item->count = 1;
    o.item->selected = 0;
    o.item = nullptr;
  }
}
