#include <mutex>

#include "platform/devices.h"
#include "platform/input.h"
#include "platform/video.h"

static input_event queue[INPUT_QUEUE_SIZE];
static int queue_head, queue_count;  // ring: oldest at queue_head
static std::mutex queue_mutex;

static input_event &at(int i) { return queue[(queue_head + i) % INPUT_QUEUE_SIZE]; }

bool input_queue_add(int32_t code, int32_t pressed, kv_time time) {
  std::lock_guard<std::mutex> lock(queue_mutex);
  if (queue_count >= INPUT_QUEUE_SIZE) return false;
  int i = queue_count++;
  at(i) = input_event{code, pressed, time};
  // Move back past every later event, so sources with their own stamps interleave.
  while (i > 0 && time_before(time, at(i - 1).time)) {
    input_event t = at(i - 1);
    at(i - 1) = at(i);
    at(i) = t;
    i--;
  }
  return true;
}

void input_queue_clear() {
  std::lock_guard<std::mutex> lock(queue_mutex);
  queue_head = queue_count = 0;
}

int input_queue_count() {
  std::lock_guard<std::mutex> lock(queue_mutex);
  return queue_count;
}

static bool take_if(bool any, kv_time t, input_event *out) {
  std::lock_guard<std::mutex> lock(queue_mutex);
  if (queue_count == 0) return false;
  if (!any && time_before(t, at(0).time)) return false;
  *out = at(0);
  queue_head = (queue_head + 1) % INPUT_QUEUE_SIZE;
  queue_count--;
  return true;
}

// Devices whose buttons are bound are polled only when the queue has nothing
// due, so a busy keyboard does not cost a device read per event.
bool input_next_event(kv_time t, input_event *out) {
  window_pump_events();
  if (take_if(false, t, out)) return true;
  devices_poll_flagged();
  return take_if(false, t, out);
}

bool input_next_event_any(input_event *out) {
  window_pump_events();
  if (take_if(true, kv_time{0, 0}, out)) return true;
  devices_poll_flagged();
  return take_if(true, kv_time{0, 0}, out);
}
