// Loading a whole track folder: object placement, the digest, saves and failures.
#include <nettle/ripemd160.h>

#include <cmath>
#include <cstring>

#include "app/object_grid.h"
#include "platform/log.h"
#include "race/timing_gates.h"
#include "race/timing_gates_write.h"
#include "sim/ground.h"
#include "sim/shape.h"
#include "sim/shape_write.h"
#include "track/billboards.h"
#include "track/flaggers.h"
#include "track/lighting.h"
#include "track/placed_objects.h"
#include "track/statues.h"
#include "track/track_load.h"
#include "track_fixture.h"

namespace {

struct track_folder : track_files {
  void SetUp() override {
    track_files::SetUp();
    shape_cache_clear();
  }
  void TearDown() override {
    track_unload();
    shape_cache_clear();
    track_files::TearDown();
  }

  // Terrain, two start positions with three checkpoints, a start gate shape,
  // a prop shape and model, and one file of each placement kind.
  void write_full_track() {
    write_track();
    timing_file g = {};
    g.start_count = 2;
    g.starts[0] = {{10, 5, 12}, 0};
    g.starts[1] = {{14, 5, 12}, 0.5f};
    g.checkpoint_count = 3;
    for (int k = 0; k < 3; k++) g.checkpoints[k] = {3, {8.0f + 4 * k, 0, 16}, {1, 0, 0}};
    g.first_count = 3;
    g.normal_count = 3;
    for (int k = 0; k < 3; k++) g.first_lap[k] = g.normal_lap[k] = k;
    ASSERT_TRUE(timing_gates_write_file(path("timing_gates").c_str(), &g));
    collision_sphere gate = {{0, 0, 0}, 2, 1, 1000, 10};
    ASSERT_TRUE(shape_write_file(dir.file("startgate.shp").c_str(), &gate, 1));
    collision_sphere prop = {{0, 0, 0}, 1, 1, 1000, 10};
    ASSERT_TRUE(shape_write_file(dir.file("haybale.shp").c_str(), &prop, 1));
    ASSERT_TRUE(write_file(dir.file("haybale.jm"), "model bytes"));
    ASSERT_TRUE(write_file(path("flaggers"),
                           "[4 0 4] [6 1 4] 3 0.5 2\n"
                           "@fs0.png @fs1.png @fs2.png @fs3.png @fs4.png\n"
                           "[20 0 4] 4 1 @lap0.png @lap1.png @lap2.png @lap3.png\n"
                           "[9 0.5 9] 2 1 0 2 7 -5 @flag.png @flag-alert.png\n"));
    ASSERT_TRUE(write_file(path("billboards"),
                           "[8 2 10] 5 0.5 #ff0000#@tree.png\n"
                           "[12 0 10] 3 2 @banner.png\n"
                           "[14 0 10] 3 2 #ff00ff@odd.png\n"));
    ASSERT_TRUE(write_file(path("statues"),
                           "[8 0.5 8] 0 @haybale.jm @haybale.png @haybale.shp\n"
                           "[20 0 20] 4 @haybale.jm @haybale.png null\n"
                           "[24 1 8] -7 @haybale.jm @haybale.png @missing.shp\n"));
    ASSERT_TRUE(write_file(path("lighting"), "sun_vector [0 2 0]\n"));
  }
  bool load() { return track_load("tracks/test"); }
};

bool in_query(int object, float x, float z) {
  int count;
  const int *list = object_grid_query(x, z, &count);
  for (int i = 0; i < count; i++)
    if (list[i] == object) return true;
  return false;
}

}  // namespace

