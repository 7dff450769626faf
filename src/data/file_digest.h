// RIPEMD-160 over the first 1 MiB of a file (the whole file when shorter),
// the digest the release check compares. Shared with the build's digest tool.
#pragma once
#include <cstdint>

constexpr int FILE_DIGEST_BYTES = 20;
constexpr long FILE_DIGEST_SPAN = 1048576;

// 1 and the 20 digest bytes when the file could be read, else 0.
int file_digest(const char *path, uint8_t digest[FILE_DIGEST_BYTES]);
// Parses 40 hexadecimal digits (either case, nothing after them); 0 if malformed.
int parse_digest_hex(const char *hex, uint8_t digest[FILE_DIGEST_BYTES]);
