// The formatted scanner: conversions, widths, sets, literals and return
// values, checked against the C library's sscanf outside the documented
// differences (a literal mismatch gives -1, "%x" takes no "0x", no inf, nan
// or hexadecimal floats, a lone "." reads as 0).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "data_fixture.h"

namespace {

// A stream over the given bytes (a loose file in a temporary folder).
struct scan_source {
  temp_dir tmp;
  data_stream *s = nullptr;
  explicit scan_source(const std::string &text) {
    write_file(tmp.file("text"), text);
    s = data_open(tmp.file("text").c_str(), "rb");
  }
  ~scan_source() { data_close(s); }
};

}  // namespace

TEST(data_scanf, integer_conversions) {
  struct row {
    const char *format, *text;
    int result;
    int32_t value;
    int next;  // the byte delivered after the scan (-1 at the end)
    bool like_sscanf;
  } rows[] = {
      {"%d", "12", 1, 12, -1, true},
      {"%d", " \t\n-7 ", 1, -7, ' ', true},
      {"%d", "+3x", 1, 3, 'x', true},
      {"%d", "abc", 0, 0, 'a', true},
      {"%d", "", -1, 0, -1, true},
      {"%d", "   ", -1, 0, -1, true},
      {"%d", "4294967297", 1, 1, -1, false},  // wraps in 32 bits
      {"%i", "0x1F", 1, 31, -1, true},
      {"%i", "0X1f", 1, 31, -1, true},
      {"%i", "017", 1, 15, -1, true},
      {"%i", "018", 1, 1, '8', true},
      {"%i", "0", 1, 0, -1, true},
      {"%i", "0 ", 1, 0, ' ', true},
      {"%i", "-0x10", 1, -16, -1, true},
      {"%i", "99", 1, 99, -1, true},
      {"%x", "1F", 1, 31, -1, true},
      {"%X", "ff", 1, 255, -1, true},
      {"%x", "0x1F", 1, 0, 'x', false},  // no prefix taken
      {"%o", "17", 1, 15, -1, true},
      {"%o", "8", 0, 0, '8', true},
      {"%3d", "12345", 1, 123, '4', true},
      {"%2d", "-12", 1, -1, '2', true},  // the sign counts towards the width
      {"%1d", "-5", 0, 0, '5', false},
      {"%ld", "-9", 1, -9, -1, false},  // still a 32-bit destination
  };
  for (const row &r : rows) {
    scan_source src(r.text);
    ASSERT_NE(src.s, nullptr);
    int32_t value = 0;
    EXPECT_EQ(data_scanf(src.s, r.format, &value), r.result) << r.format << " on '" << r.text << "'";
    if (r.result == 1) {
      EXPECT_EQ(value, r.value) << r.format << " on '" << r.text << "'";
    }
    EXPECT_EQ(data_getc(src.s), r.next) << r.format << " on '" << r.text << "'";
    if (r.like_sscanf) {
      int expected = 0;
      EXPECT_EQ(sscanf(r.text, r.format, &expected), r.result) << r.format << " on '" << r.text << "'";
      if (r.result == 1) {
        EXPECT_EQ(expected, r.value);
      }
    }
  }
}

TEST(data_scanf, short_destination_with_h) {
  scan_source src("70000 -2");
  int16_t a = 0, b = 0;
  int16_t guard[2] = {0x5555, 0x5555};
  EXPECT_EQ(data_scanf(src.s, "%hd %hi", &a, &guard[0]), 2);
  b = guard[0];
  EXPECT_EQ(a, static_cast<int16_t>(70000 & 0xFFFF));
  EXPECT_EQ(b, -2);
  EXPECT_EQ(guard[1], 0x5555);
}

TEST(data_scanf, float_conversions) {
  struct row {
    const char *text;
    int result;
    double value;
    int next;
    bool like_sscanf;
  } rows[] = {
      {"1.5e3", 1, 1500, -1, true},
      {"-.25", 1, -0.25, -1, true},
      {".", 1, 0, -1, false},
      {"3.", 1, 3, -1, true},
      {"2.5E-3,", 1, 0.0025, ',', true},
      {"+7e+2", 1, 700, -1, true},
      {"1.2.3", 1, 1.2, '.', true},
      {"-", 0, 0, -1, false},
      {"x", 0, 0, 'x', true},
      {"", -1, 0, -1, true},
      {"inf", 0, 0, 'i', false},
      {"nan", 0, 0, 'n', false},
      {"0x1p3", 1, 0, 'x', false},
      {"1e400", 1, HUGE_VAL, -1, true},
      {"-1e99999999999", 1, -HUGE_VAL, -1, false},  // saturated exponent
      {"1e-99999999999", 1, 0, -1, false},
      {"0.000000000000000000000000000000000000001e39", 1, 1, -1, true},
  };
  for (const row &r : rows) {
    scan_source src(r.text);
    double value = -42;
    EXPECT_EQ(data_scanf(src.s, "%lf", &value), r.result) << r.text;
    if (r.result == 1) {
      EXPECT_EQ(value, r.value) << r.text;
    }
    EXPECT_EQ(data_getc(src.s), r.next) << r.text;
    if (r.like_sscanf) {
      double expected = -42;
      EXPECT_EQ(sscanf(r.text, "%lf", &expected), r.result) << r.text;
      if (r.result == 1) {
        EXPECT_EQ(expected, r.value) << r.text;
      }
    }
  }
}

