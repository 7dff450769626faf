#include "replay/packed_state.h"

#include <cmath>
#include <cstring>

#include "sim/bike.h"
#include "sim/crash.h"
#include "sim/world_fixture.h"

namespace {

struct packed_state : world_test {
  void SetUp() override {
    world_test::SetUp();
    sim_ground.extent = 1024;
    sim_ground.min_height = -20;
  }
};

uint32_t field(const uint8_t *p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; i++) v |= (uint32_t)p[i] << (8 * i);
  return v;
}

// The record's fields as (offset, width) pairs, version 5.
const int FIELDS[][2] = {{0, 3},  {3, 3},  {6, 3},  {9, 2},  {11, 2}, {13, 2}, {15, 2}, {17, 1},
                         {18, 1}, {19, 1}, {20, 2}, {22, 2}, {24, 2}, {26, 2}, {28, 2}, {30, 2},
                         {32, 2}, {34, 1}, {35, 1}, {36, 1}, {37, 2}};

// A bike posed by the physics: placed inside the terrain square, turned, its
// joints pushed away from their rest values, and running.
void pose(bike *b) {
  bike_rotate(b, 0.3, 1, 0.1, 2.1);
  bike_translate(b, 500, 40, 300);
  for (int i = 0; i < 24; i++) {
    dJointAddHingeTorque(b->steering_head, 6);
    dJointAddSliderForce(b->fork_slider, -300);
    dJointAddHingeTorque(b->swingarm_pivot, -40);
    dJointAddHingeTorque(b->front_axle, 2);
    dJointAddHingeTorque(b->rear_axle, -3);
    dJointAddHinge2Torques(b->rider_mount, 0, 5);
    sim_world_step();
  }
  b->engine_speed = 900;
  b->gear = 2;
  b->controls.throttle = 0.8f;
}

}  // namespace

TEST_F(packed_state, record_sizes) {
  EXPECT_EQ(packed_state_size(5), 39);
  EXPECT_EQ(packed_state_size(4), 26);
  EXPECT_EQ(packed_state_size(3), 0);
  EXPECT_EQ(packed_state_size(6), 0);
  bike *b = make();
  uint8_t rec[39] = {};
  EXPECT_FALSE(bike_apply_packed_state(b, rec, 6, 1));
  EXPECT_FALSE(bike_apply_packed_state(b, nullptr, 5, 1));
}

TEST_F(packed_state, byte_patterns) {
  bike *b = make();
  uint8_t rec[39];
  struct {
    double x, y, z;
    uint32_t bx, by, bz;
  } positions[] = {
      {1024, -20, 0, 0xFFFFFF, 0, 0},
      {0, 1004, 1024, 0, 0xFFFFFF, 0xFFFFFF},
      {-5, -100, 5000, 0, 0, 0xFFFFFF},  // outside the square: clamped to its border
      {512, 492, 256, 0x7FFFFF, 0x7FFFFF, 0x3FFFFF},
  };
  for (const auto &c : positions) {
    dBodySetPosition(b->chassis, c.x, c.y, c.z);
    pack_bike_state(b, rec);
    EXPECT_EQ(field(rec + 0, 3), c.bx) << c.x;
    EXPECT_EQ(field(rec + 3, 3), c.by) << c.y;
    EXPECT_EQ(field(rec + 6, 3), c.bz) << c.z;
  }

  bike_reset_pose(b);
  pack_bike_state(b, rec);
  const uint8_t identity[8] = {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F};
  EXPECT_EQ(memcmp(rec + 9, identity, 8), 0);
  EXPECT_EQ(rec[17], 0x7F);  // steering straight: 127.5 floored
  EXPECT_EQ(rec[18], 0xFF);  // swing-arm fully extended
  EXPECT_EQ(rec[19], 0xFF);  // fork fully extended
  EXPECT_EQ(rec[36], 0x00);  // first gear, no throttle, foot up
  EXPECT_EQ(field(rec + 37, 2), 0u);

  const dReal turned[4] = {0, -1, 0, 0};
  dBodySetQuaternion(b->chassis, turned);
  pack_bike_state(b, rec);
  const uint8_t half_turn[8] = {0xFF, 0x7F, 0x00, 0x00, 0xFF, 0x7F, 0xFF, 0x7F};
  EXPECT_EQ(memcmp(rec + 9, half_turn, 8), 0);

  struct {
    int gear;
    float throttle, foot_down;
    int crash_timer;
    float engine_rpm;
    uint8_t status;
    uint32_t engine;
  } statuses[] = {
      {3, 0.5f, 0.3f, 0, 40000, 0x7B, 0xFFFF},  // nibble 7, foot bit, gear 3; rpm clamped
      {0, 1, 0, 0, 16384, 0xF0, 32767},
      {2, 0, 0, 512, 0, 0xF7, 0},  // crash marker with the largest timer nibble
      {2, 0, 0, 100, 0, 0xB7, 0},  // (100 * 15 - 15) / 127 = 11
      {9, 0, 0, 0, -500, 0x06, 0},  // gear clamped to 6, negative rpm to 0
  };
  for (const auto &c : statuses) {
    b->gear = c.gear;
    b->controls.throttle = c.throttle;
    b->foot_down = c.foot_down;
    b->crash_timer = c.crash_timer;
    b->engine_speed = (float)(c.engine_rpm / 9.549296585513721);
    pack_bike_state(b, rec);
    EXPECT_EQ(rec[36], c.status) << c.gear << " " << c.crash_timer;
    EXPECT_EQ(field(rec + 37, 2), c.engine) << c.engine_rpm;
  }
}

