// Key names: aliases replaced first, then the four special names, the
// platform's names for scan codes, the PC set-1 fallback names (exact, then a
// loose comparison), "0x" scan codes up to 0x1ff, and device buttons
// ("Dev.key[3]" or "Dev button 3", buttons 0..255).
#pragma once
#include <cstdint>

// Returns the event code for a name, or -1.
int32_t key_code(const char *name);
// Returns the name of a code, or nullptr; the text stays valid until the next call.
const char *key_name(int32_t code);
// The platform's own name source for scan codes 0..511 (empty when none).
void keys_set_platform_name(int scan, const char *name);
