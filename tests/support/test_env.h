// Helpers for tests: a temporary folder removed at the end, environment
// variables set for one scope, small file writers, and running the korvath
// program with a captured standard error.
#pragma once
#include <string>
#include <vector>

struct temp_dir {
  std::string path;  // ends without "/"
  temp_dir();
  ~temp_dir();
  temp_dir(const temp_dir &) = delete;
  temp_dir &operator=(const temp_dir &) = delete;
  std::string file(const std::string &relative) const { return path + "/" + relative; }
};

// Sets (or with nullptr unsets) a variable, restoring the old value on exit.
struct scoped_env {
  std::string name, old_value;
  bool had_value;
  scoped_env(const char *name, const char *value);
  ~scoped_env();
};

bool write_file(const std::string &path, const std::string &bytes);  // creates folders
std::string read_file(const std::string &path);                       // "" when missing
bool file_exists(const std::string &path);

struct run_result {
  int exit_code;
  std::string out, err;
};
// Runs the korvath program with the arguments and extra "NAME=value"
// environment entries; XDG_DATA_HOME and HOME point at `home` unless given.
// With signal_after_ms > 0 the program gets SIGINT after that many milliseconds.
run_result run_korvath(const std::vector<std::string> &args, const std::vector<std::string> &env,
                       const std::string &home, int timeout_seconds = 60, int signal_after_ms = 0);

// A data root for running the game: the build's release archive and a
// minimal track folder per name, in `root` (used as KV_HOME).
void make_game_root(const std::string &root, const std::vector<std::string> &tracks);
