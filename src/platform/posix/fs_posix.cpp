// POSIX backend of the file-system services.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/fs.h"

int fs_stat(const char *path, fs_status *out) {
  struct stat st;
  if (stat(path, &st) != 0) return 0;
  out->is_folder = S_ISDIR(st.st_mode) ? 1 : 0;
  out->size = static_cast<int64_t>(st.st_size);
  return 1;
}

int fs_stream_is_folder(FILE *f) {
  struct stat st;
  if (fstat(fileno(f), &st) != 0) return 0;
  return S_ISDIR(st.st_mode) ? 1 : 0;
}

int fs_list_folder(const char *path, fs_entry_fn fn, void *context) {
  DIR *d = opendir(path);
  if (!d) return 0;
  while (struct dirent *e = readdir(d)) {
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    fn(e->d_name, context);
  }
  closedir(d);
  return 1;
}

int fs_make_folder(const char *path) {
  if (mkdir(path, 0777) == 0) return 1;
  struct stat st;
  return errno == EEXIST && stat(path, &st) == 0 && S_ISDIR(st.st_mode) ? 1 : 0;
}

int fs_program_path(char *buf, size_t size) {
  if (size < 2) return 0;
  ssize_t n = readlink("/proc/self/exe", buf, size);
  if (n <= 0 || static_cast<size_t>(n) >= size) return 0;
  buf[n] = 0;
  return 1;
}

namespace {

int copy_text(char *buf, size_t size, const char *a, const char *b) {
  size_t la = strlen(a), lb = strlen(b);
  if (la + lb + 1 > size) return 0;
  memcpy(buf, a, la);
  memcpy(buf + la, b, lb + 1);
  return 1;
}

}  // namespace

int fs_personal_base(char *buf, size_t size) {
  const char *xdg = getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return copy_text(buf, size, xdg, "");
  const char *home = getenv("HOME");
  if (!home || !home[0]) {
    struct passwd *pw = getpwuid(getuid());
    home = pw ? pw->pw_dir : nullptr;
  }
  if (!home || !home[0]) return 0;
  return copy_text(buf, size, home, "/.local/share");
}

void fs_show_folder(const char *path) {
  // Two forks so that the opener is not our child and leaves no zombie.
  pid_t child = fork();
  if (child < 0) return;
  if (child == 0) {
    pid_t grandchild = fork();
    if (grandchild == 0) {
      int null_fd = open("/dev/null", O_RDWR);
      if (null_fd >= 0) {
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        dup2(null_fd, 2);
      }
      execlp("xdg-open", "xdg-open", path, static_cast<char *>(nullptr));
      _exit(127);
    }
    _exit(0);
  }
  int status;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}