TEST_F(track_folder, full_folder_places_every_object) {
  write_full_track();
  ASSERT_TRUE(load()) << (messages().empty() ? "" : messages()[0]);
  EXPECT_TRUE(track_loaded());
  EXPECT_STREQ(track_state.title, "tracks/test");  // not in the track list
  EXPECT_FLOAT_EQ(sim_ground.extent, 32);
  EXPECT_EQ(sim_ground.height_at, height_at);

  // Start gates first, then the statues file; the pool, the flaggers and then
  // the billboards file.
  EXPECT_EQ(track_state.start_gate_count, 2);
  ASSERT_EQ(statues.count, 5);
  EXPECT_EQ(statues.first_editable, 2);
  ASSERT_EQ(billboards.count, 2000 + 3 + 3);
  EXPECT_EQ(billboards.first_editable, 2003);
  EXPECT_EQ(track_state.particle_billboards[0], 0);
  EXPECT_FLOAT_EQ(billboards.items[1999].y, 0);

  const statue &gate = statues.items[1];
  EXPECT_NEAR(gate.x, 14 - 3 * std::sin(0.5), 1e-5);
  EXPECT_FLOAT_EQ(gate.y, 5);
  EXPECT_NEAR(gate.orientation[0], std::cos(0.5), 1e-6);  // x axis turned by the heading
  EXPECT_NEAR(gate.orientation[4], std::cos(3 * M_PI / 16), 1e-6);  // raised

  const billboard &red = billboards.items[2003];
  EXPECT_FLOAT_EQ(red.y, height_at(8, 10) + 2);
  EXPECT_EQ(red.colour[0], 255);
  EXPECT_EQ(red.colour[1], 0);
  EXPECT_EQ(red.colour[3], 255);
  EXPECT_STREQ(billboards.names[2003], "@tree.png");
  // No "#" at the eighth character: the whole text is the name.
  EXPECT_STREQ(billboards.names[2005], "#ff00ff@odd.png");
  EXPECT_EQ(billboards.items[2005].colour[1], 255);

  // Heading 0 on the slope leans with it: y axis along the ground normal.
  const statue &lean = statues.items[2];
  float h = height_at(8, 8);
  float n[3] = {-(height_at(9, 8) - h), 1, -(height_at(8, 9) - h)};
  float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  for (int r = 0; r < 3; r++) EXPECT_NEAR(lean.orientation[3 * r + 1], n[r] / len, 1e-5);
  EXPECT_GT(std::fabs(lean.orientation[3 * 2 + 1]), 0.5f);  // a real slope
  EXPECT_FLOAT_EQ(lean.y, h + 0.5f);
  EXPECT_EQ(lean.face_distance, 0);
  // Heading 4: upright, unrotated, facing at 16.
  const statue &facing = statues.items[3];
  const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  for (int k = 0; k < 9; k++) EXPECT_FLOAT_EQ(facing.orientation[k], identity[k]);
  EXPECT_FLOAT_EQ(facing.face_distance, 16);
  EXPECT_EQ(facing.shape, nullptr);
  // Heading -7: upright but turned.
  const statue &upright = statues.items[4];
  EXPECT_NEAR(upright.orientation[4], 1, 1e-6);
  EXPECT_NEAR(upright.orientation[0], std::cos(-7.0), 1e-6);
  EXPECT_EQ(upright.shape, nullptr);
  EXPECT_TRUE(posted("Warning: missing shape file @missing.shp"));

  // Only statues with a shape are in the grid, in the cells they cover.
  EXPECT_TRUE(in_query(2, 8, 8));
  EXPECT_FALSE(in_query(2, 28, 28));
  EXPECT_FALSE(in_query(3, 20, 20));
  EXPECT_TRUE(in_query(0, statues.items[0].x, statues.items[0].z));

  // Flaggers before the editable billboards; gate indices clamped.
  EXPECT_EQ(track_flaggers.starter.billboard, 2000);
  EXPECT_EQ(track_flaggers.board.billboard, 2001);
  ASSERT_EQ(track_flaggers.count, 1);
  EXPECT_EQ(track_flaggers.items[0].billboard, 2002);
  const int32_t gates[4] = {0, 2, 2, -1};
  for (int k = 0; k < 4; k++) EXPECT_EQ(track_flaggers.items[0].gates[k], gates[k]);

  EXPECT_FLOAT_EQ(track_lighting.sun_vector[1], 1);
}

TEST_F(track_folder, digest_covers_the_defining_files_in_order) {
  write_full_track();
  ASSERT_TRUE(load());
  uint8_t first[TRACK_DIGEST_SIZE];
  memcpy(first, track_state.digest, sizeof first);

  // terrain.hf, (terrain.png, texturelist absent) tilemap, tileinfo,
  // timing_gates, statues, then the one model file once.
  std::string all;
  for (const char *name : {"terrain.hf", "tilemap", "tileinfo", "timing_gates", "statues"}) all += read_file(path(name));
  all += read_file(dir.file("haybale.jm"));
  ripemd160_ctx ctx;
  ripemd160_init(&ctx);
  ripemd160_update(&ctx, all.size(), (const uint8_t *)all.data());
  uint8_t expected[TRACK_DIGEST_SIZE];
  ripemd160_digest(&ctx, sizeof expected, expected);
  EXPECT_EQ(0, memcmp(first, expected, sizeof first));

  struct change {
    const char *what;
    std::string file, bytes;
    bool changes_digest;
  } cases[] = {
      {"billboards", path("billboards"), "[1 0 1] 1 1 @x.png\n", false},
      {"lighting", path("lighting"), "fog [1 1 1] 0.5\n", false},
      {"flaggers", path("flaggers"), "", false},
      {"statue model", dir.file("haybale.jm"), "other model bytes", true},
      {"statues", path("statues"), "[8 0.5 8] 0 @haybale.jm @haybale.png @haybale.shp\n", true},
      {"timing gates", path("timing_gates"), "checkpoints:\n3 [1 0 1] [1 0 0]\n", true},
  };
  for (const change &c : cases) {
    std::string old = read_file(c.file);
    ASSERT_TRUE(write_file(c.file, c.bytes));
    data_reset();
    ASSERT_TRUE(load()) << c.what;
    EXPECT_EQ(c.changes_digest, memcmp(first, track_state.digest, sizeof first) != 0) << c.what;
    ASSERT_TRUE(write_file(c.file, old));
  }
  data_reset();
  ASSERT_TRUE(load());
  EXPECT_EQ(0, memcmp(first, track_state.digest, sizeof first));  // stable
}

