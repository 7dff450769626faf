#include "config/binding_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

static bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

static void copy_name(char *dst, const char *src) {
  snprintf(dst, BINDING_NAME_CAPACITY, "%s", src);
}

// Reads one number the way a "%f" scan does (blanks skipped first); false when
// none. Words such as "nan" are not numbers.
static bool scan_float(const char **p, float *out) {
  const char *s = *p;
  while (is_blank(*s)) s++;
  const char *start = s;
  if (*s == '+' || *s == '-') s++;
  int digits = 0;
  while (*s >= '0' && *s <= '9') s++, digits++;
  if (*s == '.') {
    s++;
    while (*s >= '0' && *s <= '9') s++, digits++;
  }
  if (!digits) return false;
  if (*s == 'e' || *s == 'E') {
    const char *e = s + 1;
    if (*e == '+' || *e == '-') e++;
    if (*e >= '0' && *e <= '9') {
      while (*e >= '0' && *e <= '9') e++;
      s = e;
    }
  }
  char buf[128];
  size_t n = (size_t)(s - start);
  if (n >= sizeof buf) return false;
  memcpy(buf, start, n);
  buf[n] = 0;
  *out = strtof(buf, nullptr);
  *p = s;
  return true;
}

// "(low,high" at the start of text: two numbers read, as "(%f,%f)" would.
static bool scan_range(const char *text, float *low, float *high) {
  const char *p = text;
  if (*p != '(') return false;
  p++;
  if (!scan_float(&p, low)) return false;
  if (*p != ',') return false;
  p++;
  return scan_float(&p, high);
}

void binding_parse(binding_item *item, const char *text) {
  if (!text) text = "";
  while (is_blank(*text)) text++;
  item->key_name[0] = 0;
  item->key_code = -1;
  item->axis_name[0] = 0;
  item->axis = nullptr;
  item->low = 0;
  item->high = 1;

  const char *close = text[0] == '(' ? strchr(text, ')') : nullptr;
  float low, high;
  if (close && scan_range(text, &low, &high)) {
    item->low = low;
    item->high = high;
    copy_name(item->axis_name, close + 1);
  }
  if (!item->axis_name[0]) {
    const char *name = strncmp(text, "(k)", 3) == 0 ? text + 3 : text;
    copy_name(item->key_name, name);
  }
}

int binding_format(const char *key, const binding_item *item, char *out, int size) {
  int n;
  if (item->key_name[0])
    n = snprintf(out, (size_t)size, "%s=(k)%s\n", key, item->key_name);
  else if (item->axis_name[0])
    n = snprintf(out, (size_t)size, "%s=(%f,%f)%s\n", key, (double)item->low, (double)item->high, item->axis_name);
  else
    return 0;
  if (n < 0 || n >= size) return 0;
  return n;
}
