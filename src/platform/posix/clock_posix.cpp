// The system clock: CLOCK_MONOTONIC read at millisecond resolution, which is
// what the log prefix and the event stamps are defined on.
#include <sched.h>
#include <time.h>

#include "platform/clock.h"

kv_time posix_time_now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  int32_t ms = (int32_t)(ts.tv_nsec / 1000000);
  return kv_time{(int32_t)ts.tv_sec, ms * 1000};
}

static bool before_now(kv_time deadline) {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  kv_time now{(int32_t)ts.tv_sec, (int32_t)(ts.tv_nsec / 1000)};
  return time_before(now, deadline);
}

void posix_sleep_until(int32_t sec, int32_t usec) {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  long long start_us = (long long)ts.tv_sec * 1000000 + ts.tv_nsec / 1000;
  long long want_us = (long long)sec * 1000000 + usec;
  if (want_us <= 0) return;
  long long end_us = start_us + want_us;
  kv_time deadline{(int32_t)(end_us / 1000000), (int32_t)(end_us % 1000000)};
  long long nap_us = want_us - 1000;
  if (nap_us > 0) {
    timespec nap{(time_t)(nap_us / 1000000), (long)(nap_us % 1000000) * 1000};
    nanosleep(&nap, nullptr);
  }
  while (before_now(deadline)) sched_yield();
}
