// The system's millisecond clock and sleeping. Times are (seconds, microseconds)
// pairs compared as such. Tests may install a fake clock; it replaces both the
// reading and the sleeping, so a sleep simply advances the fake time.
#pragma once
#include <cstdint>

struct kv_time {
  int32_t sec;
  int32_t usec;
};

kv_time input_time();
// Sleeps for (sec, usec) from now: the OS sleep for 1 ms less, then yields
// until the moment has passed.
void sleep_until(int32_t sec, int32_t usec);

double time_to_seconds(kv_time t);
kv_time time_from_seconds(double s);
bool time_before(kv_time a, kv_time b);  // a strictly earlier than b
double clock_seconds();                  // input_time() as seconds
void sleep_seconds(double s);            // sleep_until for a length in seconds

struct clock_ops {
  kv_time (*now)();
  void (*sleep)(int32_t sec, int32_t usec);
};
// nullptr restores the real clock.
void clock_install(const clock_ops *ops);
