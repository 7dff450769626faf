// Runtime options of the platform layer, read from KOBA_OPTIONS, written as
// "[name:value]" anywhere in the text; the first occurrence of a name wins.
#pragma once
#include <cstddef>

int option_flag(const char *name, int default_value);
int option_int(const char *name, int default_value);
// Copies the value up to the closing "]" into buf (always terminated); returns
// buf, or default_value when the option is absent or its value is too long.
const char *option_text(const char *name, const char *default_value, char *buf, size_t size);

// Replaces the options text (tests); nullptr re-reads KOBA_OPTIONS on next use.
void options_set_text(const char *text);
