// data_scanf: a formatted scanner over a data_stream with one byte of
// look-ahead. It follows the C scanf family with these deliberate
// differences, which decide how the game's text files parse:
//   - a literal that does not match ends the scan with -1, even after
//     successful conversions (callers compare with the expected count);
//   - "%x" takes no "0x" prefix; floats take no inf, nan or hex forms;
//   - integers wrap around in 32 bits; "l" does not widen integer
//     destinations (32-bit, 16-bit with "h");
//   - "%c" that runs out of data before its width is an input failure.
// Decimal exponents saturate, giving +-inf or 0 as strtod does; non-finite
// numbers in files are the callers' bad entries.
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "data/stream_internal.h"

namespace {

constexpr int NO_WIDTH = 1000000;
constexpr int MAX_KEPT_DIGITS = 60;     // significant digits handed to strtod
constexpr long EXPONENT_CAP = 100000;   // far beyond every finite value

enum scan_outcome { SCAN_OK, SCAN_MATCH_FAIL, SCAN_INPUT_FAIL };

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int digit_value(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

void skip_space(data_stream *s) {
  while (is_space(stream_peek(s))) stream_take(s);
}

// Bytes consumed so far, not counting a pushed-back byte.
int32_t consumed(const data_stream *s) { return s->position - (s->pushback != -1 ? 1 : 0); }

struct conversion {
  int width;  // NO_WIDTH when none was given
  bool suppress;
  int h_count;
  int l_count;
  bool long_double;
};

// An optional "-" or "+" within the width; true after a "-".
bool take_sign(data_stream *s, int *width) {
  int c = stream_peek(s);
  if (*width <= 0 || (c != '-' && c != '+')) return false;
  stream_take(s);
  (*width)--;
  return c == '-';
}

scan_outcome scan_integer(data_stream *s, const conversion &cv, int base, bool detect_base, va_list *ap) {
  skip_space(s);
  if (stream_peek(s) < 0) return SCAN_INPUT_FAIL;
  int width = cv.width;
  bool negative = take_sign(s, &width);
  int c;
  bool any_digit = false;
  if (detect_base) {
    base = 10;
    if (width > 0 && stream_peek(s) == '0') {
      stream_take(s);
      width--;
      any_digit = true;
      base = 8;
      c = stream_peek(s);
      if (width > 0 && (c == 'x' || c == 'X')) {
        stream_take(s);
        width--;
        base = 16;
      }
    }
  }
  uint32_t value = 0;
  while (width > 0) {
    c = stream_peek(s);
    if (c < 0) break;
    int d = digit_value(c);
    if (d >= base) break;
    stream_take(s);
    width--;
    value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
    any_digit = true;
  }
  if (!any_digit) return SCAN_MATCH_FAIL;
  if (negative) value = 0u - value;
  if (!cv.suppress) {
    if (cv.h_count > 0)
      *va_arg(*ap, int16_t *) = static_cast<int16_t>(static_cast<uint16_t>(value));
    else
      *va_arg(*ap, int32_t *) = static_cast<int32_t>(value);
  }
  return SCAN_OK;
}

// Gathers the mantissa's significant digits and the decimal exponent by hand,
// then lets strtod-family round the plain digit string (no decimal point, so
// the locale plays no part) correctly to the destination type.
scan_outcome scan_float(data_stream *s, const conversion &cv, va_list *ap) {
  skip_space(s);
  if (stream_peek(s) < 0) return SCAN_INPUT_FAIL;
  int width = cv.width;
  bool negative = take_sign(s, &width);
  int c;
  char digits[MAX_KEPT_DIGITS + 24];
  int kept = 0;
  bool dropped_nonzero = false;
  long exponent = 0;  // decimal exponent of the kept digits
  bool seen_dot = false, seen_digit = false;
  while (width > 0) {
    c = stream_peek(s);
    if (c >= '0' && c <= '9') {
      seen_digit = true;
      if (kept == 0 && c == '0') {
        if (seen_dot && exponent > -EXPONENT_CAP) exponent--;
      } else if (kept < MAX_KEPT_DIGITS) {
        digits[kept++] = static_cast<char>(c);
        if (seen_dot) exponent--;
      } else {
        if (c != '0') dropped_nonzero = true;
        if (!seen_dot && exponent < EXPONENT_CAP) exponent++;
      }
    } else if (c == '.' && !seen_dot) {
      seen_dot = true;
    } else {
      break;
    }
    stream_take(s);
    width--;
  }
  if (!seen_digit && !seen_dot) return SCAN_MATCH_FAIL;
  c = stream_peek(s);
  if (width > 0 && (c == 'e' || c == 'E')) {
    stream_take(s);
    width--;
    bool exp_negative = false;
    c = stream_peek(s);
    if (width > 0 && (c == '-' || c == '+')) {
      exp_negative = c == '-';
      stream_take(s);
      width--;
    }
    long e = 0;
    while (width > 0) {
      c = stream_peek(s);
      if (c < '0' || c > '9') break;
      stream_take(s);
      width--;
      if (e < EXPONENT_CAP) e = e * 10 + (c - '0');
    }
    exponent += exp_negative ? -e : e;
  }
  if (exponent > EXPONENT_CAP) exponent = EXPONENT_CAP;
  if (exponent < -EXPONENT_CAP) exponent = -EXPONENT_CAP;
  if (cv.suppress) return SCAN_OK;

  char text[MAX_KEPT_DIGITS + 48];
  int n = 0;
  if (negative) text[n++] = '-';
  if (kept == 0) {
    text[n++] = '0';
  } else {
    memcpy(text + n, digits, static_cast<size_t>(kept));
    n += kept;
    if (dropped_nonzero) {
      // A trailing sticky digit keeps the rounding direction of what was cut.
      text[n++] = '1';
      exponent--;
    }
  }
  snprintf(text + n, sizeof(text) - static_cast<size_t>(n), "e%ld", exponent);
  int saved_errno = errno;
  if (cv.long_double || cv.l_count >= 2)
    *va_arg(*ap, long double *) = strtold(text, nullptr);
  else if (cv.l_count == 1)
    *va_arg(*ap, double *) = strtod(text, nullptr);
  else
    *va_arg(*ap, float *) = strtof(text, nullptr);
  errno = saved_errno;
  return SCAN_OK;
}

scan_outcome scan_string(data_stream *s, const conversion &cv, va_list *ap) {
  skip_space(s);
  if (stream_peek(s) < 0) return SCAN_INPUT_FAIL;
  char *out = cv.suppress ? nullptr : va_arg(*ap, char *);
  int n = 0;
  while (n < cv.width) {
    int c = stream_peek(s);
    if (c < 0 || is_space(c)) break;
    stream_take(s);
    if (out) out[n] = static_cast<char>(c);
    n++;
  }
  if (out) out[n] = 0;
  return SCAN_OK;
}

scan_outcome scan_chars(data_stream *s, const conversion &cv, va_list *ap) {
  int width = cv.width == NO_WIDTH ? 1 : cv.width;
  char *out = cv.suppress ? nullptr : va_arg(*ap, char *);
  for (int n = 0; n < width; n++) {
    int c = stream_take(s);
    if (c < 0) return SCAN_INPUT_FAIL;
    if (out) out[n] = static_cast<char>(c);
  }
  return SCAN_OK;
}

// Parses the set after "[" into a table of 256 members; returns the format
// position after the closing "]", or nullptr when the set is not closed.
const char *parse_set(const char *f, bool member[256]) {
  bool invert = false;
  if (*f == '^') {
    invert = true;
    f++;
  }
  bool in_set[256] = {};
  bool first = true;
  while (*f && (first || *f != ']')) {
    unsigned char lo = static_cast<unsigned char>(*f);
    if (f[1] == '-' && f[2] != ']' && f[2] != 0) {
      unsigned char hi = static_cast<unsigned char>(f[2]);
      for (int b = lo; b <= hi; b++) in_set[b] = true;
      f += 3;
    } else {
      in_set[lo] = true;
      f++;
    }
    first = false;
  }
  if (*f != ']') return nullptr;
  for (int b = 0; b < 256; b++) member[b] = in_set[b] != invert;
  return f + 1;
}

scan_outcome scan_set(data_stream *s, const conversion &cv, const bool member[256], va_list *ap) {
  char *out = cv.suppress ? nullptr : va_arg(*ap, char *);
  if (stream_peek(s) < 0) return SCAN_INPUT_FAIL;
  int n = 0;
  while (n < cv.width) {
    int c = stream_peek(s);
    if (c < 0 || !member[c]) break;
    stream_take(s);
    if (out) out[n] = static_cast<char>(c);
    n++;
  }
  if (n == 0) return SCAN_MATCH_FAIL;
  if (out) out[n] = 0;
  return SCAN_OK;
}

}  // namespace

int data_scanf(data_stream *s, const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  int count = 0;
  const int32_t start = consumed(s);
  const char *f = format;
  int result = -2;  // -2 while scanning
  while (result == -2) {
    unsigned char fc = static_cast<unsigned char>(*f);
    if (fc == 0) {
      result = count;
      break;
    }
    if (is_space(fc)) {
      skip_space(s);
      f++;
      continue;
    }
    if (fc != '%') {
      if (stream_peek(s) != fc) {
        result = -1;
        break;
      }
      stream_take(s);
      f++;
      continue;
    }
    f++;
    conversion cv = {NO_WIDTH, false, 0, 0, false};
    if (*f >= '0' && *f <= '9') {
      long w = 0;
      while (*f >= '0' && *f <= '9') {
        if (w < NO_WIDTH) w = w * 10 + (*f - '0');
        f++;
      }
      if (w > 0 && w < NO_WIDTH) cv.width = static_cast<int>(w);
    }
    for (;; f++) {
      if (*f == '*') cv.suppress = true;
      else if (*f == 'h') cv.h_count++;
      else if (*f == 'l') cv.l_count++;
      else if (*f == 'L' || *f == 'q') cv.long_double = true;
      else break;
    }
    char letter = *f;
    if (letter) f++;
    scan_outcome outcome;
    switch (letter) {
      case 'd': outcome = scan_integer(s, cv, 10, false, &ap); break;
      case 'i': outcome = scan_integer(s, cv, 10, true, &ap); break;
      case 'o': outcome = scan_integer(s, cv, 8, false, &ap); break;
      case 'x':
      case 'X': outcome = scan_integer(s, cv, 16, false, &ap); break;
      case 'f': outcome = scan_float(s, cv, &ap); break;
      case 's': outcome = scan_string(s, cv, &ap); break;
      case 'c': outcome = scan_chars(s, cv, &ap); break;
      case '[': {
        bool member[256];
        const char *after = parse_set(f, member);
        if (!after) {
          result = count;
          continue;
        }
        f = after;
        outcome = scan_set(s, cv, member, &ap);
        break;
      }
      case 'n':
        if (!cv.suppress) {
          int32_t n = consumed(s) - start;
          if (cv.h_count > 0)
            *va_arg(ap, int16_t *) = static_cast<int16_t>(n);
          else
            *va_arg(ap, int32_t *) = n;
        }
        continue;
      case '%':
        if (stream_peek(s) != '%') {
          result = -1;
          continue;
        }
        stream_take(s);
        continue;
      default:
        result = count;
        continue;
    }
    if (outcome == SCAN_OK) {
      if (!cv.suppress) count++;
    } else if (outcome == SCAN_MATCH_FAIL) {
      result = count;
    } else {
      result = count == 0 ? -1 : count;
    }
  }
  va_end(ap);
  return result;
}
