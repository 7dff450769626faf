// kv_safpack STAGING_DIR OUT.saf: packs every file under the staging folder
// into one archive, members named by their path below the folder and stored
// in byte-wise sorted name order, so the archive is the same on every build.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "data/saf_writer.h"
#include "platform/fs.h"

namespace {

struct walk {
  std::string folder;
  std::vector<std::string> children;
};

void collect(const char *entry_name, void *context) {
  static_cast<walk *>(context)->children.push_back(entry_name);
}

bool gather(const std::string &folder, const std::string &prefix, std::vector<std::string> *names) {
  walk w;
  w.folder = folder;
  if (!fs_list_folder(folder.c_str(), collect, &w)) return false;
  for (const std::string &child : w.children) {
    fs_status st;
    std::string full = folder + "/" + child;
    if (!fs_stat(full.c_str(), &st)) return false;
    if (st.is_folder) {
      if (!gather(full, prefix + child + "/", names)) return false;
    } else {
      names->push_back(prefix + child);
    }
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: kv_safpack STAGING_DIR OUT.saf\n");
    return 1;
  }
  std::string root = argv[1];
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  std::vector<std::string> names;
  if (!gather(root, "", &names)) {
    fprintf(stderr, "kv_safpack: can't read %s\n", argv[1]);
    return 1;
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> paths;
  std::vector<const char *> name_ptrs, path_ptrs;
  for (const std::string &n : names) paths.push_back(root + "/" + n);
  for (size_t i = 0; i < names.size(); i++) {
    name_ptrs.push_back(names[i].c_str());
    path_ptrs.push_back(paths[i].c_str());
  }
  if (!saf_write(argv[2], name_ptrs.data(), path_ptrs.data(), static_cast<int>(names.size()))) {
    fprintf(stderr, "kv_safpack: can't write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
