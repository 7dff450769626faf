#include "sim/assembly.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "sim/alloc.h"
#include "sim/drivetrain.h"
#include "sim/rider.h"
#include "sim/shape.h"
#include "sim/suspension.h"
#include "sim/visuals.h"
#include "sim/world.h"

namespace {

const float *design_position(const bike_spec &s, int body) {
  switch (body) {
    case BODY_CHASSIS: return s.chassis_position;
    case BODY_FRONT_WHEEL: return s.front_axle_position;
    case BODY_REAR_WHEEL: return s.rear_axle_position;
    case BODY_FORK_UPPER: return s.fork_upper_position;
    case BODY_FORK_LOWER: return s.fork_lower_position;
    case BODY_SWINGARM: return s.swingarm_position;
    default: return s.rider_position;
  }
}

// ODE refuses a body mass whose centre is off the body origin; the symmetric
// sums below are centred up to rounding, so the offset is dropped.
void centre(dMass *m) { m->c[0] = m->c[1] = m->c[2] = 0; }

void wheel_mass(dMass *out, float hub_mass, float hub_radius, float tyre_mass, float major, float minor) {
  dMassSetSphereTotal(out, hub_mass, hub_radius);
  dMass ball;
  dMassSetSphereTotal(&ball, tyre_mass / 16, minor);
  dMassTranslate(&ball, 0, major, 0);
  dMatrix3 r;
  dRFromAxisAndAngle(r, 1, 0, 0, M_PI / 8);
  for (int i = 0; i < 16; i++) {
    dMassAdd(out, &ball);
    dMassRotate(&ball, r);
  }
  centre(out);
}

void fork_mass(dMass *out, const bike_spec &s) {
  dMass tube;
  dMassSetCylinderTotal(out, s.fork_mass / 2, 2, s.fork_tube_spacing / 8, s.fork_tube_length * 2 / 3);
  tube = *out;
  dMassTranslate(out, s.fork_tube_spacing / 2, 0, 0);
  dMassTranslate(&tube, -s.fork_tube_spacing / 2, 0, 0);
  dMassAdd(out, &tube);
  double dy = s.fork_lower_position[1] - s.fork_upper_position[1];
  double dz = s.fork_lower_position[2] - s.fork_upper_position[2];
  dMatrix3 r;
  dRFromAxisAndAngle(r, 1, 0, 0, std::atan(dz / dy));
  dMassRotate(out, r);
  centre(out);
}

void swingarm_mass(dMass *out, const bike_spec &s) {
  double w = s.chassis_size[0];
  double dx = s.rear_axle_position[0] - s.swingarm_pivot[0];
  double dy = s.rear_axle_position[1] - s.swingarm_pivot[1];
  double dz = s.rear_axle_position[2] - s.swingarm_pivot[2];
  double length = std::sqrt(dx * dx + dy * dy + dz * dz);
  dMass box;
  dMassSetBoxTotal(out, s.swingarm_mass, w / 4, w / 4, length);
  box = *out;
  dMassTranslate(out, w / 2, 0, 0);
  dMassTranslate(&box, -w / 2, 0, 0);
  dMassAdd(out, &box);
  dMatrix3 r;
  dRFromAxisAndAngle(r, 1, 0, 0, -std::atan(dy / dz));
  dMassRotate(out, r);
  centre(out);
}

void steering_axis(const bike_spec &s, double a[3]) {
  for (int k = 0; k < 3; k++) a[k] = s.fork_upper_position[k] - s.fork_lower_position[k];
}

dJointID hinge(dBodyID b1, dBodyID b2, const float *anchor, double ax, double ay, double az) {
  dJointID j = dJointCreateHinge(sim.physics_world, 0);
  dJointAttach(j, b1, b2);
  dJointSetHingeAnchor(j, anchor[0], anchor[1], anchor[2]);
  dJointSetHingeAxis(j, ax, ay, az);
  return j;
}

void create_joints(bike *b) {
  const bike_spec &s = b->spec;
  double a[3];
  steering_axis(s, a);
  b->front_axle = hinge(b->fork_lower, b->front_wheel, s.front_axle_position, 1, 0, 0);
  b->rear_axle = hinge(b->swingarm, b->rear_wheel, s.rear_axle_position, 1, 0, 0);
  b->steering_head = hinge(b->fork_upper, b->chassis, s.fork_upper_position, a[0], a[1], a[2]);
  dJointSetHingeParam(b->steering_head, dParamLoStop, -M_PI / 4);
  dJointSetHingeParam(b->steering_head, dParamHiStop, M_PI / 4);

  b->fork_slider = dJointCreateSlider(sim.physics_world, 0);
  dJointAttach(b->fork_slider, b->fork_upper, b->fork_lower);
  dJointSetSliderAxis(b->fork_slider, a[0], a[1], a[2]);
  dJointSetSliderParam(b->fork_slider, dParamBounce, 0);
  dJointSetSliderParam(b->fork_slider, dParamLoStop, -s.fork_travel);
  dJointSetSliderParam(b->fork_slider, dParamHiStop, 0);

  b->swingarm_pivot = hinge(b->swingarm, b->chassis, s.swingarm_pivot, 1, 0, 0);
  dJointSetHingeParam(b->swingarm_pivot, dParamBounce, 0);
  dJointSetHingeParam(b->swingarm_pivot, dParamLoStop, -s.swingarm_travel);
  dJointSetHingeParam(b->swingarm_pivot, dParamHiStop, 0);

  b->rider_mount = dJointCreateHinge2(sim.physics_world, 0);
  rider_mount_attach(b);
  dJointSetHinge2Param(b->rider_mount, dParamLoStop, 0);
  dJointSetHinge2Param(b->rider_mount, dParamHiStop, 0);

  for (int i = 0; i < JOINT_COUNT; i++) dJointSetFeedback(bike_joint(b, i), &b->joint_feedback[i]);
}

void load_shapes(bike *b) {
  const bike_spec &s = b->spec;
  const char *names[SHAPE_COUNT] = {s.frame_shape,       s.fork_upper_shape, s.fork_lower_shape, s.swingarm_shape,
                                    s.front_wheel_shape, s.rear_wheel_shape, s.rider_shape};
  for (int i = 0; i < SHAPE_COUNT; i++) b->shapes[i] = shape_copy(shape_load(names[i]));
}

void fill_wheel(wheel_contact *w, dBodyID body, float major, float minor) {
  memset(w, 0, sizeof *w);
  w->body = body;
  w->axle[0] = 1;
  w->major_radius = major;
  w->minor_radius = minor;
}

}  // namespace

