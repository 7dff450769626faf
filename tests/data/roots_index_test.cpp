// Data roots, the file index over loose files and archives, and the lookup
// order of "@" names.
#include <unistd.h>

#include <cstring>

#include "data_fixture.h"

namespace {

std::vector<std::string> listed() {
  std::vector<std::string> names;
  for (const char *const *n = data_list(); *n; n++) names.push_back(*n);
  return names;
}

std::string read_name(const char *name) {
  data_stream *s = data_open(name, "rb");
  if (!s) return "<none>";
  std::string text = drain(s);
  data_close(s);
  return text;
}

}  // namespace

TEST(data_roots, order_with_and_without_kv_home) {
  temp_dir tmp;
  scoped_env xdg("XDG_DATA_HOME", (tmp.path + "//xdg\\sub").c_str());
  {
    scoped_env kv("KV_HOME", (tmp.path + "/game//").c_str());
    data_reset();
    EXPECT_EQ(data_roots(0), tmp.path + "/xdg/sub/Korvath/");
    EXPECT_EQ(data_roots(1), tmp.path + "/game/");
    EXPECT_EQ(data_roots(2), nullptr);
    EXPECT_EQ(data_roots(-1), nullptr);
  }
  {
    scoped_env kv("KV_HOME", nullptr);
    data_reset();
    // The program's own folder: where this test program lives.
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    exe[n] = 0;
    *strrchr(exe, '/') = 0;
    EXPECT_EQ(data_roots(1), std::string(exe) + "/");
  }
  data_reset();
}

TEST(data_roots, relative_xdg_falls_back_to_home) {
  temp_dir tmp;
  scoped_env xdg("XDG_DATA_HOME", "relative/dir");
  scoped_env home("HOME", tmp.path.c_str());
  scoped_env kv("KV_HOME", (tmp.path + "/game").c_str());
  data_reset();
  EXPECT_EQ(data_roots(0), tmp.path + "/.local/share/Korvath/");
  data_reset();
}

TEST_F(data_roots_fixture, first_open_does_not_create_personal_folder) {
  EXPECT_EQ(read_name("@nothing"), "<none>");
  EXPECT_FALSE(file_exists(personal));
}

TEST_F(data_roots_fixture, loose_files_override_archives_in_rank_order) {
  write_file(personal + "x.txt", "root0");
  write_file(game + "x.txt", "root1");
  write_file(game + "b.saf", saf_bytes({{"x.txt", "archive-b"}}));
  write_file(game + "sub/a.saf", saf_bytes({{"x.txt", "archive-a"}}));  // "b.saf" < "sub/a.saf"
  EXPECT_EQ(read_name("@x.txt"), "root0");
  remove((personal + "x.txt").c_str());
  EXPECT_EQ(read_name("@x.txt"), "root1");
  remove((game + "x.txt").c_str());
  EXPECT_EQ(read_name("@x.txt"), "archive-b");
  EXPECT_EQ(listed(), (std::vector<std::string>{"b.saf", "sub/a.saf", "x.txt"}));
}

TEST_F(data_roots_fixture, archive_names_collapse_slashes_and_lookup_ignores_case) {
  write_file(game + "data.saf", "12 a//b///c\n-\nhello world!");
  write_file(game + "tracks.saf",
             saf_bytes({{"tracks/foo/terrain.hf.gz", gzip_bytes("compressed")}, {"tracks/foo/map", "m"}}));
  EXPECT_EQ(read_name("@a/b/c"), "hello world!");
  EXPECT_EQ(read_name("@A/B/C"), "hello world!");
  EXPECT_EQ(read_name("@tracks/Foo/terrain.hf"), "compressed");
  // Asked for by its own name, the ".gz" member is delivered as stored.
  EXPECT_EQ(read_name("@tracks/Foo/terrain.hf.GZ"), gzip_bytes("compressed"));
  EXPECT_EQ(read_name("@tracks/foo/MAP"), "m");
}

TEST_F(data_roots_fixture, plain_entry_before_gz_entry_wins) {
  write_file(game + "p.saf", saf_bytes({{"t/terrain.hf", "plain"}, {"t/terrain.hf.gz", gzip_bytes("packed")}}));
  EXPECT_EQ(read_name("@t/terrain.hf"), "plain");
}