TEST_F(packed_state, crash_marker_and_rejoin) {
  bike *b = make();
  uint8_t rec[39];
  pack_bike_state(b, rec);
  sim.sim_tick = 10;

  rec[36] = 0xF7;
  b->controls.throttle = 1;
  ASSERT_TRUE(bike_apply_packed_state(b, rec, 5, 1));
  EXPECT_EQ(b->crash_timer, 128);
  EXPECT_EQ(dJointGetBody(b->rider_mount, 0), nullptr);
  EXPECT_EQ(b->controls.throttle, 0);
  EXPECT_FLOAT_EQ(b->foot_down, 8.0f / 128);
  // Foot particles placed by the crash.
  EXPECT_NE(b->left_foot_position[1], 0);

  rec[36] = 0x17;  // still crashed: timer from the nibble, mount stays released
  bike_apply_packed_state(b, rec, 5, 1);
  EXPECT_EQ(b->crash_timer, 127 / 15 + 1);
  EXPECT_EQ(dJointGetBody(b->rider_mount, 0), nullptr);

  rec[36] = 0x7B;
  bike_apply_packed_state(b, rec, 5, 1);
  EXPECT_EQ(b->crash_timer, 0);
  EXPECT_EQ(dJointGetBody(b->rider_mount, 0), b->rider);
  EXPECT_EQ(dJointGetBody(b->rider_mount, 1), b->chassis);
  EXPECT_EQ(b->gear, 3);
  EXPECT_FLOAT_EQ(b->controls.throttle, 7.0f / 15);

  rec[36] = 0x06;  // gear 6 is read as 5, and a five-speed bike has no fifth index
  bike_apply_packed_state(b, rec, 5, 1);
  EXPECT_EQ(b->gear, 4);
}

TEST_F(packed_state, repacking_an_applied_record) {
  bike *source = make("rm125", 0), *copy = make("rm125", 1);
  pose(source);
  uint8_t first[39], second[39];
  pack_bike_state(source, first);
  sim.sim_tick = 5;
  ASSERT_TRUE(bike_apply_packed_state(copy, first, 5, 0));
  pack_bike_state(copy, second);
  for (const auto &f : FIELDS) {
    int64_t a = field(first + f[0], f[1]), c = field(second + f[0], f[1]);
    EXPECT_LE(std::llabs(a - c), 1) << "field at byte " << f[0];
  }
  EXPECT_EQ(first[36], second[36]);

  // The joints read back the packed values.
  unpacked_bike_state u;
  ASSERT_TRUE(unpack_bike_state(first, 5, &copy->spec, &u));
  EXPECT_NE(first[17], 0x7F);  // the pose really moved the joints
  EXPECT_NE(first[19], 0xFF);
  EXPECT_NEAR(dJointGetHingeAngle(copy->steering_head), u.steering, 1e-6);
  EXPECT_NEAR(dJointGetSliderPosition(copy->fork_slider), u.fork, 1e-6);
  EXPECT_NEAR(dJointGetHingeAngle(copy->swingarm_pivot), u.swingarm, 1e-6);
  EXPECT_NEAR(dJointGetHingeAngle(copy->front_axle), u.front_wheel, 1e-6);
  EXPECT_NEAR(dJointGetHingeAngle(copy->rear_axle), u.rear_wheel, 1e-6);
  EXPECT_NEAR(copy->engine_speed, u.engine_speed, 1e-3);
  EXPECT_EQ(copy->gear, 2);
  // And the joints are consistent with the bodies: a step moves nothing apart.
  double before = dJointGetSliderPosition(copy->fork_slider);
  sim_world_step();
  EXPECT_NEAR(dJointGetSliderPosition(copy->fork_slider), before, 0.02);
}

