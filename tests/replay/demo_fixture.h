// A physics world with a listed track "trk" and a texture variant of each
// kind in the data folder, the demo state cleared around each test, and
// helpers that write demo files byte by byte.
#pragma once
#include <cstring>
#include <string>

#include "app/track_list.h"
#include "replay/demo.h"
#include "replay/packed_state.h"
#include "sim/world_fixture.h"

struct demo_test : world_test {
  void SetUp() override {
    world_test::SetUp();
    write_file(home.file("trk/terrain.hf"), "3 1.0 0.0 10.0 \n");
    for (const char *t : {"rider_body-red", "rider_head-blue", "wheels-gold", "crf250-stripes"})
      write_file(home.file(std::string("textures/") + t + ".png"), "x");
    data_reset();
    ASSERT_TRUE(track_list_build());
    sim_ground.extent = 1024;
    sim_ground.min_height = -20;
    sim.sim_tick = 0;
  }
  void TearDown() override {
    demo_stop_playback();
    demo_stop_recording();
    name_list_free(&track_list);
    world_test::TearDown();
  }
  // The personal folder's path for a file.
  static std::string personal(const std::string &relative) { return std::string(data_roots(0)) + relative; }
};

// A record whose x position field carries the marker.
inline std::string marked_record(uint32_t marker, int size = PACKED_STATE_SIZE) {
  std::string r(size, '\0');
  r[0] = (char)(marker & 255), r[1] = (char)(marker >> 8 & 255), r[2] = (char)(marker >> 16 & 255);
  return r;
}

inline uint32_t packed_x(const bike *b) {
  uint8_t r[PACKED_STATE_SIZE];
  pack_bike_state(b, r);
  return r[0] | r[1] << 8 | r[2] << 16;
}
