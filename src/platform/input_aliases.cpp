// The alias table: pairs (alias, target), searched newest first. Grows by
// doubling from 16 entries; the texts are private copies.
#include <cstdlib>
#include <cstring>

#include "platform/devices.h"
#include "platform/log.h"

struct alias_pair {
  char *alias;
  char *target;
};

static alias_pair *aliases;
static int alias_count, alias_capacity;

static char *copy_text(const char *s) {
  size_t n = strlen(s) + 1;
  char *c = (char *)malloc(n);
  if (c) memcpy(c, s, n);
  return c;
}

static const alias_pair *find_alias(const char *name) {
  for (int i = alias_count - 1; i >= 0; i--)
    if (strcmp(aliases[i].alias, name) == 0) return &aliases[i];
  return nullptr;
}

void alias_add(const char *alias, const char *target) {
  if (!alias || !target) return;
  if (find_alias(alias)) {
    log_printf("Second alias for '%s' ('%s') ignored\n", alias, target);
    return;
  }
  if (alias_count == alias_capacity) {
    int capacity = alias_capacity ? alias_capacity * 2 : 16;
    alias_pair *grown = (alias_pair *)realloc(aliases, sizeof *aliases * (size_t)capacity);
    if (!grown) {
      log_printf("Can't alias %s to %s -- out of memory\n", alias, target);
      return;
    }
    aliases = grown;
    alias_capacity = capacity;
  }
  alias_pair p{copy_text(alias), copy_text(target)};
  if (!p.alias || !p.target) {
    free(p.alias);
    free(p.target);
    log_printf("Can't alias %s to %s -- out of memory\n", alias, target);
    return;
  }
  aliases[alias_count++] = p;
}

const char *alias_lookup(const char *name) {
  if (!name) return name;
  const alias_pair *p = find_alias(name);
  return p ? p->target : name;
}

// Called when the devices go: the built-in aliases come back with them.
void aliases_clear() {
  for (int i = 0; i < alias_count; i++) {
    free(aliases[i].alias);
    free(aliases[i].target);
  }
  free(aliases);
  aliases = nullptr;
  alias_count = alias_capacity = 0;
}
