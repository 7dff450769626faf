#include <gtest/gtest.h>

#include <string>

#include "app/track_list.h"
#include "data/data.h"
#include "platform/log.h"
#include "support/test_env.h"

namespace {

struct list_fixture : ::testing::Test {
  temp_dir home, root;
  scoped_env xdg{"XDG_DATA_HOME", home.path.c_str()};
  scoped_env kv{"KV_HOME", root.path.c_str()};
  void SetUp() override { data_reset(); }
  void TearDown() override {
    name_list_free(&track_list);
    name_list_free(&demo_list);
    data_reset();
  }
  void track(const std::string &folder, const char *desc) {
    write_file(root.file(folder + "/terrain.hf"), "3 1 0 1 \n");
    if (desc) write_file(root.file(folder + "/desc"), desc);
  }
};

TEST_F(list_fixture, no_track_folders) { EXPECT_FALSE(track_list_build()); }

TEST_F(list_fixture, tracks_sorted_by_description_ignoring_case) {
  track("zeta", "alpha Hills\r\nsecond line");
  track("beta", "");  // an empty description sorts first
  track("gamma", "ALPHA hills");  // equal ignoring case: keeps its place (data-name order) before "zeta"
  track("delta", nullptr);         // no desc: the folder name
  write_file(root.file("packed/terrain.hf.gz"), "x");
  ASSERT_TRUE(track_list_build());
  ASSERT_EQ(track_list.count, 5);
  const char *folders[] = {"beta", "gamma", "zeta", "delta", "packed"};
  const char *names[] = {"", "ALPHA hills", "alpha Hills", "delta", "packed"};
  for (int i = 0; i < 5; i++) {
    EXPECT_STREQ(track_list.names[i], folders[i]) << i;
    EXPECT_STREQ(track_list.display[i], names[i]) << i;
  }
  EXPECT_EQ(track_list_find("zeta"), 2);
  EXPECT_EQ(track_list_find("nothing"), -1);
}

TEST_F(list_fixture, demos_named_between_last_slash_and_last_dot) {
  write_file(root.file("demos/a/b/race.one.kvdemo"), "KV05");
  write_file(root.file("demos/plain.kvdemo"), "KV05");
  write_file(root.file("other/x.kvdemo"), "KV05");
  demo_list_build();
  ASSERT_EQ(demo_list.count, 2);
  EXPECT_STREQ(demo_list.names[0], "demos/a/b/race.one.kvdemo");
  EXPECT_STREQ(demo_list.display[0], "race.one");
  EXPECT_STREQ(demo_list.display[1], "plain");
}

}  // namespace
