// Opening plain paths (backups, ".gz" fallback, folders), renaming, gzip
// decoding and the byte/block stream operations.
#include <cstdlib>
#include <cstring>

#include "data_fixture.h"

namespace {

std::string open_and_drain(const std::string &path) {
  data_stream *s = data_open(path.c_str(), "rb");
  if (!s) return "<none>";
  std::string text = drain(s);
  data_close(s);
  return text;
}

std::string pseudo_random_text(size_t n) {
  std::string text;
  uint32_t x = 12345;
  while (text.size() < n) {
    x = x * 1103515245u + 12345u;
    text += static_cast<char>('a' + (x >> 16) % 26);
    if ((x >> 8) % 13 == 0) text += '\n';
  }
  text.resize(n);
  return text;
}

}  // namespace

TEST_F(data_roots_fixture, plain_open_for_writing_creates_folders) {
  std::string path = tmp.path + "/deep//er/file.txt";
  data_stream *s = data_open(path.c_str(), "wb");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(data_putc(s, 'x'), 1);
  EXPECT_EQ(data_write(s, "yz", 2), 2);
  EXPECT_GT(data_printf(s, " %d %s", 42, "end"), 0);
  EXPECT_EQ(data_flush(s), 0);
  data_close(s);
  EXPECT_EQ(read_file(tmp.path + "/deep/er/file.txt"), "xyz 42 end");
}

TEST_F(data_roots_fixture, numbered_backups) {
  std::string path = tmp.path + "/config";
  write_file(path, "v1");
  write_file(path + ".~1~", "older");
  data_stream *s = data_open(path.c_str(), "~wb");
  ASSERT_NE(s, nullptr);
  data_puts(s, "v2");
  data_close(s);
  EXPECT_EQ(read_file(path), "v2");
  EXPECT_EQ(read_file(path + ".~1~"), "older");
  EXPECT_EQ(read_file(path + ".~2~"), "v1");
  // A missing file is simply created.
  std::string fresh = tmp.path + "/fresh";
  s = data_open(fresh.c_str(), "~wb");
  ASSERT_NE(s, nullptr);
  data_close(s);
  EXPECT_TRUE(file_exists(fresh));
  EXPECT_FALSE(file_exists(fresh + ".~1~"));
}

TEST_F(data_roots_fixture, folders_are_never_read_as_files) {
  write_file(tmp.path + "/folder/inside", "x");
  EXPECT_EQ(data_open((tmp.path + "/folder").c_str(), "rb"), nullptr);
  write_file(game + "tracks/t/terrain.hf", "x");
  EXPECT_EQ(data_open("@tracks/t", "rb"), nullptr);
  // A folder beside a ".gz" file of the same name: the compressed file is read.
  write_file(tmp.path + "/both.gz", gzip_bytes("from gz"));
  write_file(tmp.path + "/both/x", "x");
  EXPECT_EQ(open_and_drain(tmp.path + "/both"), "from gz");
}

TEST_F(data_roots_fixture, gz_fallback_only_for_reading) {
  write_file(tmp.path + "/lines.gz", gzip_bytes("a line\n"));
  EXPECT_EQ(open_and_drain(tmp.path + "/lines"), "a line\n");
  data_stream *s = data_open((tmp.path + "/lines").c_str(), "r+b");
  EXPECT_EQ(s, nullptr);
}

TEST_F(data_roots_fixture, data_names_that_do_not_fit_fail) {
  // Cut at 511 characters the long name would become the name of this file.
  size_t cut_length = 511 - personal.size();
  std::string rest = cut_length % 10 == 0 ? "x" : "";
  while (rest.size() < 600) rest += "segment_9/";
  std::string cut = rest.substr(0, cut_length);
  EXPECT_EQ(data_open(("@" + rest).c_str(), "wb"), nullptr);
  EXPECT_EQ(data_open(("@" + rest).c_str(), "rb"), nullptr);
  write_file(personal + cut, "keep");
  EXPECT_EQ(data_open(("@" + rest).c_str(), "wb"), nullptr);
  EXPECT_EQ(data_rename(("@" + cut).c_str(), ("@" + rest).c_str()), 0);
  EXPECT_EQ(read_file(personal + cut), "keep");
}

TEST_F(data_roots_fixture, rename_maps_data_names_to_root_0) {
  write_file(personal + "old.txt", "body");
  EXPECT_EQ(data_rename("@old.txt", "@new.txt"), 1);
  EXPECT_EQ(read_file(personal + "new.txt"), "body");
  EXPECT_EQ(data_rename((personal + "new.txt").c_str(), (tmp.path + "/plain.txt").c_str()), 1);
  EXPECT_EQ(read_file(tmp.path + "/plain.txt"), "body");
  EXPECT_EQ(data_rename("@missing", "@other"), 0);
}