// Numbers as the game writes them ("%f", few decimals) and long digit runs
// read exactly as the C library reads them, for every destination type.
TEST(data_scanf, floats_match_the_c_library) {
  std::string text;
  uint32_t x = 99;
  for (int i = 0; i < 400; i++) {
    x = x * 1664525u + 1013904223u;
    double v = (static_cast<int32_t>(x) / 65536.0) * ((i % 7) ? 1 : 1e-5);
    char buf[64];
    snprintf(buf, sizeof buf, i % 3 ? "%f " : "%.9g ", v);
    text += buf;
  }
  text += "3.14159265358979323846264338327950288419716939937510582097494459e-30 ";
  text += "123456789012345678901234567890123456789012345678901234567890123456789012345 ";
  // One stream per destination type, each scanning the whole text in turn.
  scan_source as_double(text), as_float(text), as_long(text), as_q(text), as_ll(text);
  const char *p = text.c_str();
  while (*p) {
    int used = 0;
    double want_d;
    ASSERT_EQ(sscanf(p, "%lf%n", &want_d, &used), 1);
    std::string word(p, static_cast<size_t>(used));
    float want_f = strtof(word.c_str(), nullptr);
    long double want_l = strtold(word.c_str(), nullptr);
    double d;
    float f;
    long double l, q, ll;
    ASSERT_EQ(data_scanf(as_double.s, "%lf", &d), 1);
    ASSERT_EQ(data_scanf(as_float.s, "%f", &f), 1);
    ASSERT_EQ(data_scanf(as_long.s, "%Lf", &l), 1);
    ASSERT_EQ(data_scanf(as_q.s, "%qf", &q), 1);
    ASSERT_EQ(data_scanf(as_ll.s, "%llf", &ll), 1);
    EXPECT_EQ(d, want_d) << word;
    EXPECT_EQ(f, want_f) << word;
    EXPECT_EQ(l, want_l) << word;
    EXPECT_EQ(q, want_l) << word;
    EXPECT_EQ(ll, want_l) << word;
    p += used;
    while (*p == ' ') p++;
  }
}

TEST(data_scanf, sequences_literals_and_results) {
  {
    scan_source src("12\n-7 ");
    int32_t a = 0, b = 0;
    EXPECT_EQ(data_scanf(src.s, "%d %d", &a, &b), 2);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, -7);
    EXPECT_EQ(data_getc(src.s), ' ');
  }
  {
    scan_source src("ct04 5");
    int32_t v;
    EXPECT_EQ(data_scanf(src.s, "ct03 %d ", &v), -1);
  }
  {
    scan_source src("[ 1 2 3 x 4 5");
    float v[5];
    EXPECT_EQ(data_scanf(src.s, "[ %f %f %f ] %f %f ", &v[0], &v[1], &v[2], &v[3], &v[4]), -1);
  }
  {
    scan_source src("[ 1 2 3 ] 4 5\nnext");
    float v[5];
    EXPECT_EQ(data_scanf(src.s, "[ %f %f %f ] %f %f ", &v[0], &v[1], &v[2], &v[3], &v[4]), 5);
    EXPECT_EQ(v[4], 5.0f);
    EXPECT_EQ(data_getc(src.s), 'n');
  }
  {
    scan_source src("5");
    int32_t a = 0, b = 0;
    EXPECT_EQ(data_scanf(src.s, "%d %d", &a, &b), 1);  // input failure after one
  }
  {
    scan_source src("5 x");
    int32_t a = 0, b = 0;
    EXPECT_EQ(data_scanf(src.s, "%d %d", &a, &b), 1);  // matching failure
  }
  {
    scan_source src("7 8 9");
    int32_t a = 0, b = 0;
    EXPECT_EQ(data_scanf(src.s, "%*d %d %y %d", &a, &b), 1);  // unknown letter ends the scan
    EXPECT_EQ(a, 8);
  }
  {
    scan_source src("50% 50");
    int32_t a = 0, b = 0;
    EXPECT_EQ(data_scanf(src.s, "%d%% %d", &a, &b), 2);
    EXPECT_EQ(b, 50);
  }
  {
    scan_source src("50 %");
    int32_t a = 0;
    EXPECT_EQ(data_scanf(src.s, "%d%%", &a), -1);  // "%%" skips no blanks
  }
}

