#include "support/fake_clock.h"

static double fake_now;
static fake_clock *active;

static kv_time fake_time() { return time_from_seconds(fake_now); }
static void fake_sleep(int32_t sec, int32_t usec) {
  double s = sec + usec * 1e-6;
  fake_now += s;
  if (active) active->slept += s;
}
static const clock_ops FAKE_OPS = {fake_time, fake_sleep};

fake_clock::fake_clock(double start_seconds) {
  fake_now = start_seconds;
  active = this;
  clock_install(&FAKE_OPS);
}
fake_clock::~fake_clock() {
  clock_install(nullptr);
  active = nullptr;
}
void fake_clock::set(double seconds) { fake_now = seconds; }
void fake_clock::advance(double seconds) { fake_now += seconds; }
double fake_clock::now() const { return fake_now; }
