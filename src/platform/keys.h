// Key names: the four special names, the platform's names for scan codes, the
// PC set-1 fallback names with a loose comparison, "0x" scan codes.
#pragma once
#include <cstdint>

// Returns the event code for a name, or -1.
int32_t key_code(const char *name);
// Returns the name of a code, or nullptr; the text stays valid until the next call.
const char *key_name(int32_t code);
// The platform's own name source for scan codes 0..511 (empty when none).
void keys_set_platform_name(int scan, const char *name);
