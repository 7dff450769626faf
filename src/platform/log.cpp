#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/clock.h"

int debug_level = 0;

static FILE *log_file;
static bool log_initialised;
static std::mutex log_mutex;  // the message and audio threads log too

static const char LOGFILE_PREFIX[] = "KOBA_LOGFILE=";

static void log_write_prefixed(const char *text) {
  kv_time t = input_time();
  int32_t s = t.sec < 0 ? 0 : t.sec;
  fprintf(log_file, "[%d:%02d:%02d.%02d] ", (int)(s / 3600), (int)(s / 60 % 60), (int)(s % 60),
          (int)(t.usec / 10000));
  fputs(text, log_file);
  fflush(log_file);
}

static void log_open(const char *first_message) {
  const char *env = getenv("KOBA_LOGFILE");
  const char *name = env;
  bool is_name_message = strncmp(first_message, LOGFILE_PREFIX, sizeof LOGFILE_PREFIX - 1) == 0;
  if (is_name_message && !env) name = first_message + sizeof LOGFILE_PREFIX - 1;
  log_initialised = true;
  if (name && *name) {
    const char *mode = "w";
    if (name[0] == '>' && name[1] == '>') {
      name += 2;
      mode = "a";
    } else if (name[0] == '>') {
      name += 1;
    }
    log_file = fopen(name, mode);
  }
  if (log_file) {
    char line[4200];
    snprintf(line, sizeof line, "Logfile \"%s\" opened\n", name);
    log_write_prefixed(line);
    log_write_prefixed("KOBA 0.31\n");
  }
}

void log_printf(const char *format, ...) {
  char text[4096];
  va_list ap;
  va_start(ap, format);
  vsnprintf(text, sizeof text, format, ap);
  va_end(ap);

  std::lock_guard<std::mutex> lock(log_mutex);
  if (!log_initialised) {
    log_open(text);
    if (strncmp(text, LOGFILE_PREFIX, sizeof LOGFILE_PREFIX - 1) == 0) return;
  }
  if (log_file) log_write_prefixed(text);
}

void log_error(const char *text) { log_printf("Error: %s\n", text); }

void log_reset() {
  std::lock_guard<std::mutex> lock(log_mutex);
  if (log_file) fclose(log_file);
  log_file = nullptr;
  log_initialised = false;
}