TEST(data_scanf, comment_idiom) {
  {
    scan_source src("   # a comment\n1");
    char hash[2];
    EXPECT_EQ(data_scanf(src.s, " %1[#]%*[^\n]", hash), 1);
    EXPECT_STREQ(hash, "#");
    EXPECT_EQ(data_getc(src.s), '\n');
  }
  {
    scan_source src("#\n");  // nothing after the "#"
    char hash[2];
    EXPECT_EQ(data_scanf(src.s, " %1[#]%*[^\n]", hash), 1);
    EXPECT_EQ(data_getc(src.s), '\n');
  }
  {
    scan_source src("  12 # not a comment");
    char hash[2];
    EXPECT_EQ(data_scanf(src.s, " %1[#]%*[^\n]", hash), 0);
    EXPECT_EQ(data_getc(src.s), '1');
  }
  {
    scan_source src("  \n");
    char hash[2];
    EXPECT_EQ(data_scanf(src.s, " %1[#]%*[^\n]", hash), -1);
  }
}

TEST(data_scanf, strings_chars_sets_and_counts) {
  struct row {
    const char *format, *text;
    int result;
    const char *stored;
    int next;
  } rows[] = {
      {"%15s", "  word next", 1, "word", ' '},
      {"%3s", "abcdef", 1, "abc", 'd'},
      {"%s", "", -1, "", -1},
      {"%[a-c]", "abcabd", 1, "abcab", 'd'},
      {"%[^,]", "left,right", 1, "left", ','},
      {"%[]a]", "]a]b", 1, "]a]", 'b'},
      {"%[^]x]", "ab]c", 1, "ab", ']'},
      {"%[a-]", "a-a-b", 1, "a-a-", 'b'},
      {"%2[0-9]", "12345", 1, "12", '3'},
      {"%[x]", "abc", 0, "", 'a'},
      {"%[x]", "", -1, "", -1},
      {"%[abc", "abc", 0, "", 'a'},  // unclosed set ends the scan
  };
  for (const row &r : rows) {
    scan_source src(r.text);
    char buf[64] = {};
    EXPECT_EQ(data_scanf(src.s, r.format, buf), r.result) << r.format << " on '" << r.text << "'";
    if (r.result == 1) {
      EXPECT_STREQ(buf, r.stored) << r.format;
    }
    EXPECT_EQ(data_getc(src.s), r.next) << r.format << " on '" << r.text << "'";
    // Where the C library agrees, it gives the same result and bytes.
    if (strcmp(r.format, "%[abc") != 0) {
      char expected[64] = {};
      EXPECT_EQ(sscanf(r.text, r.format, expected), r.result) << r.format << " on '" << r.text << "'";
      if (r.result == 1) {
        EXPECT_STREQ(expected, r.stored);
      }
    }
  }
  {
    scan_source src(" xyz");
    char c[4] = {};
    EXPECT_EQ(data_scanf(src.s, "%c%2c", &c[0], &c[1]), 2);  // no blanks skipped
    EXPECT_STREQ(c, " xy");
  }
  {
    scan_source src("ab");
    char c[4] = {};
    EXPECT_EQ(data_scanf(src.s, "%3c", c), -1);
  }
  {
    scan_source src("  12 abc");
    int32_t n1 = -1, n2 = -1, v = 0;
    int16_t n3 = -1;
    EXPECT_EQ(data_getc(src.s), ' ');  // bytes before the scan are not counted
    EXPECT_EQ(data_scanf(src.s, "%n %d%n %*s%hn", &n1, &v, &n2, &n3), 1);
    EXPECT_EQ(n1, 0);
    EXPECT_EQ(n2, 3);
    EXPECT_EQ(n3, 7);
  }
  {
    // A byte pushed back before the scan counts as not yet consumed.
    scan_source src("x 42");
    int32_t v = 0, n = -1;
    EXPECT_EQ(data_scanf(src.s, "%d", &v), 0);
    EXPECT_EQ(data_scanf(src.s, "x %d%n", &v, &n), 1);
    EXPECT_EQ(n, 4);
  }
}
