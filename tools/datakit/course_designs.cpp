// The kit's two tracks as design parameters. Loop positions are spline
// parameters of the control polygon (parameter i lies near control point i).
#include "datakit.h"
#include "kit_names.h"

namespace {

course_design make_default_track() {
  course_design d = {};
  d.name = KIT_DEFAULT_TRACK;
  d.title = "Dozavurozu Valley MX";
  d.size_shift = 8;
  d.spacing = 2.0f;
  d.loop_control = {
      560, 765, 660, 765, 780, 765, 850, 768,  // start of the lap, first corner (left)
      848, 690, 845, 560, 845, 430, 845, 300,  // north: tabletop, double
      838, 210, 780, 170, 725, 210,            // top hairpin
      720, 300, 720, 430, 720, 560,            // south: rhythm section
      715, 640, 670, 680, 625, 640,            // bottom hairpin
      620, 560, 620, 430, 620, 330,            // north: whoops
      610, 230, 560, 180,                      // off-camber left
      470, 175, 370, 175, 270, 180,            // west along the top: tabletop
      200, 220, 185, 320, 190, 430,            // down the west side: sand
      215, 520, 280, 575, 340, 540,            // bermed left into the infield
      345, 430, 345, 340,                      // infield north: rollers
      360, 270, 415, 250, 455, 300,            // infield hairpin
      455, 400, 455, 500,                      // infield south: finish jump
      470, 590, 510, 640, 535, 705, 542, 750,  // finish line, into the join
  };
  d.join_at = 0.3f;
  d.finish_at = 38.0f;
  d.start_x = 200;
  d.start_z = 780;
  d.start_positions = 40;
  d.start_spacing = 4.5f;
  d.pad_half_width = 93;
  d.straight_length = 250;
  d.funnel_length = 160;
  d.half_width = 12;
  d.ground_amplitude = 5;
  d.features = {
      {FEATURE_TABLE, 4.4f, 3.5f, 40, 40, 0},   // tabletop
      {FEATURE_BUMPS, 6.2f, 3.0f, 45, 0, 2},    // double
      {FEATURE_BUMPS, 10.8f, 1.5f, 34, 0, 5},   // rhythm section
      {FEATURE_BUMPS, 16.9f, 0.8f, 30, 0, 8},   // whoops
      {FEATURE_TABLE, 22.3f, 3.0f, 40, 30, 0},  // tabletop on the top stretch
      {FEATURE_BUMPS, 30.8f, 1.2f, 34, 0, 3},   // infield rollers
      {FEATURE_TABLE, 35.7f, 3.0f, 40, 20, 0},  // finish jump
  };
  d.flat_corners = {{38.4f, 1.2f}};
  d.off_camber = {{19.8f, 21.2f}};
  d.sand = {{25.6f, 27.8f}};
  d.loop_gates = 14;
  d.straight_gates = 2;
  return d;
}

course_design make_practice_track() {
  course_design d = {};
  d.name = KIT_PRACTICE_TRACK;
  d.title = "Practice Loop";
  d.size_shift = 7;
  d.spacing = 2.0f;
  d.loop_control = {
      200, 330, 300, 330, 370, 325, 400, 280,  // bottom, right-hand end
      400, 200, 370, 150, 300, 140, 200, 140,  // top: the jump
      130, 150, 105, 200, 105, 270, 130, 320,
  };
  d.join_at = 0.6f;
  d.finish_at = 11.6f;
  d.start_x = 90;
  d.start_z = 395;
  d.start_positions = 12;
  d.start_spacing = 4.5f;
  d.pad_half_width = 30;
  d.straight_length = 50;
  d.funnel_length = 25;
  d.half_width = 12;
  d.ground_amplitude = 1.5f;
  d.features = {{FEATURE_TABLE, 6.0f, 2.5f, 30, 20, 0}};
  d.flat_corners = {{11.0f, 1.5f}};
  d.loop_gates = 6;
  d.straight_gates = 1;
  return d;
}

const course_design &design(int i) {
  static const course_design designs[2] = {make_default_track(), make_practice_track()};
  return designs[i];
}

}  // namespace

int course_design_count() { return 2; }

const course_design *course_design_at(int i) {
  if (i < 0 || i >= course_design_count()) return nullptr;
  return &design(i);
}
