// Shared by the picture tests: a temporary folder set as the personal and data
// folder, buffers freed at scope exit, and a stream opened on a test file.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "data/data.h"
#include "support/test_env.h"

template <typename T>
struct owned {
  T *p = nullptr;
  ~owned() { free(p); }
  T **out() { return &p; }
  T &operator[](size_t i) const { return p[i]; }
};

class image_files : public ::testing::Test {
 protected:
  temp_dir dir;
  scoped_env xdg{"XDG_DATA_HOME", dir.path.c_str()};
  scoped_env home{"KV_HOME", dir.path.c_str()};
  void SetUp() override { data_reset(); }
  void TearDown() override { data_reset(); }

  std::string put(const std::string &name, const std::string &bytes) {
    std::string path = dir.file(name);
    EXPECT_TRUE(write_file(path, bytes));
    return path;
  }
};

// Opens a file for reading, closes it at scope exit.
struct open_stream {
  data_stream *s;
  explicit open_stream(const std::string &path) : s(data_open(path.c_str(), "rb")) {}
  ~open_stream() {
    if (s) data_close(s);
  }
};