TEST_F(track_folder, save_and_reload_keep_billboards_and_statues) {
  write_full_track();
  ASSERT_TRUE(load());
  ASSERT_TRUE(billboards_save("tracks/test"));
  ASSERT_TRUE(statues_save("tracks/test"));
  // Without textures every handle is 0, yet the names read are written back;
  // the pool, flaggers and start gates are not.
  std::string saved_root = data_roots(0);
  std::string bb = read_file(saved_root + "tracks/test/billboards");
  EXPECT_EQ(bb,
            "[8.000000 2.000000 10.000000] 5.000000 0.500000 #ff0000#@tree.png\n"
            "[12.000000 0.000000 10.000000] 3.000000 2.000000 @banner.png\n"
            "[14.000000 0.000000 10.000000] 3.000000 2.000000 #ff00ff@odd.png\n");
  std::string st = read_file(saved_root + "tracks/test/statues");
  EXPECT_EQ(st,
            "[8.000000 0.500000 8.000000] 0.000000 @haybale.jm @haybale.png @haybale.shp\n"
            "[20.000000 0.000000 20.000000] 4.000000 @haybale.jm @haybale.png null\n"
            "[24.000000 1.000000 8.000000] -7.000000 @haybale.jm @haybale.png @missing.shp\n");

  std::vector<billboard> before_b(billboards.items + 2003, billboards.items + billboards.count);
  std::vector<float> before_s;
  for (int i = 2; i < statues.count; i++) before_s.push_back(statues.items[i].y);
  data_reset();
  ASSERT_TRUE(load());  // reads the saved copies from the personal folder
  ASSERT_EQ(billboards.count - 2003, (int)before_b.size());
  for (size_t i = 0; i < before_b.size(); i++) {
    EXPECT_FLOAT_EQ(billboards.items[2003 + i].y, before_b[i].y);
    EXPECT_EQ(0, memcmp(billboards.items[2003 + i].colour, before_b[i].colour, 4));
  }
  ASSERT_EQ(statues.count - 2, (int)before_s.size());
  for (size_t i = 0; i < before_s.size(); i++) EXPECT_FLOAT_EQ(statues.items[2 + i].y, before_s[i]);
}

TEST_F(track_folder, optional_files_missing_leave_defaults) {
  write_track();
  ASSERT_TRUE(load());
  EXPECT_EQ(statues.count, 0);
  EXPECT_EQ(billboards.count, 2000);
  EXPECT_EQ(track_flaggers.starter.billboard, -1);
  EXPECT_EQ(track_flaggers.board.billboard, -1);
  EXPECT_EQ(track_flaggers.count, 0);
  EXPECT_FALSE(race_course.active);
  EXPECT_FALSE(track_lighting.sky_loaded);
  EXPECT_NEAR(track_lighting.sun_vector[0], 1 / std::sqrt(3.0), 1e-6);
  EXPECT_EQ(track_lighting.fog_density, 0);
  update_flaggers(1000);  // no gates: nothing to do, nothing to break
}

TEST_F(track_folder, missing_terrain_fails_and_keeps_nothing) {
  write_full_track();
  ASSERT_TRUE(load());
  ASSERT_TRUE(write_file(path("terrain.hf"), "bad"));
  data_reset();
  EXPECT_FALSE(load());
  EXPECT_FALSE(track_loaded());
  EXPECT_STREQ(track_state.folder, "");
  EXPECT_EQ(statues.count, 0);
  EXPECT_EQ(billboards.count, 0);
  EXPECT_EQ(billboards.items, nullptr);
  EXPECT_EQ(track_flaggers.count, 0);
  EXPECT_FALSE(terrain.loaded);
  EXPECT_EQ(sim_ground.height_at, nullptr);
  int count;
  object_grid_query(8, 8, &count);
  EXPECT_EQ(count, 0);
}

