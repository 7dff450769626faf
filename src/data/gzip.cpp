// gzip framing (RFC 1952) parsed by hand around raw deflate data decoded by
// zlib. The trailer is never checked. A corrupt or truncated deflate stream
// simply ends the data: the bytes decoded before the fault are kept.
#include <cstring>

#include "data/stream_internal.h"

namespace {

enum {
  GZ_FLAG_HCRC = 0x02,
  GZ_FLAG_EXTRA = 0x04,
  GZ_FLAG_NAME = 0x08,
  GZ_FLAG_COMMENT = 0x10,
  GZ_FLAG_RESERVED = 0xE0,
  GZ_FIXED_HEADER = 10,
};

// Reads up to `want` compressed bytes into gz_in, never past the stored size.
int refill(data_stream *s, int want) {
  int32_t left = s->gz_size - s->gz_consumed;
  if (want > left) want = left;
  if (want <= 0) return 0;
  size_t got = fread(s->gz_in, 1, static_cast<size_t>(want), s->file);
  s->gz_consumed += static_cast<int32_t>(got);
  return static_cast<int>(got);
}

// Skips through the next zero byte; 0 when the block ends first.
int skip_zero_terminated(const unsigned char *block, int length, int *at) {
  while (*at < length) {
    if (block[(*at)++] == 0) return 1;
  }
  return 0;
}

}  // namespace

int gz_begin(data_stream *s) {
  s->gz_size = s->limit;
  s->gz_consumed = 0;
  s->gz_at_end = 0;
  s->limit = DATA_UNBOUNDED;
  s->gz_out_next = s->gz_out;
  s->gz_out_end = s->gz_out;

  int length = refill(s, GZ_IN_SIZE);
  const unsigned char *h = s->gz_in;
  if (length < GZ_FIXED_HEADER) return 0;
  if (h[0] != 0x1F || h[1] != 0x8B || h[2] != 8) return 0;
  int flags = h[3];
  if (flags & GZ_FLAG_RESERVED) return 0;
  int at = GZ_FIXED_HEADER;  // magic, method, flags, then time, extra flags, system
  if (flags & GZ_FLAG_EXTRA) {
    if (at + 2 > length) return 0;
    int extra = h[at] | (h[at + 1] << 8);
    at += 2;
    if (extra > length - at) return 0;
    at += extra;
  }
  if ((flags & GZ_FLAG_NAME) && !skip_zero_terminated(h, length, &at)) return 0;
  if ((flags & GZ_FLAG_COMMENT) && !skip_zero_terminated(h, length, &at)) return 0;
  if (flags & GZ_FLAG_HCRC) {
    if (at + 2 > length) return 0;
    at += 2;
  }

  memset(&s->gz_state, 0, sizeof(s->gz_state));
  s->gz_state.next_in = s->gz_in + at;
  s->gz_state.avail_in = static_cast<uInt>(length - at);
  if (inflateInit2(&s->gz_state, -15) != Z_OK) return 0;
  s->gz_ready = 1;
  return 1;
}

int gz_read(data_stream *s, unsigned char *dst, int want) {
  int total = 0;
  unsigned char *const window_end = s->gz_out + GZ_OUT_SIZE;
  for (;;) {
    int held = static_cast<int>(s->gz_out_end - s->gz_out_next);
    if (held >= want) {
      memcpy(dst + total, s->gz_out_next, static_cast<size_t>(want));
      s->gz_out_next += want;
      return total + want;
    }
    if (held > 0) memcpy(dst + total, s->gz_out_next, static_cast<size_t>(held));
    s->gz_out_next += held;
    total += held;
    want -= held;
    if (s->gz_at_end) return total;
    if (s->gz_out_next == window_end) {
      s->gz_out_next = s->gz_out;
      s->gz_out_end = s->gz_out;
    }
    while (s->gz_out_end < window_end) {
      z_stream *z = &s->gz_state;
      if (z->avail_in == 0) {
        z->next_in = s->gz_in;
        z->avail_in = static_cast<uInt>(refill(s, GZ_IN_SIZE));
      }
      z->next_out = s->gz_out_end;
      z->avail_out = static_cast<uInt>(window_end - s->gz_out_end);
      uInt in_before = z->avail_in;
      int r = inflate(z, Z_NO_FLUSH);
      unsigned char *produced_to = z->next_out;
      int progressed = produced_to != s->gz_out_end || z->avail_in != in_before;
      s->gz_out_end = produced_to;
      if (r == Z_STREAM_END) {
        s->gz_at_end = 1;
        break;
      }
      // Corrupt data, a stream cut short or no way forward: the data ends here.
      if (r != Z_OK || !progressed) {
        s->gz_at_end = 1;
        break;
      }
    }
  }
}
