// The release check over "zzzz.saf", the archive writer the build's packing
// tool uses, and showing the personal folder.
#include <nettle/ripemd160.h>

#include "data/file_digest.h"
#include "data/saf_writer.h"
#include "data_fixture.h"
#include "platform/log.h"

namespace {

std::string hex_digest(const std::string &bytes) {
  ripemd160_ctx ctx;
  ripemd160_init(&ctx);
  ripemd160_update(&ctx, bytes.size(), reinterpret_cast<const uint8_t *>(bytes.data()));
  uint8_t d[RIPEMD160_DIGEST_SIZE];
  ripemd160_digest(&ctx, sizeof d, d);
  std::string hex;
  char buf[3];
  for (uint8_t b : d) {
    snprintf(buf, sizeof buf, "%02x", b);
    hex += buf;
  }
  return hex;
}

struct release_fixture : data_roots_fixture {
  scoped_env no_logfile{"KOBA_LOGFILE", nullptr};
  void SetUp() override {
    data_roots_fixture::SetUp();
    log_reset();
  }
  void TearDown() override {
    log_reset();
    data_roots_fixture::TearDown();
  }
};

}  // namespace

TEST_F(release_fixture, finds_the_archive_in_any_root_and_names_the_log) {
  std::string archive = saf_bytes({{"readme.txt", "game data"}});
  write_file(game + "zzzz.saf", archive);
  EXPECT_EQ(check_game_data(hex_digest(archive).c_str()), 1);
  EXPECT_NE(read_file(personal + "lastlog.txt").find("KOBA 0.31"), std::string::npos);

  std::string upper = hex_digest(archive);
  for (char &c : upper) c = static_cast<char>(toupper(c));
  EXPECT_EQ(check_game_data(upper.c_str()), 1);
  EXPECT_EQ(check_game_data(hex_digest("other").c_str()), 0);
  EXPECT_EQ(check_game_data("0123"), 0);
  EXPECT_EQ(check_game_data((hex_digest(archive) + "0").c_str()), 0);
}

TEST_F(release_fixture, digest_covers_only_the_first_mebibyte) {
  std::string head(1048576, 'h');
  write_file(personal + "zzzz.saf", head + "any tail");
  EXPECT_EQ(check_game_data(hex_digest(head).c_str()), 1);
}

TEST_F(release_fixture, missing_data_or_a_folder_fails) {
  write_file(game + "zzzz.saf/inner", "x");
  write_file(game + "zzzz.saf.gz", gzip_bytes("x"));
  EXPECT_EQ(check_game_data(hex_digest("").c_str()), 0);
  EXPECT_EQ(check_game_data(hex_digest("x").c_str()), 0);
  EXPECT_TRUE(file_exists(personal));  // root 0 is made for the log
}

TEST_F(data_roots_fixture, written_archive_reads_back) {
  write_file(tmp.path + "/in/a.txt", "alpha\n");
  write_file(tmp.path + "/in/empty", "");
  write_file(tmp.path + "/in/t/deep.bin", std::string("\0\x01\xff", 3));
  const char *names[] = {"a.txt", "empty", "t/deep.bin"};
  std::string paths[] = {tmp.path + "/in/a.txt", tmp.path + "/in/empty", tmp.path + "/in/t/deep.bin"};
  const char *path_ptrs[] = {paths[0].c_str(), paths[1].c_str(), paths[2].c_str()};
  write_file(game + "readme", "r");  // makes the root folder
  ASSERT_EQ(saf_write((game + "pack.saf").c_str(), names, path_ptrs, 3), 1);
  EXPECT_EQ(read_file(game + "pack.saf"),
            saf_bytes({{"a.txt", "alpha\n"}, {"empty", ""}, {"t/deep.bin", std::string("\0\x01\xff", 3)}}));
  data_stream *s = data_open("@T/Deep.bin", "rb");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(drain(s), std::string("\0\x01\xff", 3));
  data_close(s);
}

TEST_F(data_roots_fixture, writer_refuses_bad_members) {
  write_file(tmp.path + "/f", "x");
  std::string f = tmp.path + "/f";
  std::string long_name(1100, 'n');
  struct bad {
    const char *name;
    std::string path;
  } cases[] = {
      {"", f}, {"a\nb", f}, {"a//b", f}, {long_name.c_str(), f}, {"ok", tmp.path + "/missing"}, {"ok", tmp.path},
  };
  for (const bad &c : cases) {
    const char *names[] = {c.name};
    const char *paths[] = {c.path.c_str()};
    std::string out = tmp.path + "/out.saf";
    EXPECT_EQ(saf_write(out.c_str(), names, paths, 1), 0) << c.name;
    EXPECT_FALSE(file_exists(out));
  }
}

TEST_F(data_roots_fixture, open_home_folder_creates_root_0) {
  temp_dir no_tools;
  scoped_env path("PATH", no_tools.path.c_str());  // no desktop opener to start
  open_home_folder();
  EXPECT_TRUE(file_exists(personal));
}
