// The text form of a control binding in the configuration file: "(k)name" for
// a key, "(low,high)name" for an axis with its calibrated range. Only names and
// ranges are handled here; key codes and axis handles are resolved later.
// Names longer than BINDING_NAME_CAPACITY - 1 characters are cut.
#pragma once
#include "config/settings.h"

// Sets the binding from a configuration value. The key code becomes -1 and the
// axis handle nullptr (the caller releases an open handle first). Text that is
// not an axis form is taken as a key name, with or without a leading "(k)".
void binding_parse(binding_item *item, const char *text);

// Formats the configuration line for the binding under key, ending in "\n",
// into out (size bytes). Returns its length, or 0 when the binding has neither
// a key nor an axis (no line is written) or the line does not fit.
int binding_format(const char *key, const binding_item *item, char *out, int size);