void rider_mount_attach(bike *b) {
  const bike_spec &s = b->spec;
  dJointAttach(b->rider_mount, b->rider, b->chassis);
  // The anchor lies 50 ft ahead at the rider's height, in design coordinates.
  double local[3] = {0 - s.chassis_position[0], s.rider_position[1] - s.chassis_position[1],
                     -50 - s.chassis_position[2]};
  dVector3 anchor, axis1, axis2;
  dBodyGetRelPointPos(b->chassis, local[0], local[1], local[2], anchor);
  dBodyVectorToWorld(b->chassis, 0, 1, 1, axis1);
  dBodyVectorToWorld(b->chassis, 1, 0, 0, axis2);
  dJointSetHinge2Anchor(b->rider_mount, anchor[0], anchor[1], anchor[2]);
  dJointSetHinge2Axes(b->rider_mount, axis1, axis2);
}

bike *bike_create(const char *model_name, int slot, const char *rider_number, const char *graphics_texture,
                  const char *wheel_texture, const char *gear_texture, const char *helmet_texture) {
  if (!sim.physics_world) return nullptr;
  const bike_spec *spec = bike_spec_find(model_name);
  bike *b = (bike *)sim_calloc(1, sizeof(bike));
  b->spec = *spec;
  const bike_spec &s = b->spec;
  b->slot = slot;
  if (rider_number) {
    strncpy(b->rider_number, rider_number, RIDER_NUMBER_LENGTH);
    b->rider_number[RIDER_NUMBER_LENGTH] = 0;
  }

  load_shapes(b);
  bike_load_visuals(b, graphics_texture, wheel_texture, gear_texture, helmet_texture);

  dBodyID *bodies[BODY_COUNT] = {&b->chassis,    &b->front_wheel, &b->rear_wheel, &b->fork_upper,
                                 &b->fork_lower, &b->swingarm,    &b->rider};
  for (int i = 0; i < BODY_COUNT; i++) {
    *bodies[i] = dBodyCreate(sim.physics_world);
    const float *p = design_position(s, i);
    dBodySetPosition(*bodies[i], p[0], p[1], p[2]);
  }
  dBodySetFiniteRotationMode(b->front_wheel, 1);
  dBodySetFiniteRotationMode(b->rear_wheel, 1);

  bike_set_rider_mass_distribution(b, 1.0f / 3);
  dMass m;
  wheel_mass(&m, s.front_hub_mass, s.front_hub_radius, s.front_tyre_mass, s.front_major_radius,
             s.front_minor_radius);
  dBodySetMass(b->front_wheel, &m);
  wheel_mass(&m, s.rear_hub_mass, s.rear_hub_radius, s.rear_tyre_mass, s.rear_major_radius, s.rear_minor_radius);
  dBodySetMass(b->rear_wheel, &m);
  fork_mass(&m, s);
  dBodySetMass(b->fork_upper, &m);
  dBodySetMass(b->fork_lower, &m);
  swingarm_mass(&m, s);
  dBodySetMass(b->swingarm, &m);

  fill_wheel(&b->wheels[0], b->front_wheel, s.front_major_radius, s.front_minor_radius);
  fill_wheel(&b->wheels[1], b->rear_wheel, s.rear_major_radius, s.rear_minor_radius);

  create_joints(b);

  set_fork_adjustments(b, 1, 1, 0.5f, 0.5f, 0);
  set_shock_adjustments(b, 1, 1, 0.5f, 0.5f);
  bike_set_sprocket_adjustments(b, 0, 0);
  b->engine_inertia = s.engine_inertia;
  rider_assist_defaults(b);
  b->total_mass = (float)bike_body_mass_sum(b);

  bike_reset_pose(b);
  return b;
}