TEST_F(packed_state, version_4_places_the_rider_on_its_slide) {
  bike *source = make(), *copy = make("crf250(2009)", 1);
  pose(source);
  uint8_t v5[39], v4[26];
  pack_bike_state(source, v5);
  memcpy(v4, v5, 20);
  v4[20] = 255;  // the far end of the slide
  memcpy(v4 + 21, v5 + 34, 5);
  ASSERT_TRUE(bike_apply_packed_state(copy, v4, 4, 0));
  const bike_spec &s = copy->spec;
  double slide = s.rider_slide_max / std::sqrt(2.0);  // along (0, 1, 1) / sqrt 2
  dVector3 expected;
  dBodyGetRelPointPos(copy->chassis, 0, s.rider_position[1] - s.chassis_position[1] + slide,
                      s.rider_position[2] - s.chassis_position[2] + slide, expected);
  const dReal *r = dBodyGetPosition(copy->rider);
  for (int k = 0; k < 3; k++) EXPECT_NEAR(r[k], expected[k], 1e-6);
  const dReal *qc = dBodyGetQuaternion(copy->chassis), *qr = dBodyGetQuaternion(copy->rider);
  for (int k = 0; k < 4; k++) EXPECT_NEAR(qr[k], qc[k], 1e-9);
  EXPECT_NEAR(dJointGetHingeAngle(copy->rear_axle), 2 * M_PI * v5[35] / 255 - M_PI, 1e-6);
  EXPECT_EQ(copy->gear, 2);
}

TEST_F(packed_state, velocities_from_successive_records) {
  bike *source = make(), *copy = make("crf250(2009)", 1);
  bike_translate(source, 500, 50, 500);
  uint8_t a[39], b[39];
  pack_bike_state(source, a);
  bike_translate(source, 1, 0, -0.5);
  dMatrix3 r;
  dRFromAxisAndAngle(r, 0, 1, 0, 0.1);
  dBodySetRotation(source->chassis, r);
  pack_bike_state(source, b);

  sim.sim_tick = 0;  // the first state of a race never derives velocities
  bike_apply_packed_state(copy, a, 5, 2);
  EXPECT_EQ(dBodyGetLinearVel(copy->chassis)[0], 0);
  sim.sim_tick = 3;
  bike_apply_packed_state(copy, b, 5, 2);
  const dReal *v = dBodyGetLinearVel(copy->chassis), *w = dBodyGetAngularVel(copy->chassis);
  double step = 1024.0 / 16777215 / (2.0 / 128);  // one quantum over the interval
  EXPECT_NEAR(v[0], 64, 2 * step);
  EXPECT_NEAR(v[2], -32, 2 * step);
  EXPECT_NEAR(v[1], 0, 2 * step);
  EXPECT_NEAR(w[1], 0.1 * 64, 0.01);
  EXPECT_NEAR(w[0], 0, 0.01);

  // Without elapsed ticks the velocities stay as they are.
  dBodySetLinearVel(copy->chassis, 1, 2, 3);
  bike_apply_packed_state(copy, a, 5, 0);
  EXPECT_EQ(dBodyGetLinearVel(copy->chassis)[1], 2);
}

TEST_F(packed_state, decoded_quaternions_are_unit_length) {
  bike *b = make();
  uint8_t rec[39];
  pack_bike_state(b, rec);
  unpacked_bike_state u;
  // All four components at 32767 decode to about -1.5e-5: degenerate.
  for (int k = 0; k < 4; k++) {
    rec[9 + 2 * k] = 0xFF;
    rec[10 + 2 * k] = 0x7F;
  }
  // Rider: w 0.5, y 0.5 unnormalised.
  uint32_t half = 49151;
  rec[26] = rec[30] = half & 0xFF;
  rec[27] = rec[31] = half >> 8;
  ASSERT_TRUE(unpack_bike_state(rec, 5, &b->spec, &u));
  EXPECT_EQ(u.chassis_quaternion[0], 1);
  EXPECT_EQ(u.chassis_quaternion[1], 0);
  EXPECT_NEAR(u.rider_quaternion[0], std::sqrt(0.5), 1e-4);
  EXPECT_NEAR(u.rider_quaternion[2], std::sqrt(0.5), 1e-4);
  ASSERT_TRUE(bike_apply_packed_state(b, rec, 5, 0));
  const dReal *q = dBodyGetQuaternion(b->chassis);
  EXPECT_EQ(q[0], 1);
  EXPECT_TRUE(std::isfinite(dBodyGetPosition(b->fork_lower)[1]));
}