TEST_F(track_folder, non_finite_numbers_make_bad_records) {
  write_full_track();
  ASSERT_TRUE(write_file(path("billboards"),
                         "[8 1e999 10] 5 0.5 @tree.png\n"
                         "[12 0 10] 3 2 @banner.png\n"));
  ASSERT_TRUE(write_file(path("statues"),
                         "[8 0 8] 1e999 @haybale.jm @haybale.png null\n"
                         "[9 0 9] 0 @haybale.jm @haybale.png null\n"));
  ASSERT_TRUE(write_file(path("flaggers"),
                         "[4 0 4] [6 1 4] 3 0.5 0\n"  // travel time 0 keeps 1 s
                         "@fs0.png @fs1.png @fs2.png @fs3.png @fs4.png\n"
                         "[20 0 4] 4 1 @lap0.png @lap1.png @lap2.png @lap3.png\n"
                         "[9 -1e999 9] 2 1 0 0 0 0 @flag.png @alert.png\n"
                         "[9 0 9] 2 1 1 0 0 0 @flag.png @alert.png\n"));
  ASSERT_TRUE(load());
  ASSERT_EQ(billboards.count, 2000 + 3 + 1);
  EXPECT_STREQ(billboards.names[2003], "@banner.png");
  ASSERT_EQ(statues.count, 2 + 1);
  EXPECT_FLOAT_EQ(statues.items[2].x, 9);
  EXPECT_FLOAT_EQ(track_flaggers.starter.travel_time, 1);
  ASSERT_EQ(track_flaggers.count, 1);
  EXPECT_EQ(track_flaggers.items[0].gates[0], 1);
  for (int i = 0; i < billboards.count; i++) ASSERT_TRUE(std::isfinite(billboards.items[i].y));
}

TEST_F(track_folder, touched_object_records_its_tick) {
  write_full_track();
  ASSERT_TRUE(load());
  placed_object_touched(1, 77);
  placed_object_touched(99, 5);  // no such object
  placed_object_touched(-1, 5);
  EXPECT_EQ(statues.items[1].last_contact_tick, 77);
  EXPECT_EQ(statues.items[0].last_contact_tick, -1);
  start_gate_object_set_raise(1, 0);
  EXPECT_NEAR(statues.items[1].orientation[4], 1, 1e-6);
}

// The plain writers read back through the readers; records the reader could
// not take back (no name, a name with a space, a non-finite number) are left out.
TEST_F(track_folder, billboard_and_statue_records_round_trip) {
  write_full_track();
  const billboard_record boards[] = {
      {8, 2, 10, 5, 0.5f, {255, 0, 0}, "@tree.png"},
      {1, 1, 1, 1, 1, {255, 255, 255}, nullptr},
      {2, 0, 2, 1, 1, {255, 255, 255}, "@two words.png"},
      {NAN, 0, 2, 1, 1, {255, 255, 255}, "@nan.png"},
      {12, 0, 10, 3, 2, {255, 255, 255}, "@banner.png"},
  };
  ASSERT_TRUE(billboards_write(path("billboards").c_str(), boards, 5));
  EXPECT_EQ(read_file(path("billboards")),
            "[8.000000 2.000000 10.000000] 5.000000 0.500000 #ff0000#@tree.png\n"
            "[12.000000 0.000000 10.000000] 3.000000 2.000000 @banner.png\n");
  const statue_record props[] = {
      {8, 0.5f, 8, 0, "@haybale.jm", "@haybale.png", "@haybale.shp"},
      {20, 0, 20, 4, "@haybale.jm", "@haybale.png", nullptr},
      {1, 0, 1, 0, "@haybale.jm", nullptr, nullptr},
      {1, 0, 1, INFINITY, "@haybale.jm", "@haybale.png", nullptr},
  };
  ASSERT_TRUE(statues_write(path("statues").c_str(), props, 4));
  ASSERT_TRUE(load());
  ASSERT_EQ(billboards.count - billboards.first_editable, 2);
  const billboard &red = billboards.items[billboards.first_editable];
  EXPECT_EQ(red.colour[0], 255);
  EXPECT_EQ(red.colour[1], 0);
  EXPECT_STREQ(billboards.names[billboards.first_editable], "@tree.png");
  ASSERT_EQ(statues.count - statues.first_editable, 2);
  const statue &bale = statues.items[statues.first_editable];
  EXPECT_FLOAT_EQ(bale.y_offset, 0.5f);
  EXPECT_NE(bale.shape, nullptr);
  EXPECT_EQ(statues.items[statues.first_editable + 1].shape, nullptr);
  EXPECT_FLOAT_EQ(statues.items[statues.first_editable + 1].face_distance, 16);
  // A file can't be created below a file.
  EXPECT_FALSE(billboards_write(path("billboards/inner").c_str(), boards, 1));
  EXPECT_FALSE(statues_write(path("statues/inner").c_str(), props, 1));
}