void bike_destroy(bike *b) {
  if (!b) return;
  for (bike_slot &slot : sim.slots)
    if (slot.bike == b) {
      slot.bike = nullptr;
      slot.kind = BIKE_REMOTE;
    }
  for (int i = 0; i < JOINT_COUNT; i++)
    if (bike_joint(b, i)) dJointDestroy(bike_joint(b, i));
  for (int i = 0; i < BODY_COUNT; i++)
    if (bike_body(b, i)) dBodyDestroy(bike_body(b, i));
  for (collision_shape *shape : b->shapes) shape_free(shape);
  bike_free_visuals(b);
  free(b);
}

void bike_reset_pose(bike *b) {
  const bike_spec &s = b->spec;
  static const dReal IDENTITY[4] = {1, 0, 0, 0};
  for (int i = 0; i < BODY_COUNT; i++) {
    dBodyID body = bike_body(b, i);
    const float *p = design_position(s, i);
    dBodySetPosition(body, p[0], p[1], p[2]);
    dBodySetQuaternion(body, IDENTITY);
    dBodySetLinearVel(body, 0, 0, 0);
    dBodySetAngularVel(body, 0, 0, 0);
    dBodySetForce(body, 0, 0, 0);
    dBodySetTorque(body, 0, 0, 0);
  }
  rider_mount_attach(b);

  bike_clear_controls(b);
  b->gear = 0;
  b->engine_speed = 0;
  b->clutch_angle = 0;
  b->crash_timer = 0;
  b->bump_timer = 0;
  b->last_collision_tick = -1;
  b->contact_run_start = -1;
  b->separating = 0;
  b->down_flag = 0;
  b->finished = 0;
  b->landing_factor = 1;
  b->foot_down = 0;
  b->foot_down_rise = 0;
  memset(b->left_foot_position, 0, sizeof b->left_foot_position);
  memset(b->left_foot_velocity, 0, sizeof b->left_foot_velocity);
  memset(b->right_foot_position, 0, sizeof b->right_foot_position);
  memset(b->right_foot_velocity, 0, sizeof b->right_foot_velocity);
  memset(b->rider_velocity_ring, 0, sizeof b->rider_velocity_ring);
  memset(b->joint_feedback, 0, sizeof b->joint_feedback);
  for (wheel_contact &w : b->wheels) {
    w.depth = 0;
    memset(&w.feedback, 0, sizeof w.feedback);
  }
  bike_remember_positions(b);
}

