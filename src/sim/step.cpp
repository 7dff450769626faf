#include "sim/step.h"

#include <cmath>

#include "sim/assembly.h"
#include "sim/bike.h"
#include "sim/crash.h"
#include "sim/drivetrain.h"
#include "sim/ground.h"
#include "sim/rider.h"
#include "sim/suspension.h"
#include "sim/world.h"

namespace {

// Damps the front wheel's spin about any axis but its own.
void wobble_damping(bike *b) {
  const dReal *w = dBodyGetAngularVel(b->front_wheel);
  dVector3 a;
  dBodyVectorToWorld(b->front_wheel, 1, 0, 0, a);
  double along = w[0] * a[0] + w[1] * a[1] + w[2] * a[2];
  double k = b->steering_damping;
  double t[3];
  for (int i = 0; i < 3; i++) t[i] = k * (along * a[i] - w[i]);
  dBodyAddTorque(b->front_wheel, t[0], t[1], t[2]);
  dBodyAddTorque(b->chassis, -t[0], -t[1], -t[2]);
}

void cross(const double a[3], const dReal b[3], double out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

bool balance_internal_forces(bike *b) {
  if (sim.sim_tick < 2 || b->crash_timer > 0) return false;
  for (int i = 0; i < JOINT_COUNT; i++) {
    dJointID j = bike_joint(b, i);
    if (!dJointGetBody(j, 0) || !dJointGetBody(j, 1)) return false;
  }
  const dReal *c = dBodyGetPosition(b->chassis);
  double force[3] = {0, 0, 0}, torque[3] = {0, 0, 0};
  for (int i = 0; i < JOINT_COUNT; i++) {
    dJointID j = bike_joint(b, i);
    const dJointFeedback &fb = b->joint_feedback[i];
    const dReal *p1 = dBodyGetPosition(dJointGetBody(j, 0));
    const dReal *p2 = dBodyGetPosition(dJointGetBody(j, 1));
    double r1[3] = {p1[0] - c[0], p1[1] - c[1], p1[2] - c[2]};
    double r2[3] = {p2[0] - c[0], p2[1] - c[1], p2[2] - c[2]};
    double m1[3], m2[3];
    cross(r1, fb.f1, m1);
    cross(r2, fb.f2, m2);
    for (int k = 0; k < 3; k++) {
      force[k] += fb.f1[k] + fb.f2[k];
      torque[k] += fb.t1[k] + fb.t2[k] + m1[k] + m2[k];
    }
  }
  dBodyAddForce(b->chassis, -force[0], -force[1], -force[2]);
  dBodyAddTorque(b->chassis, -torque[0], -torque[1], -torque[2]);
  return true;
}

void bike_step(bike *b, bool simulated_here) {
  if (!simulated_here) {
    for (int i = 0; i < BODY_COUNT; i++) {
      dBodySetForce(bike_body(b, i), 0, 0, 0);
      dBodySetTorque(bike_body(b, i), 0, 0, 0);
    }
    return;
  }
  if (std::fabs(b->bump_timer) <= 1)
    b->bump_timer = 0;
  else
    b->bump_timer += b->bump_timer > 0 ? -1 : 1;

  crash_step(b);

  // The assists may press the brakes or put a foot down for this step only.
  float dab = b->controls.dab, front_brake = b->controls.front_brake, rear_brake = b->controls.rear_brake;
  rider_low_speed_assists(b);
  rider_attachment(b);
  suspension_step(b);
  steering_step(b);
  drivetrain_step(b);
  wobble_damping(b);
  balance_internal_forces(b);
  foot_down_assists(b);
  b->controls.dab = dab;
  b->controls.front_brake = front_brake;
  b->controls.rear_brake = rear_brake;
  foot_down_update(b);
  if (b->crash_timer > 0) crash_feet_step(b);

  const dReal *v = dBodyGetLinearVel(b->rider);
  float *ring = b->rider_velocity_ring[positive_mod(sim.sim_tick, 4)];
  for (int k = 0; k < 3; k++) ring[k] = (float)v[k];
}

void bike_extrapolate(bike *b, int n) {
  n = n < 0 ? 0 : n > 64 ? 64 : n;
  const dReal *v = dBodyGetLinearVel(b->chassis);
  double d[3];
  for (int k = 0; k < 3; k++) d[k] = v[k] * n * TICK_LENGTH;
  dVector3 up;
  dBodyVectorToWorld(b->chassis, 0, 1, 0, up);
  const double *rear = b->last_position[BODY_REAR_WHEEL];
  double r = b->spec.rear_major_radius;
  double low[3];
  for (int k = 0; k < 3; k++) low[k] = rear[k] + d[k] - r * up[k];
  double ground = ground_height_at((float)low[0], (float)low[2]);
  if (low[1] < ground) d[1] += ground - low[1];
  for (int i = 0; i < BODY_COUNT; i++) {
    const double *p = b->last_position[i];
    dBodySetPosition(bike_body(b, i), p[0] + d[0], p[1] + d[1], p[2] + d[2]);
  }
}
