// A fresh personal folder and data root for each test, the settings back at
// their defaults and no texture-variant lists left over from another test.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"
#include "config/texture_variants.h"
#include "data/data.h"
#include "support/test_env.h"

class config_test : public ::testing::Test {
 protected:
  temp_dir tmp;
  scoped_env home{"XDG_DATA_HOME", (tmp.path + "/home").c_str()};
  scoped_env data_root{"KV_HOME", (tmp.path + "/data").c_str()};

  void SetUp() override {
    data_reset();
    texture_variants_release_all();
    settings_defaults();
  }
  void TearDown() override {
    texture_variants_release_all();
    data_reset();
  }
  // A file in the game data root (visible through the data list).
  void data_file(const std::string &name) { ASSERT_TRUE(write_file(tmp.path + "/data/" + name, "x")); }
  // The personal folder, where "@config" lives.
  std::string personal(const std::string &name) const {
    const char *root = data_roots(0);
    return std::string(root ? root : "/nonexistent/") + name;
  }
};