void bike_translate(bike *b, double dx, double dy, double dz) {
  for (int i = 0; i < BODY_COUNT; i++) {
    dBodyID body = bike_body(b, i);
    const dReal *p = dBodyGetPosition(body);
    dBodySetPosition(body, p[0] + dx, p[1] + dy, p[2] + dz);
    b->last_position[i][0] += dx;
    b->last_position[i][1] += dy;
    b->last_position[i][2] += dz;
  }
}

void bike_rotate(bike *b, double ax, double ay, double az, double angle) {
  dMatrix3 r;
  dRFromAxisAndAngle(r, ax, ay, az, angle);
  for (int i = 0; i < BODY_COUNT; i++) {
    dBodyID body = bike_body(b, i);
    const dReal *p = dBodyGetPosition(body);
    dVector3 q;
    dMultiply0_331(q, r, p);
    dMatrix3 combined;
    dMultiply0_333(combined, r, dBodyGetRotation(body));
    dBodySetRotation(body, combined);
    dBodySetPosition(body, q[0], q[1], q[2]);
  }
  bike_remember_positions(b);
}

void bike_disable(bike *b) {
  for (int i = 0; i < BODY_COUNT; i++) dBodyDisable(bike_body(b, i));
}

void bike_enable(bike *b) {
  for (int i = 0; i < BODY_COUNT; i++) dBodyEnable(bike_body(b, i));
}

void bike_save_velocities(bike *b) {
  for (int i = 0; i < BODY_COUNT; i++) {
    const dReal *v = dBodyGetLinearVel(bike_body(b, i));
    const dReal *w = dBodyGetAngularVel(bike_body(b, i));
    for (int k = 0; k < 3; k++) {
      b->saved_velocity[i][k] = v[k];
      b->saved_velocity[i][3 + k] = w[k];
    }
  }
}

void bike_restore_velocities(bike *b) {
  for (int i = 0; i < BODY_COUNT; i++) {
    const double *v = b->saved_velocity[i];
    dBodySetLinearVel(bike_body(b, i), v[0], v[1], v[2]);
    dBodySetAngularVel(bike_body(b, i), v[3], v[4], v[5]);
  }
}

void bike_read_pose(const bike *b, bike_pose *out) {
  for (int i = 0; i < BODY_COUNT; i++) {
    const dReal *p = dBodyGetPosition(bike_body(b, i));
    const dReal *q = dBodyGetQuaternion(bike_body(b, i));
    for (int k = 0; k < 3; k++) out->position[i][k] = p[k];
    for (int k = 0; k < 4; k++) out->quaternion[i][k] = q[k];
  }
  out->gear = b->gear;
  out->rpm = bike_engine_rpm(b);
}

void bike_remember_positions(bike *b) {
  for (int i = 0; i < BODY_COUNT; i++) {
    const dReal *p = dBodyGetPosition(bike_body(b, i));
    for (int k = 0; k < 3; k++) b->last_position[i][k] = p[k];
  }
}

double bike_body_mass_sum(const bike *b) {
  double sum = 0;
  for (int i = 0; i < BODY_COUNT; i++) {
    dMass m;
    dBodyGetMass(bike_body(b, i), &m);
    sum += m.mass;
  }
  return sum;
}
