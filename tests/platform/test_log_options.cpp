#include <gtest/gtest.h>

#include <string>

#include "platform/log.h"
#include "platform/options.h"
#include "support/fake_clock.h"
#include "support/test_env.h"

namespace {

struct log_fixture : ::testing::Test {
  temp_dir dir;
  void SetUp() override { log_reset(); }
  void TearDown() override { log_reset(); }
};

TEST_F(log_fixture, names_file_from_first_message_and_prefixes_lines) {
  scoped_env env("KOBA_LOGFILE", nullptr);
  fake_clock clock(3600 + 2 * 60 + 3.45);
  std::string path = dir.file("lastlog.txt");
  log_printf("KOBA_LOGFILE=%s", path.c_str());
  log_printf("hello %d\n", 7);
  EXPECT_EQ(read_file(path), "[1:02:03.45] Logfile \"" + path + "\" opened\n[1:02:03.45] KOBA 0.31\n[1:02:03.45] hello 7\n");
}

TEST_F(log_fixture, variable_overrides_and_greater_than_signs_choose_append_or_truncate) {
  fake_clock clock(1.0);
  std::string path = dir.file("log.txt");
  struct {
    const char *prefix;
    bool keeps_old;
  } cases[] = {{">>", true}, {">", false}, {"", false}};
  for (const auto &c : cases) {
    write_file(path, "old line\n");
    scoped_env env("KOBA_LOGFILE", (std::string(c.prefix) + path).c_str());
    log_reset();
    log_printf("KOBA_LOGFILE=%s", dir.file("ignored.txt").c_str());
    log_printf("new\n");
    std::string text = read_file(path);
    EXPECT_EQ(text.rfind("old line\n", 0) == 0, c.keeps_old) << c.prefix;
    EXPECT_NE(text.find("] new\n"), std::string::npos) << c.prefix;
    EXPECT_FALSE(file_exists(dir.file("ignored.txt")));
  }
}

TEST_F(log_fixture, without_name_nothing_is_logged) {
  scoped_env env("KOBA_LOGFILE", nullptr);
  log_printf("first message without a name\n");
  log_printf("KOBA_LOGFILE=%s", dir.file("late.txt").c_str());
  EXPECT_FALSE(file_exists(dir.file("late.txt")));
}

TEST(options, flags_ints_and_text) {
  log_reset();
  options_set_text("[dsnd:no][dsnd:yes][sound-rate:abc][threaded:maybe][mix:-12ms][video:headless][waveout:on]");
  EXPECT_EQ(option_flag("dsnd", 1), 0);  // first occurrence wins
  EXPECT_EQ(option_flag("waveout", 0), 1);
  EXPECT_EQ(option_flag("threaded", 0), 0);
  EXPECT_EQ(option_flag("missing", 1), 1);
  EXPECT_EQ(option_int("sound-rate", 22050), 22050);
  EXPECT_EQ(option_int("mix", 5), -12);
  char buf[16];
  EXPECT_STREQ(option_text("video", "sdl", buf, sizeof buf), "headless");
  EXPECT_STREQ(option_text("nothing", "sdl", buf, sizeof buf), "sdl");
  char tiny[4];
  EXPECT_STREQ(option_text("video", "sdl", tiny, sizeof tiny), "sdl");
  options_set_text(nullptr);
}

}  // namespace
