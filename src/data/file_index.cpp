// The file index: every loose file under the roots and every member of the
// ".saf" archives among them, sorted by name then source (lower source wins),
// and the name list derived from it. Built once, kept until data_reset.
//
// Archive header: lines "<size><one separator><name>\n", then "-\n", then the
// members' bytes back to back. A malformed header (a line that is too long or
// unterminated, a line that is neither a size nor "-", a negative size, or
// members reaching past the archive or past 2^31 - 1) drops every member of
// that archive; the archives after it keep their ranks.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/data.h"
#include "data/data_internal.h"
#include "platform/fs.h"

namespace {

constexpr int MAX_FOLDER_DEPTH = 64;  // ends folder-link loops
constexpr int MAX_HEADER_LINE = 1023; // bytes, "\n" included
constexpr int64_t MAX_OFFSET = 2147483647;

void free_entry(index_entry &e) {
  if (e.owns_name) free(const_cast<char *>(e.name));
  free(e.path);
}

// The index lives for the run; its strings are released with it at exit,
// whichever way the program ends.
struct index_state {
  int built;
  std::vector<index_entry> entries;
  std::vector<const char *> names;  // distinct names, then nullptr
  ~index_state() {
    for (index_entry &e : entries) free_entry(e);
  }
};
index_state state;

bool entry_less(const index_entry &a, const index_entry &b) {
  int c = strcmp(a.name, b.name);
  if (c != 0) return c < 0;
  return a.source < b.source;
}

struct scan_context {
  std::string folder;  // without trailing "/"
  std::vector<std::string> children;
};

void collect_child(const char *entry_name, void *context) {
  static_cast<scan_context *>(context)->children.push_back(entry_name);
}

void scan_folder(const std::string &folder, size_t root_length, int source, int depth) {
  if (depth > MAX_FOLDER_DEPTH) return;
  scan_context ctx;
  ctx.folder = folder;
  if (!fs_list_folder(folder.c_str(), collect_child, &ctx)) return;
  for (const std::string &child : ctx.children) {
    std::string full = folder + "/" + child;
    fs_status st;
    if (!fs_stat(full.c_str(), &st)) continue;
    if (st.is_folder) {
      scan_folder(full, root_length, source, depth + 1);
      continue;
    }
    char *path = strdup(full.c_str());
    if (!path) continue;
    index_entry e = {path, path + root_length, 0, 0, st.size, source};
    state.entries.push_back(e);
  }
}

bool ends_with_saf(const char *name) {
  size_t n = strlen(name);
  return n > 4 && strcmp(name + n - 4, ".saf") == 0;
}

// One header line into buf (terminated); its length including "\n", or -1
// when it does not end in "\n" within the allowed length.
int read_header_line(FILE *f, char *buf) {
  int n = 0;
  while (n < MAX_HEADER_LINE) {
    int c = fgetc(f);
    if (c == EOF) return -1;
    buf[n++] = static_cast<char>(c);
    if (c == '\n') {
      buf[n] = 0;
      return n;
    }
  }
  return -1;
}

bool is_c_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Reads a size as strtol base 10 would (leading blanks, a sign); returns the
// index after the digits, or -1 without digits. Values saturate beyond 2^31.
int parse_size(const char *line, int64_t *value) {
  int i = 0;
  while (is_c_space(line[i])) i++;
  bool negative = false;
  if (line[i] == '-' || line[i] == '+') negative = line[i++] == '-';
  if (line[i] < '0' || line[i] > '9') return -1;
  int64_t v = 0;
  while (line[i] >= '0' && line[i] <= '9') {
    if (v <= MAX_OFFSET) v = v * 10 + (line[i] - '0');
    i++;
  }
  *value = negative ? -v : v;
  return i;
}

char *member_name(const char *text, int length) {
  char *name = static_cast<char *>(malloc(static_cast<size_t>(length) + 1));
  if (!name) return nullptr;
  int n = 0;
  for (int i = 0; i < length; i++) {
    if (text[i] == '/' && n > 0 && name[n - 1] == '/') continue;
    name[n++] = text[i];
  }
  name[n] = 0;
  return name;
}

// Adds the members of one archive with the given source, or nothing when its
// header is malformed.
void read_archive(const char *archive_path, int64_t archive_length, int32_t source) {
  FILE *f = fopen(archive_path, "rb");
  if (!f) return;
  size_t first = state.entries.size();
  char line[MAX_HEADER_LINE + 1];
  int64_t header_bytes = 0;
  bool good = false;
  for (;;) {
    int length = read_header_line(f, line);
    if (length < 0) break;
    header_bytes += length;
    int64_t size;
    int after = parse_size(line, &size);
    if (after < 0) {
      good = strcmp(line, "-\n") == 0;
      break;
    }
    if (size < 0) break;
    // The single separator after the size; a size that ends the line has none.
    int name_start = after < length - 1 ? after + 1 : length - 1;
    char *name = member_name(line + name_start, length - 1 - name_start);
    char *path = name ? strdup(archive_path) : nullptr;
    if (!path) {
      free(name);
      continue;  // out of memory: this entry is dropped
    }
    index_entry e = {path, name, 1, 0, size, source};
    state.entries.push_back(e);
  }
  fclose(f);
  int64_t offset = header_bytes;
  for (size_t i = first; good && i < state.entries.size(); i++) {
    index_entry &e = state.entries[i];
    if (offset + e.size > archive_length || offset + e.size > MAX_OFFSET) good = false;
    e.offset = static_cast<int32_t>(offset);
    offset += e.size;
  }
  if (!good) {
    for (size_t i = first; i < state.entries.size(); i++) free_entry(state.entries[i]);
    state.entries.resize(first);
  }
}

void build_index() {
  state.built = 1;
  int roots = data_root_count();
  for (int r = 0; r < roots; r++) {
    std::string root = data_roots(r);
    size_t root_length = root.size();
    while (!root.empty() && root.back() == '/') root.pop_back();
    scan_folder(root, root_length, r, 0);
  }
  std::stable_sort(state.entries.begin(), state.entries.end(), entry_less);
  size_t loose = state.entries.size();
  int32_t counter = roots;
  for (size_t i = 0; i < loose; i++) {
    if (!ends_with_saf(state.entries[i].name)) continue;
    // Copies: read_archive grows the table, which may move the entry.
    std::string path = state.entries[i].path;
    int64_t length = state.entries[i].size;
    read_archive(path.c_str(), length, counter);
    counter++;
  }
  std::stable_sort(state.entries.begin(), state.entries.end(), entry_less);
  for (size_t i = 0; i < state.entries.size(); i++) {
    const char *name = state.entries[i].name;
    if (!state.names.empty() && strcmp(state.names.back(), name) == 0) continue;
    state.names.push_back(name);
  }
  state.names.push_back(nullptr);
}

bool same_ignoring_case(const char *a, const char *b, size_t n) {
  for (size_t i = 0; i < n; i++) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca - 'A' + 'a');
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb - 'A' + 'a');
    if (ca != cb) return false;
  }
  return true;
}

}  // namespace

const index_entry *file_index(int *count) {
  if (!state.built) build_index();
  *count = static_cast<int>(state.entries.size());
  return state.entries.data();
}

const index_entry *index_find(const char *name, int *is_gz) {
  int count;
  const index_entry *entries = file_index(&count);
  size_t n = strlen(name);
  for (int i = 0; i < count; i++) {
    const char *candidate = entries[i].name;
    size_t m = strlen(candidate);
    if (m == n && same_ignoring_case(candidate, name, n)) {
      *is_gz = 0;
      return &entries[i];
    }
    if (m == n + 3 && same_ignoring_case(candidate, name, n) && same_ignoring_case(candidate + n, ".gz", 3)) {
      *is_gz = 1;
      return &entries[i];
    }
  }
  return nullptr;
}

void index_reset() {
  for (index_entry &e : state.entries) free_entry(e);
  state.entries.clear();
  state.entries.shrink_to_fit();
  state.names.clear();
  state.names.shrink_to_fit();
  state.built = 0;
}

const char *const *data_list() {
  if (!state.built) build_index();
  return state.names.data();
}
