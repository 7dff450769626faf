// A fake system clock for tests: sleeping advances it, and the test advances it
// by hand to play out frames of a given length. Installed for one scope.
#pragma once
#include "platform/clock.h"

struct fake_clock {
  fake_clock(double start_seconds = 100.0);
  ~fake_clock();
  void set(double seconds);
  void advance(double seconds);
  double now() const;
  double slept = 0;  // total time slept through the platform
};