TEST_F(data_roots_fixture, gzip_headers) {
  const std::string text = "payload\n";
  struct gz_case {
    const char *what;
    std::string bytes;
    bool opens;
  } cases[] = {
      {"plain", gzip_bytes(text), true},
      {"extra field", gzip_bytes(text, 0x04, std::string("\x03\x00xyz", 5)), true},
      {"name and comment", gzip_bytes(text, 0x18, std::string("name\0comment\0", 13)), true},
      {"header checksum", gzip_bytes(text, 0x02, "cc"), true},
      {"text flag ignored", gzip_bytes(text, 0x01), true},
      {"reserved flag", gzip_bytes(text, 0x20), false},
      {"reserved flag 7", gzip_bytes(text, 0x80), false},
      {"bad magic", "\x1f\x8c" + gzip_bytes(text).substr(2), false},
      {"bad method", gzip_bytes(text).replace(2, 1, "\x07"), false},
      {"shorter than fixed header", std::string("\x1f\x8b\x08\x00\x00", 5), false},
      {"extra length past the data", gzip_bytes("", 0x04, std::string("\xff\x00", 2)).substr(0, 16), false},
      {"name runs past the data", std::string("\x1f\x8b\x08\x08\0\0\0\0\0\x03unterminated", 22), false},
      {"checksum past the data", std::string("\x1f\x8b\x08\x02\0\0\0\0\0\x03" "c", 11), false},
  };
  for (const gz_case &c : cases) {
    write_file(tmp.path + "/f.gz", c.bytes);
    data_stream *s = data_open((tmp.path + "/f").c_str(), "rb");
    EXPECT_EQ(s != nullptr, c.opens) << c.what;
    if (s) {
      EXPECT_EQ(drain(s), text) << c.what;
    }
    data_close(s);
  }
}

TEST_F(data_roots_fixture, gzip_block_reads_span_window_refills) {
  // Several 1024-byte windows and several 16384-byte input refills.
  const std::string text = pseudo_random_text(150000);
  write_file(game + "big.saf", saf_bytes({{"big.gz", gzip_bytes(text)}, {"after", "NEXT MEMBER"}}));
  data_stream *s = data_open("@big", "rb");
  ASSERT_NE(s, nullptr);
  std::string got;
  char c0 = static_cast<char>(data_getc(s));
  got += c0;
  std::vector<char> buf(5000);
  for (int n; (n = data_read(s, buf.data(), 5000)) > 0;) got.append(buf.data(), static_cast<size_t>(n));
  EXPECT_EQ(got.size(), text.size());
  EXPECT_TRUE(got == text);
  EXPECT_EQ(data_seek(s, 0), 0);  // compressed streams can't seek
  data_close(s);
}

TEST_F(data_roots_fixture, broken_deflate_data_ends_the_stream) {
  const std::string text = pseudo_random_text(40000);
  std::string gz = gzip_bytes(text);
  std::string truncated = gz.substr(0, gz.size() / 2);
  std::string corrupt = gz;
  for (size_t i = 200; i < corrupt.size() - 8; i += 7) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
  for (const std::string *bytes : {&truncated, &corrupt}) {
    write_file(tmp.path + "/f.gz", *bytes);
    data_stream *s = data_open((tmp.path + "/f").c_str(), "rb");
    ASSERT_NE(s, nullptr);
    std::string got = drain(s);  // must end, not hang
    EXPECT_LT(got.size(), text.size());
    if (bytes == &truncated) {
      EXPECT_EQ(got, text.substr(0, got.size()));
    }
    EXPECT_EQ(data_getc(s), -1);
    data_close(s);
  }
}

TEST_F(data_roots_fixture, read_delivers_at_most_count_pushback_first) {
  write_file(tmp.path + "/f", "abcdef");
  data_stream *s = data_open((tmp.path + "/f").c_str(), "rb");
  ASSERT_NE(s, nullptr);
  int value;
  EXPECT_EQ(data_scanf(s, "%d", &value), 0);  // leaves "a" pushed back
  char buf[8] = {};
  EXPECT_EQ(data_read(s, buf, 3), 3);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(data_read(s, buf, 1), 1);
  EXPECT_EQ(buf[0], 'd');
  data_close(s);
}

TEST_F(data_roots_fixture, seek_and_gets_bounds) {
  write_file(game + "m.saf", saf_bytes({{"ten", "0123456789"}, {"x", "X"}}));
  data_stream *s = data_open("@ten", "rb");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(data_getc(s), '0');
  EXPECT_EQ(data_seek(s, 10), 0);  // offset equal to the limit
  EXPECT_EQ(data_seek(s, -1), 0);
  EXPECT_EQ(data_getc(s), '1');    // unchanged
  ASSERT_EQ(data_seek(s, 0), 1);
  char buf[64];
  ASSERT_NE(data_gets(s, buf, sizeof buf), nullptr);
  EXPECT_STREQ(buf, "0123456789");
  EXPECT_EQ(data_gets(s, buf, sizeof buf), nullptr);
  ASSERT_EQ(data_seek(s, 6), 1);
  ASSERT_NE(data_gets(s, buf, 3), nullptr);  // n - 1 bytes
  EXPECT_STREQ(buf, "67");
  data_close(s);
}