// Each malformed archive contributes nothing; the archive after it keeps its
// rank (it still loses to "a*.saf" archives sorting before the bad one).
TEST_F(data_roots_fixture, malformed_archives_are_dropped) {
  struct bad_case {
    const char *what;
    std::string bytes;
  } cases[] = {
      {"no terminating line", "3 m\nabc"},
      {"line without number", "3 m\nhello\n-\nabc"},
      {"negative size", "-3 m\n-\nabc"},
      {"size past end", "4 m\n-\nabc"},
      {"size beyond 2^31-1", "3000000000 m\n-\nabc"},
      {"sum beyond 2^31-1", "2147483000 m\n2147483000 n\n-\nabc"},
      {"line too long", "3 " + std::string(1100, 'n') + "\n-\nabc"},
      {"line without newline at end", "3 m"},
  };
  for (const bad_case &c : cases) {
    data_reset();
    write_file(game + "b.saf", c.bytes);
    write_file(game + "a.saf", saf_bytes({{"other", "o"}}));
    write_file(game + "c.saf", saf_bytes({{"m", "from-c"}}));
    EXPECT_EQ(read_name("@m"), "from-c") << c.what;
    std::vector<std::string> names = listed();
    EXPECT_EQ(names, (std::vector<std::string>{"a.saf", "b.saf", "c.saf", "m", "other"})) << c.what;
  }
}

TEST_F(data_roots_fixture, archive_ranks_survive_a_malformed_archive) {
  // b.saf is bad; c.saf still ranks after a.saf, so a.saf's "m" wins.
  write_file(game + "a.saf", saf_bytes({{"m", "from-a"}}));
  write_file(game + "b.saf", "3 m\n");
  write_file(game + "c.saf", saf_bytes({{"m", "from-c"}}));
  EXPECT_EQ(read_name("@m"), "from-a");
}

TEST_F(data_roots_fixture, member_reads_stop_at_member_end) {
  write_file(game + "two.saf", saf_bytes({{"first", "line one\nAB"}, {"second", "NEXT MEMBER"}}));
  data_stream *s = data_open("@first", "rb");
  ASSERT_NE(s, nullptr);
  char buf[64];
  ASSERT_NE(data_gets(s, buf, sizeof buf), nullptr);
  EXPECT_STREQ(buf, "line one\n");
  ASSERT_NE(data_gets(s, buf, sizeof buf), nullptr);
  EXPECT_STREQ(buf, "AB");
  EXPECT_EQ(data_gets(s, buf, sizeof buf), nullptr);
  EXPECT_EQ(data_getc(s), -1);
  ASSERT_EQ(data_seek(s, 0), 1);
  EXPECT_EQ(data_read(s, buf, sizeof buf), 11);
  EXPECT_EQ(std::string(buf, 11), "line one\nAB");
  EXPECT_EQ(data_read(s, buf, sizeof buf), 0);
  char word[32];
  ASSERT_EQ(data_seek(s, 9), 1);
  EXPECT_EQ(data_scanf(s, "%31s", word), 1);
  EXPECT_STREQ(word, "AB");
  data_close(s);
}

TEST_F(data_roots_fixture, member_named_saf_is_not_an_archive) {
  write_file(game + "outer.saf", saf_bytes({{"inner.saf", saf_bytes({{"deep", "d"}})}}));
  EXPECT_EQ(listed(), (std::vector<std::string>{"inner.saf", "outer.saf"}));
  EXPECT_EQ(read_name("@deep"), "<none>");
}

TEST_F(data_roots_fixture, writing_a_data_name_goes_to_root_0_and_makes_folders) {
  write_file(game + "pack.saf", saf_bytes({{"demos/a.kvdemo", "archived"}}));
  data_stream *s = data_open("@demos/a.kvdemo", "wb");
  ASSERT_NE(s, nullptr);
  data_puts(s, "written");
  data_close(s);
  EXPECT_EQ(read_file(personal + "demos/a.kvdemo"), "written");
  EXPECT_EQ(read_file(game + "pack.saf"), saf_bytes({{"demos/a.kvdemo", "archived"}}));
  // Files created after the index was built are still found through the roots.
  EXPECT_EQ(read_name("@demos/a.kvdemo"), "written");
}
