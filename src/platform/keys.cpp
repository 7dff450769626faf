#include "platform/keys.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/devices.h"
#include "platform/input.h"

struct key_name_entry {
  const char *name;
  int scan;
};

static const key_name_entry KEY_NAMES[] = {
#include "platform/key_names_table.inc"
};
enum { KEY_NAME_COUNT = sizeof KEY_NAMES / sizeof KEY_NAMES[0], SCAN_CODE_COUNT = 512 };

static const key_name_entry SPECIAL_NAMES[] = {
    {"Close", CLOSE_CODE},
    {"Mouse Left", MOUSE_LEFT_CODE},
    {"Mouse Middle", MOUSE_MIDDLE_CODE},
    {"Mouse Right", MOUSE_RIGHT_CODE},
};

static std::string platform_names[SCAN_CODE_COUNT];

void keys_set_platform_name(int scan, const char *name) {
  if (scan >= 0 && scan < SCAN_CODE_COUNT) platform_names[scan] = name ? name : "";
}

// Case ignored; any white space and "_" count as the same character.
static bool loose_equal(const char *a, const char *b) {
  for (;; a++, b++) {
    int ca = (unsigned char)*a, cb = (unsigned char)*b;
    bool sa = isspace(ca) || ca == '_', sb = isspace(cb) || cb == '_';
    if (sa && sb) continue;
    if (tolower(ca) != tolower(cb)) return false;
    if (!ca) return true;
  }
}

static int32_t find_name(const char *name, bool (*same)(const char *, const char *)) {
  for (const key_name_entry &e : SPECIAL_NAMES)
    if (same(name, e.name)) return e.scan;
  for (int s = 0; s < SCAN_CODE_COUNT; s++)
    if (!platform_names[s].empty() && same(name, platform_names[s].c_str())) return KEY_CODE_BASE + s;
  for (const key_name_entry &e : KEY_NAMES)
    if (same(name, e.name)) return KEY_CODE_BASE + e.scan;
  return -1;
}

static bool exact_equal(const char *a, const char *b) { return strcmp(a, b) == 0; }

int32_t key_code(const char *name) {
  if (!name || !*name) return -1;
  name = alias_lookup(name);
  int32_t c = find_name(name, exact_equal);
  if (c < 0) c = find_name(name, loose_equal);
  if (c >= 0) return c;
  if (name[0] == '0' && (name[1] == 'x' || name[1] == 'X') && isxdigit((unsigned char)name[2])) {
    char *end;
    unsigned long v = strtoul(name + 2, &end, 16);
    if (*end == 0 && v < SCAN_CODE_COUNT) return KEY_CODE_BASE + (int32_t)v;
  }
  return device_button_code(name);
}

const char *key_name(int32_t code) {
  static char text[1100];
  for (const key_name_entry &e : SPECIAL_NAMES)
    if (code == e.scan) return e.name;
  if (code >= KEY_CODE_BASE && code < (int32_t)KEY_CODE_BASE + (int32_t)SCAN_CODE_COUNT) {
    int s = code - KEY_CODE_BASE;
    if (!platform_names[s].empty()) return platform_names[s].c_str();
    for (const key_name_entry &e : KEY_NAMES)
      if (e.scan == s) return e.name;
    snprintf(text, sizeof text, "0x%x", s);
    return text;
  }
  if (device_button_name(code, text, sizeof text)) return text;
  return nullptr;
}
