#include "replay/packed_state.h"

#include <cmath>
#include <cstring>

#include "sim/assembly.h"
#include "sim/bike.h"
#include "sim/crash.h"
#include "sim/drivetrain.h"
#include "sim/ground.h"
#include "sim/world.h"

namespace {

const double PI = M_PI;
const uint32_t MAX8 = 255, MAX16 = 65535, MAX24 = 16777215;
const double RPM_PER_RAD_S = 60 / (2 * M_PI);
const int CRASH_MARKER = 7;

// ---- encoding -------------------------------------------------------------

// floor(f * max) of the value mapped to 0..1; the value is rounded to single
// precision first, as the stored records always were.
uint32_t quantise(double value, double low, double range, uint32_t max) {
  double v = (float)value;
  double f = range > 0 ? (v - low) / range : 0;
  if (!(f >= 0)) f = 0;  // NaN too
  if (f > 1) f = 1;
  return (uint32_t)std::floor(f * max);
}

void put(uint8_t *p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; i++) p[i] = (uint8_t)(v >> (8 * i));
}

void put_quaternion(uint8_t *p, const dReal *q) {
  for (int k = 0; k < 4; k++) put(p + 2 * k, quantise(q[k], -1, 2, MAX16), 2);
}

uint8_t status_byte(const bike *b) {
  if (b->crash_timer >= 1) {
    int n = (b->crash_timer * 15 - 15) / 127;
    return (uint8_t)((n < 15 ? n : 15) << 4 | CRASH_MARKER);
  }
  int gear = b->gear < 0 ? 0 : b->gear > 6 ? 6 : b->gear;
  float t = clamp_value(b->controls.throttle * 15, 0, 15);
  int nibble = (int)t;
  return (uint8_t)(nibble << 4 | (b->foot_down > 0 ? 8 : 0) | gear);
}

// ---- decoding -------------------------------------------------------------

uint32_t get(const uint8_t *p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; i++) v |= (uint32_t)p[i] << (8 * i);
  return v;
}

double fraction(const uint8_t *p, int bytes) {
  uint32_t max = bytes == 1 ? MAX8 : bytes == 2 ? MAX16 : MAX24;
  return get(p, bytes) / (double)max;
}

// A decoded quaternion is made unit length; a degenerate one is the identity.
void get_quaternion(const uint8_t *p, double q[4]) {
  double sq = 0;
  for (int k = 0; k < 4; k++) {
    q[k] = 2 * fraction(p + 2 * k, 2) - 1;
    sq += q[k] * q[k];
  }
  if (sq < 1e-6) {
    q[0] = 1;
    q[1] = q[2] = q[3] = 0;
    return;
  }
  double len = std::sqrt(sq);
  for (int k = 0; k < 4; k++) q[k] /= len;
}

// ---- rigid placement ------------------------------------------------------

// world(p) = r p + t, from design coordinates.
struct placement {
  dMatrix3 r;
  double t[3];
};

void apply(const placement &a, const double p[3], double out[3]) {
  dVector3 v = {p[0], p[1], p[2], 0}, w;
  dMultiply0_331(w, a.r, v);
  for (int k = 0; k < 3; k++) out[k] = w[k] + a.t[k];
}

// a then, inside it, a rotation by angle about the design line through point.
placement turned(const placement &a, const double axis[3], double angle, const float point[3]) {
  dMatrix3 rot;
  dRFromAxisAndAngle(rot, axis[0], axis[1], axis[2], angle);
  dVector3 pv = {point[0], point[1], point[2], 0}, rp;
  dMultiply0_331(rp, rot, pv);
  double local_t[3] = {point[0] - rp[0], point[1] - rp[1], point[2] - rp[2]};
  placement out;
  dMultiply0_333(out.r, a.r, rot);
  apply(a, local_t, out.t);
  return out;
}

placement shifted(const placement &a, const double d[3]) {
  placement out = a;
  dVector3 dv = {d[0], d[1], d[2], 0}, w;
  dMultiply0_331(w, a.r, dv);
  for (int k = 0; k < 3; k++) out.t[k] += w[k];
  return out;
}

void place(dBodyID body, const placement &a, const float design[3]) {
  double p[3] = {design[0], design[1], design[2]}, w[3];
  apply(a, p, w);
  dBodySetPosition(body, w[0], w[1], w[2]);
  dBodySetRotation(body, a.r);
}

void quaternion_product(const double a[4], const double b[4], double out[4]) {
  out[0] = a[0] * b[0] - a[1] * b[1] - a[2] * b[2] - a[3] * b[3];
  out[1] = a[0] * b[1] + a[1] * b[0] + a[2] * b[3] - a[3] * b[2];
  out[2] = a[0] * b[2] - a[1] * b[3] + a[2] * b[0] + a[3] * b[1];
  out[3] = a[0] * b[3] + a[1] * b[2] - a[2] * b[1] + a[3] * b[0];
}

