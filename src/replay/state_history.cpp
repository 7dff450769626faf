#include "replay/state_history.h"

#include <cmath>
#include <cstring>

#include "sim/world.h"

namespace {

state_history rings[HISTORY_SLOTS];
bool rings_ready;

// The rings start empty even before the first explicit reset.
void ensure_ready() {
  if (rings_ready) return;
  rings_ready = true;
  for (int s = 0; s < HISTORY_SLOTS; s++) history_reset(s);
}

uint32_t get(const uint8_t *p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; i++) v |= (uint32_t)p[i] << (8 * i);
  return v;
}

void put(uint8_t *p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; i++) p[i] = (uint8_t)(v >> (8 * i));
}

uint32_t max_of(int bytes) { return bytes == 1 ? 255u : bytes == 2 ? 65535u : 16777215u; }

// The small allowance keeps a value that decodes to an exact step on that
// step (x / max * max may come out just below x).
uint32_t quantise(double f, int bytes) {
  if (!(f >= 0)) f = 0;
  if (f > 1) f = 1;
  return (uint32_t)std::floor(f * max_of(bytes) + 1e-6);
}

// Blended in whole steps of the field, which is the blend of the decoded
// fractions without the rounding noise of dividing by the step count.
void blend_fraction(const uint8_t *p, const uint8_t *q, double s, uint8_t *out, int bytes) {
  double a = get(p, bytes), b = get(q, bytes), max = max_of(bytes);
  double r = a + s * (b - a);
  r = !(r >= 0) ? 0 : r > max ? max : r;
  put(out, (uint32_t)std::floor(r), bytes);
}

void blend_quaternion(const uint8_t *p, const uint8_t *q, double s, uint8_t *out) {
  double a[4], b[4], dot = 0;
  for (int k = 0; k < 4; k++) {
    a[k] = 2 * (get(p + 2 * k, 2) / 65535.0) - 1;
    b[k] = 2 * (get(q + 2 * k, 2) / 65535.0) - 1;
    dot += a[k] * b[k];
  }
  // q and -q are the same rotation: blend along the shorter way.
  if (dot < 0)
    for (double &c : a) c = -c;
  double r[4], len = 0;
  for (int k = 0; k < 4; k++) {
    r[k] = a[k] + s * (b[k] - a[k]);
    len += r[k] * r[k];
  }
  len = std::sqrt(len);
  for (int k = 0; k < 4; k++) {
    double c = len > 0 ? r[k] / len : r[k];
    if (c < -1) c = -1;
    if (c > 1) c = 1;
    put(out + 2 * k, quantise((c + 1) / 2, 2), 2);
  }
}

// Wheel angles wrap: a wheel may turn up to 7/8 of a turn forward or 1/8
// backward between two records (in steps of 1/255 of a turn).
uint8_t blend_wheel(uint8_t p, uint8_t q, double s) {
  const double turn = 255;
  double a = p, b = q;
  if (b < a - turn / 8)
    a -= turn;
  else if (b > a + turn * 7 / 8)
    b -= turn;
  double r = a + s * (b - a);
  if (r < 0) r += turn;
  r = !(r >= 0) ? 0 : r > turn ? turn : r;
  return (uint8_t)std::floor(r);
}

}  // namespace

const state_history *history_of(int slot) {
  if (slot < 0 || slot >= HISTORY_SLOTS) return nullptr;
  ensure_ready();
  return &rings[slot];
}

void history_reset(int slot) {
  if (slot < 0 || slot >= HISTORY_SLOTS) return;
  rings_ready = true;
  state_history &h = rings[slot];
  for (int i = 0; i < HISTORY_LENGTH; i++) h.ticks[i] = -1;
  memset(h.states, 0, sizeof h.states);
  h.head = 0;
}

void history_reset_all() {
  for (int s = 0; s < HISTORY_SLOTS; s++) history_reset(s);
}

void history_append(int slot, int32_t tick, const uint8_t record[PACKED_STATE_SIZE]) {
  if (slot < 0 || slot >= HISTORY_SLOTS || !record) return;
  ensure_ready();
  state_history &h = rings[slot];
  if (h.ticks[h.head] == tick) return;
  h.head = (h.head + 1) % HISTORY_LENGTH;
  h.ticks[h.head] = tick;
  memcpy(h.states[h.head], record, PACKED_STATE_SIZE);
}

void history_lookup(int slot, int32_t t, uint8_t out[PACKED_STATE_SIZE]) {
  if (slot < 0 || slot >= HISTORY_SLOTS) {
    memset(out, 0, PACKED_STATE_SIZE);
    return;
  }
  ensure_ready();
  const state_history &h = rings[slot];
  int b = h.head, steps = 0;
  while (steps < HISTORY_LENGTH && h.ticks[b] >= t) {
    b = (b + HISTORY_LENGTH - 1) % HISTORY_LENGTH;
    steps++;
  }
  int c = (b + 1) % HISTORY_LENGTH;
  if (steps == HISTORY_LENGTH || (h.ticks[b] < 0 && h.ticks[c] < 0)) {
    const bike *live = bike_slot_bike(slot);
    if (live)
      pack_bike_state(live, out);
    else
      memset(out, 0, PACKED_STATE_SIZE);
    return;
  }
  if (b == h.head) {
    memcpy(out, h.states[b], PACKED_STATE_SIZE);
  } else if (h.ticks[b] < 0 || h.ticks[c] <= t) {
    memcpy(out, h.states[c], PACKED_STATE_SIZE);
  } else if (h.ticks[c] <= h.ticks[b] || t <= h.ticks[b]) {
    memcpy(out, h.states[b], PACKED_STATE_SIZE);
  } else {
    double s = (double)(t - h.ticks[b]) / (double)(h.ticks[c] - h.ticks[b]);
    interpolate_packed_states(h.states[b], h.states[c], s, out);
  }
}

void interpolate_packed_states(const uint8_t p[PACKED_STATE_SIZE], const uint8_t q[PACKED_STATE_SIZE], double s,
                               uint8_t out[PACKED_STATE_SIZE]) {
  for (int k = 0; k < 3; k++) blend_fraction(p + 3 * k, q + 3 * k, s, out + 3 * k, 3);
  blend_quaternion(p + 9, q + 9, s, out + 9);
  for (int k = 17; k <= 19; k++) blend_fraction(p + k, q + k, s, out + k, 1);
  for (int k = 0; k < 3; k++) blend_fraction(p + 20 + 2 * k, q + 20 + 2 * k, s, out + 20 + 2 * k, 2);
  blend_quaternion(p + 26, q + 26, s, out + 26);
  out[34] = blend_wheel(p[34], q[34], s);
  out[35] = blend_wheel(p[35], q[35], s);
  int low_p = p[36] & 15, low_q = q[36] & 15;
  int low = (int)(low_p + s * (low_q - low_p));
  out[36] = (uint8_t)((p[36] & 0xF0) | (low & 15));
  blend_fraction(p + 37, q + 37, s, out + 37, 2);
}
