#include "platform/options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/log.h"

static std::string options_text;
static bool options_loaded;

void options_set_text(const char *text) {
  options_loaded = text != nullptr;
  options_text = text ? text : "";
}

// The value text right after "[name:", or nullptr.
static const char *option_find(const char *name) {
  if (!options_loaded) {
    const char *env = getenv("KOBA_OPTIONS");
    options_text = env ? env : "";
    options_loaded = true;
  }
  char key[64];
  snprintf(key, sizeof key, "[%.60s:", name);
  const char *hit = strstr(options_text.c_str(), key);
  return hit ? hit + strlen(key) : nullptr;
}

int option_flag(const char *name, int default_value) {
  const char *v = option_find(name);
  if (!v) return default_value;
  if (!strncmp(v, "yes]", 4) || !strncmp(v, "on]", 3)) return 1;
  if (!strncmp(v, "no]", 3) || !strncmp(v, "off]", 4)) return 0;
  log_printf("unrecognized setting for %s\n", name);
  return default_value;
}

int option_int(const char *name, int default_value) {
  const char *v = option_find(name);
  if (!v) return default_value;
  const char *p = v;
  if (*p == '-' || *p == '+') p++;
  if (!isdigit((unsigned char)*p)) {
    log_printf("unrecognized setting for %s\n", name);
    return default_value;
  }
  long long n = strtoll(v, nullptr, 10);
  if (n > 2147483647LL) n = 2147483647LL;
  if (n < -2147483647LL - 1) n = -2147483647LL - 1;
  return (int)n;
}

const char *option_text(const char *name, const char *default_value, char *buf, size_t size) {
  const char *v = option_find(name);
  if (!v || size == 0) return default_value;
  const char *end = strchr(v, ']');
  if (!end || (size_t)(end - v) >= size) return default_value;
  memcpy(buf, v, (size_t)(end - v));
  buf[end - v] = 0;
  return buf;
}
