// Writes a ".saf" archive: one header line "<size> <name>\n" per member, the
// line "-\n", then the members' bytes in the same order. The output depends
// only on the names and the files' bytes, so equal inputs give equal archives.
// Tools only; the game never writes archives.
#pragma once

// Packs the files paths[i] as members names[i] (0 <= i < count) into out_path.
// Names must be non-empty, without "\n" or "//", and each header line must
// fit in 1023 bytes; members must not reach past 2^31 - 1 bytes. Returns 1 on
// success; on failure 0 and no archive is left behind.
int saf_write(const char *out_path, const char *const names[], const char *const paths[], int count);
