#include "support/test_env.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

temp_dir::temp_dir() {
  const char *base = getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/kvtest.XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back(0);
  if (mkdtemp(buf.data())) path = buf.data();
}

temp_dir::~temp_dir() {
  if (path.size() > 8) {
    std::string cmd = "rm -rf '" + path + "'";
    if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", path.c_str());
  }
}

scoped_env::scoped_env(const char *n, const char *value) : name(n) {
  const char *old = getenv(n);
  had_value = old != nullptr;
  if (old) old_value = old;
  if (value)
    setenv(n, value, 1);
  else
    unsetenv(n);
}

scoped_env::~scoped_env() {
  if (had_value)
    setenv(name.c_str(), old_value.c_str(), 1);
  else
    unsetenv(name.c_str());
}

static void make_parents(const std::string &path) {
  for (size_t i = 1; i < path.size(); i++)
    if (path[i] == '/') mkdir(path.substr(0, i).c_str(), 0777);
}

bool write_file(const std::string &path, const std::string &bytes) {
  make_parents(path);
  FILE *f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool file_exists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

static std::string slurp_fd(int fd) {
  std::string s;
  char buf[4096];
  lseek(fd, 0, SEEK_SET);
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, (size_t)n);
  return s;
}

run_result run_korvath(const std::vector<std::string> &args, const std::vector<std::string> &env,
                       const std::string &home, int timeout_seconds, int signal_after_ms) {
  run_result r{-1, "", ""};
  char out_name[] = "/tmp/kvout.XXXXXX", err_name[] = "/tmp/kverr.XXXXXX";
  int out_fd = mkstemp(out_name), err_fd = mkstemp(err_name);
  if (out_fd < 0 || err_fd < 0) return r;
  unlink(out_name);
  unlink(err_name);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd >= 0) dup2(null_fd, 0);
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    setenv("HOME", home.c_str(), 1);
    unsetenv("KOBA_LOGFILE");
    unsetenv("KOBA_OPTIONS");
    unsetenv("KV_HOME");
    for (const std::string &e : env) {
      size_t eq = e.find('=');
      if (eq != std::string::npos) setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(KV_BINARY));
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(KV_BINARY, argv.data());
    _exit(127);
  }
  int status = 0;
  for (int waited = 0;; waited++) {
    pid_t w = waitpid(pid, &status, WNOHANG);
    if (w == pid) break;
    if (signal_after_ms > 0 && waited == signal_after_ms / 10) kill(pid, SIGINT);
    if (waited > timeout_seconds * 100) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    usleep(10000);
  }
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  r.out = slurp_fd(out_fd);
  r.err = slurp_fd(err_fd);
  close(out_fd);
  close(err_fd);
  return r;
}

void make_game_root(const std::string &root, const std::vector<std::string> &tracks) {
  write_file(root + "/zzzz.saf", read_file(std::string(KV_BUILD_DIR) + "/game/zzzz.saf"));
  for (const std::string &t : tracks) write_file(root + "/" + t + "/terrain.hf", "3 1.0 0.0 10.0 \n");
}
