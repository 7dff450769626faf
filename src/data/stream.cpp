// Byte, line, block and formatted-print access on a data_stream.
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "data/stream_internal.h"

data_stream *stream_create(FILE *file, int32_t base, int32_t limit) {
  data_stream *s = static_cast<data_stream *>(calloc(1, sizeof(data_stream)));
  if (!s) {
    fclose(file);
    return nullptr;
  }
  s->file = file;
  s->base = base;
  s->limit = limit;
  s->position = 0;
  s->pushback = -1;
  s->gz_out_next = s->gz_out;
  s->gz_out_end = s->gz_out;
  return s;
}

void data_close(data_stream *s) {
  if (!s) return;
  if (s->gz_ready) inflateEnd(&s->gz_state);
  if (s->file) fclose(s->file);
  free(s);
}

int stream_take(data_stream *s) {
  if (s->pushback != -1) {
    int c = s->pushback;
    s->pushback = -1;
    return c;
  }
  int c;
  if (s->gz) {
    unsigned char b;
    if (gz_read(s, &b, 1) != 1) return -1;
    c = b;
  } else {
    if (s->position >= s->limit) return -1;
    c = fgetc(s->file);
    if (c == EOF) return -1;
  }
  s->position++;
  return c;
}

int stream_peek(data_stream *s) {
  if (s->pushback == -1) s->pushback = stream_take(s);
  return s->pushback;
}

int data_getc(data_stream *s) { return stream_take(s); }

char *data_gets(data_stream *s, char *buf, int size) {
  if (!buf || size <= 0) return nullptr;
  int n = 0;
  while (n < size - 1) {
    int c = stream_take(s);
    if (c < 0) break;
    buf[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buf[n] = 0;
  if (n == 0 && size > 1) return nullptr;
  return buf;
}

int data_read(data_stream *s, void *buf, int count) {
  if (!buf || count <= 0) return 0;
  unsigned char *dst = static_cast<unsigned char *>(buf);
  int done = 0;
  if (s->pushback != -1) {
    dst[done++] = static_cast<unsigned char>(s->pushback);
    s->pushback = -1;
  }
  int want = count - done;
  if (want <= 0) return done;
  if (s->gz) {
    int got = gz_read(s, dst + done, want);
    s->position += got;
    return done + got;
  }
  int32_t room = s->limit - s->position;
  if (room <= 0) return done;
  if (want > room) want = room;
  size_t got = fread(dst + done, 1, static_cast<size_t>(want), s->file);
  s->position += static_cast<int32_t>(got);
  return done + static_cast<int>(got);
}

int data_seek(data_stream *s, int32_t offset) {
  if (s->gz || offset < 0 || offset >= s->limit) return 0;
  if (fseek(s->file, static_cast<long>(s->base) + offset, SEEK_SET) != 0) return 0;
  s->pushback = -1;
  s->position = offset;
  return 1;
}

int data_putc(data_stream *s, int c) { return fputc(c, s->file) == EOF ? 0 : 1; }

int data_puts(data_stream *s, const char *text) { return fputs(text, s->file); }

int data_write(data_stream *s, const void *buf, int count) {
  if (!buf || count <= 0) return 0;
  return static_cast<int>(fwrite(buf, 1, static_cast<size_t>(count), s->file));
}

int data_printf(data_stream *s, const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  int r = vfprintf(s->file, format, ap);
  va_end(ap);
  return r;
}

int data_flush(data_stream *s) { return fflush(s->file); }
