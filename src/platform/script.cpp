#include "platform/script.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/input.h"
#include "platform/keys.h"
#include "platform/log.h"
#include "platform/options.h"
#include "platform/video.h"

enum script_action { SCRIPT_KEY, SCRIPT_QUIT };

struct script_line {
  kv_time time;
  int action;
  int32_t code;
  int32_t pressed;
};

static std::vector<script_line> lines;
static size_t next_line;
static bool active;

static void add_line(kv_time t, int action, int32_t code, int32_t pressed) {
  lines.push_back(script_line{t, action, code, pressed});
}

static char *trim(char *s) {
  while (isspace((unsigned char)*s)) s++;
  size_t n = strlen(s);
  while (n && isspace((unsigned char)s[n - 1])) s[--n] = 0;
  return s;
}

// One line: "<seconds> press|release|tap <key name>", "<seconds> type <text>",
// "<seconds> char <code>" or "<seconds> quit"; blank lines and lines starting with "#" are skipped.
static bool parse_line(char *text, kv_time start, int number) {
  char *s = trim(text);
  if (!*s || *s == '#') return true;
  char *end;
  double at = strtod(s, &end);
  if (end == s || !(at >= 0 && at < 1e6)) {
    fprintf(stderr, "script line %d: bad time\n", number);
    return false;
  }
  s = end;
  while (isspace((unsigned char)*s)) s++;
  char *word = s;
  while (*s && !isspace((unsigned char)*s)) s++;
  size_t word_len = (size_t)(s - word);
  char *rest = trim(s);
  kv_time t = time_from_seconds(time_to_seconds(start) + at);
  auto is = [&](const char *w) { return word_len == strlen(w) && !strncmp(word, w, word_len); };
  if (is("quit")) {
    add_line(t, SCRIPT_QUIT, 0, 0);
    return true;
  }
  if (is("type")) {
    // Typed characters arrive one after another, a microsecond apart.
    for (int i = 0; rest[i]; i++) {
      kv_time ti = time_from_seconds(time_to_seconds(t) + i * 1e-6);
      add_line(ti, SCRIPT_KEY, (unsigned char)rest[i], 1);
    }
    return true;
  }
  if (is("char")) {
    char *num_end;
    long c = strtol(rest, &num_end, 10);
    if (num_end == rest || *num_end || c < 0 || c > 255) {
      fprintf(stderr, "script line %d: bad character code\n", number);
      return false;
    }
    add_line(t, SCRIPT_KEY, (int32_t)c, 1);
    return true;
  }
  if (is("press") || is("release") || is("tap")) {
    int32_t code = key_code(rest);
    if (code < 0) {
      fprintf(stderr, "script line %d: unknown key \"%s\"\n", number, rest);
      return false;
    }
    if (is("tap")) {
      add_line(t, SCRIPT_KEY, code, 1);
      add_line(time_from_seconds(time_to_seconds(t) + 0.05), SCRIPT_KEY, code, 0);
    } else {
      add_line(t, SCRIPT_KEY, code, is("press") ? 1 : 0);
    }
    return true;
  }
  fprintf(stderr, "script line %d: unknown action\n", number);
  return false;
}

static void sort_lines() {
  // Stable insertion sort: lines at the same time keep their written order.
  for (size_t i = 1; i < lines.size(); i++)
    for (size_t j = i; j > 0 && time_before(lines[j].time, lines[j - 1].time); j--) {
      script_line tmp = lines[j];
      lines[j] = lines[j - 1];
      lines[j - 1] = tmp;
    }
}

bool script_load_text(const char *text, kv_time start) {
  script_stop();
  bool ok = true;
  int number = 0;
  const char *p = text;
  while (*p) {
    const char *nl = strchr(p, '\n');
    size_t n = nl ? (size_t)(nl - p) : strlen(p);
    std::vector<char> line(p, p + n);
    line.push_back(0);
    number++;
    if (!parse_line(line.data(), start, number)) ok = false;
    p += n;
    if (*p) p++;
  }
  sort_lines();
  active = true;
  return ok;
}

bool script_start_from_option() {
  char path[1024];
  const char *name = option_text("script", nullptr, path, sizeof path);
  if (!name) return true;
  FILE *f = fopen(name, "rb");
  if (!f) {
    fprintf(stderr, "Can't open script \"%s\"\n", name);
    return false;
  }
  std::vector<char> text;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0 && text.size() < (16u << 20)) text.insert(text.end(), buf, buf + n);
  fclose(f);
  text.push_back(0);
  if (strlen(text.data()) + 1 != text.size()) {
    fprintf(stderr, "Script \"%s\" is not a text file\n", name);
    return false;
  }
  bool ok = script_load_text(text.data(), input_time());
  log_printf("Input script \"%s\": %d events\n", name, (int)lines.size());
  return ok;
}

void script_pump(kv_time now) {
  if (!active) return;
  while (next_line < lines.size() && !time_before(now, lines[next_line].time)) {
    const script_line &l = lines[next_line];
    if (l.action == SCRIPT_QUIT)
      request_quit();
    else if (!input_queue_add(l.code, l.pressed, l.time))
      break;  // queue full: try again on the next pump
    next_line++;
  }
}

bool script_active() { return active; }

void script_stop() {
  lines.clear();
  next_line = 0;
  active = false;
}
