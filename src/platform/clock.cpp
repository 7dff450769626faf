#include "platform/clock.h"

#include <cmath>

// The real clock lives in the POSIX backend.
kv_time posix_time_now();
void posix_sleep_until(int32_t sec, int32_t usec);

static const clock_ops *installed_clock;

void clock_install(const clock_ops *ops) { installed_clock = ops; }

kv_time input_time() { return installed_clock ? installed_clock->now() : posix_time_now(); }

void sleep_until(int32_t sec, int32_t usec) {
  if (installed_clock)
    installed_clock->sleep(sec, usec);
  else
    posix_sleep_until(sec, usec);
}

double time_to_seconds(kv_time t) { return t.sec + t.usec * 1e-6; }

kv_time time_from_seconds(double s) {
  double whole = std::floor(s);
  kv_time t{(int32_t)whole, (int32_t)std::lround((s - whole) * 1e6)};
  if (t.usec >= 1000000) {
    t.sec++;
    t.usec -= 1000000;
  }
  return t;
}

bool time_before(kv_time a, kv_time b) { return a.sec < b.sec || (a.sec == b.sec && a.usec < b.usec); }

double clock_seconds() { return time_to_seconds(input_time()); }

void sleep_seconds(double s) {
  if (s <= 0) return;
  // Round up, so that a wait for less than a microsecond still passes time.
  long long us = (long long)std::ceil(s * 1e6);
  sleep_until((int32_t)(us / 1000000), (int32_t)(us % 1000000));
}