// The world-frame rotation vector turning q0 into q1 (the shorter way).
void rotation_between(const double q0[4], const double q1[4], double out[3]) {
  double inv[4] = {q0[0], -q0[1], -q0[2], -q0[3]}, d[4];
  quaternion_product(q1, inv, d);
  if (d[0] < 0)
    for (double &c : d) c = -c;
  double s = std::sqrt(d[1] * d[1] + d[2] * d[2] + d[3] * d[3]);
  double angle = 2 * std::atan2(s, d[0]);
  for (int k = 0; k < 3; k++) out[k] = s > 1e-12 ? d[k + 1] / s * angle : 2 * d[k + 1];
}

void steering_axis(const bike_spec &s, double a[3]) {
  double len = 0;
  for (int k = 0; k < 3; k++) {
    a[k] = s.fork_upper_position[k] - s.fork_lower_position[k];
    len += a[k] * a[k];
  }
  len = std::sqrt(len);
  for (int k = 0; k < 3; k++) a[k] /= len;
}

void rejoin_rider(bike *b, const placement &chassis) {
  dVector3 pos;
  dQuaternion q;
  const dReal *p = dBodyGetPosition(b->rider);
  for (int k = 0; k < 3; k++) pos[k] = p[k];
  memcpy(q, dBodyGetQuaternion(b->rider), sizeof q);
  place(b->rider, chassis, b->spec.rider_position);
  rider_mount_attach(b);
  dBodySetPosition(b->rider, pos[0], pos[1], pos[2]);
  dBodySetQuaternion(b->rider, q);
}

}  // namespace

int packed_state_size(int version) {
  return version == 4 ? PACKED_STATE_V4_SIZE : version == 5 ? PACKED_STATE_SIZE : 0;
}

void pack_bike_state(const bike *b, uint8_t out[PACKED_STATE_SIZE]) {
  const bike_spec &s = b->spec;
  double e = sim_ground.extent, m = sim_ground.min_height;
  const dReal *c = dBodyGetPosition(b->chassis);
  put(out + 0, quantise(c[0], 0, e, MAX24), 3);
  put(out + 3, quantise(c[1], m, e, MAX24), 3);
  put(out + 6, quantise(c[2], 0, e, MAX24), 3);
  put_quaternion(out + 9, dBodyGetQuaternion(b->chassis));
  out[17] = (uint8_t)quantise(dJointGetHingeAngle(b->steering_head), -PI / 4, PI / 2, MAX8);
  out[18] = (uint8_t)quantise(dJointGetHingeAngle(b->swingarm_pivot), -s.swingarm_travel, s.swingarm_travel, MAX8);
  out[19] = (uint8_t)quantise(dJointGetSliderPosition(b->fork_slider), -s.fork_travel, s.fork_travel, MAX8);
  const dReal *r = dBodyGetPosition(b->rider);
  for (int k = 0; k < 3; k++) put(out + 20 + 2 * k, quantise(r[k] - c[k], -16, 32, MAX16), 2);
  put_quaternion(out + 26, dBodyGetQuaternion(b->rider));
  out[34] = (uint8_t)quantise(dJointGetHingeAngle(b->front_axle), -PI, 2 * PI, MAX8);
  out[35] = (uint8_t)quantise(dJointGetHingeAngle(b->rear_axle), -PI, 2 * PI, MAX8);
  out[36] = status_byte(b);
  put(out + 37, quantise(b->engine_speed * RPM_PER_RAD_S, 0, 32768, MAX16), 2);
}

bool unpack_bike_state(const uint8_t *p, int version, const bike_spec *spec, unpacked_bike_state *out) {
  if (!p || !spec || packed_state_size(version) == 0) return false;
  memset(out, 0, sizeof *out);
  double e = sim_ground.extent, m = sim_ground.min_height;
  out->chassis_position[0] = fraction(p + 0, 3) * e;
  out->chassis_position[1] = m + fraction(p + 3, 3) * e;
  out->chassis_position[2] = fraction(p + 6, 3) * e;
  get_quaternion(p + 9, out->chassis_quaternion);
  out->steering = fraction(p + 17, 1) * PI / 2 - PI / 4;
  out->swingarm = -spec->swingarm_travel * (1 - fraction(p + 18, 1));
  out->fork = -spec->fork_travel * (1 - fraction(p + 19, 1));
  const uint8_t *tail;
  if (version == 5) {
    for (int k = 0; k < 3; k++) out->rider_offset[k] = 32 * fraction(p + 20 + 2 * k, 2) - 16;
    get_quaternion(p + 26, out->rider_quaternion);
    tail = p + 34;
  } else {
    out->rider_slide = spec->rider_slide_min + fraction(p + 20, 1) * (spec->rider_slide_max - spec->rider_slide_min);
    out->rider_quaternion[0] = 1;
    tail = p + 21;
  }
  out->front_wheel = 2 * PI * fraction(tail, 1) - PI;
  out->rear_wheel = 2 * PI * fraction(tail + 1, 1) - PI;
  out->status = tail[2];
  out->engine_speed = fraction(tail + 3, 2) * 32768 * 2 * PI / 60;
  return true;
}

