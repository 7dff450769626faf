// Private to the data layer: the data_stream record and the primitives the
// opener, the stream operations and the scanner share.
//
// Invariants: `position` counts every byte taken from the data, including the
// one held in `pushback` (-1 when empty). An uncompressed stream never reads
// past `limit`; the file position is always base + position. A gzip stream
// has an unbounded limit and ends where its deflate data ends (or breaks).
#pragma once
#include <cstdint>
#include <cstdio>
#include <zlib.h>

#include "data/data.h"

enum { GZ_IN_SIZE = 16384, GZ_OUT_SIZE = 1024 };
constexpr int32_t DATA_UNBOUNDED = 2147483647;

struct data_stream {
  FILE *file;
  int32_t base;
  int32_t limit;
  int32_t position;
  int32_t pushback;
  int gz;
  int32_t gz_size;      // stored (compressed) bytes of the data
  int32_t gz_consumed;  // compressed bytes read from `file` so far
  int gz_at_end;
  int gz_ready;  // gz_state needs inflateEnd
  z_stream gz_state;
  unsigned char gz_in[GZ_IN_SIZE];
  unsigned char gz_out[GZ_OUT_SIZE];
  unsigned char *gz_out_next;  // next decoded byte not yet delivered
  unsigned char *gz_out_end;   // end of the decoded bytes in gz_out
};

// Allocates a stream over an open file (taking ownership) with the given
// base and limit, the file already positioned at base. nullptr (file closed)
// when out of memory.
data_stream *stream_create(FILE *file, int32_t base, int32_t limit);
// Finishes opening a gzip stream: parses the header and starts the inflater.
// 0 on failure; the caller then closes the stream.
int gz_begin(data_stream *s);
// Up to `want` decoded bytes into dst; fewer only at the end of the data.
int gz_read(data_stream *s, unsigned char *dst, int want);

// The byte-taking primitive: the pushed-back byte first, else a new byte
// (counted in position); -1 at the end of the data.
int stream_take(data_stream *s);
// Looks at the next byte without delivering it (it stays in pushback).
int stream_peek(data_stream *s);