bool bike_apply_packed_state(bike *b, const uint8_t *record, int version, int elapsed) {
  unpacked_bike_state u;
  if (!b || !unpack_bike_state(record, version, &b->spec, &u)) return false;
  const bike_spec &s = b->spec;
  bool derive = sim.sim_tick > 0;

  // 1. Orientations before anything moves.
  double old_q[BODY_COUNT][4];
  if (derive)
    for (int i = 0; i < BODY_COUNT; i++) {
      const dReal *q = dBodyGetQuaternion(bike_body(b, i));
      for (int k = 0; k < 4; k++) old_q[i][k] = q[k];
    }

  // 2. Chassis.
  dQuaternion cq = {u.chassis_quaternion[0], u.chassis_quaternion[1], u.chassis_quaternion[2],
                    u.chassis_quaternion[3]};
  placement chassis;
  dRfromQ(chassis.r, cq);
  {
    double design[3] = {s.chassis_position[0], s.chassis_position[1], s.chassis_position[2]}, rd[3];
    placement rot_only = chassis;
    rot_only.t[0] = rot_only.t[1] = rot_only.t[2] = 0;
    apply(rot_only, design, rd);
    for (int k = 0; k < 3; k++) chassis.t[k] = u.chassis_position[k] - rd[k];
  }
  dBodySetPosition(b->chassis, u.chassis_position[0], u.chassis_position[1], u.chassis_position[2]);
  dBodySetQuaternion(b->chassis, cq);

  // 3. Forks: turned about the steering axis, the lower one slid along it.
  double axis[3];
  steering_axis(s, axis);
  placement upper = turned(chassis, axis, u.steering, s.fork_upper_position);
  place(b->fork_upper, upper, s.fork_upper_position);
  double slide[3] = {-u.fork * axis[0], -u.fork * axis[1], -u.fork * axis[2]};
  placement lower = shifted(upper, slide);
  place(b->fork_lower, lower, s.fork_lower_position);

  // 4. Rider.
  if (version == 5) {
    dBodySetPosition(b->rider, u.chassis_position[0] + u.rider_offset[0], u.chassis_position[1] + u.rider_offset[1],
                     u.chassis_position[2] + u.rider_offset[2]);
    dQuaternion rq = {u.rider_quaternion[0], u.rider_quaternion[1], u.rider_quaternion[2], u.rider_quaternion[3]};
    dBodySetQuaternion(b->rider, rq);
  } else {
    double a[3] = {s.rider_slide_axis[0], s.rider_slide_axis[1], s.rider_slide_axis[2]};
    double len = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    double d[3] = {0, 0, 0};
    if (len > 0)
      for (int k = 0; k < 3; k++) d[k] = a[k] / len * u.rider_slide;
    place(b->rider, shifted(chassis, d), s.rider_position);
  }

  // 5. Wheels and swing arm. The wheels are the second bodies of their
  // axles, so a wheel turned by +a reads back as -a.
  const double x_axis[3] = {1, 0, 0};
  place(b->front_wheel, turned(lower, x_axis, -u.front_wheel, s.front_axle_position), s.front_axle_position);
  placement arm = turned(chassis, x_axis, u.swingarm, s.swingarm_pivot);
  place(b->swingarm, arm, s.swingarm_position);
  place(b->rear_wheel, turned(arm, x_axis, -u.rear_wheel, s.rear_axle_position), s.rear_axle_position);

  // 6. Status.
  bool rise = false;
  if ((u.status & 7) == CRASH_MARKER) {
    if (b->crash_timer == 0) crash_rider(b);
    dJointAttach(b->rider_mount, 0, 0);
    b->controls.throttle = 0;
    b->crash_timer = (u.status >> 4) * 127 / 15 + 1;
    rise = true;
  } else {
    if (b->crash_timer != 0) rejoin_rider(b, chassis);
    b->crash_timer = 0;
    bike_set_gear(b, u.status & 7);
    b->controls.throttle = (u.status >> 4) / 15.0f;
    rise = (u.status & 8) != 0;
  }

  // 7. The per-step rider update: foot-down decay and the crashed feet.
  b->foot_down = (float)std::fmax(b->foot_down - 4 * TICK_LENGTH, 0.0);
  if (b->crash_timer > 0) crash_feet_step(b);
  // 8. Foot-down rise.
  if (rise) b->foot_down = (float)std::fmin(b->foot_down + 8 * TICK_LENGTH, 1.0);
  // 9. Engine.
  b->engine_speed = (float)u.engine_speed;

  // 10. Velocities from the motion since the last applied state.
  if (elapsed > 0 && derive) {
    double dt = elapsed * TICK_LENGTH;
    for (int i = 0; i < BODY_COUNT; i++) {
      dBodyID body = bike_body(b, i);
      const dReal *p = dBodyGetPosition(body);
      const double *last = b->last_position[i];
      dBodySetLinearVel(body, (p[0] - last[0]) / dt, (p[1] - last[1]) / dt, (p[2] - last[2]) / dt);
      const dReal *q = dBodyGetQuaternion(body);
      double nq[4] = {q[0], q[1], q[2], q[3]}, w[3];
      rotation_between(old_q[i], nq, w);
      dBodySetAngularVel(body, w[0] / dt, w[1] / dt, w[2] / dt);
    }
  }
  // 11.
  bike_remember_positions(b);
  return true;
}
