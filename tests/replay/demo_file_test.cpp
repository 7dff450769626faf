// Demo headers, rider lines, playback of record blocks, seeking, recording
// with "namedemo", and the time trial's best-lap files.
#include <cmath>
#include <string>

#include "replay/demo_fixture.h"
#include "replay/demo_seek.h"
#include "sim/bike.h"

namespace {

const uint32_t STEP = 4096;  // marker spacing, far above one quantisation step

// The marker nearest to the bike's packed x, in STEP units.
long marker_of(const bike *b) { return std::lround(packed_x(b) / (double)STEP); }

std::string demo_with_blocks(int version, int bikes, int blocks) {
  std::string d = "KV0" + std::to_string(version) + " " + std::to_string(bikes) + " 0 2 1800\ntrk\n";
  for (int i = 0; i < bikes; i++) d += "crf250(2009)||||\n" + std::to_string(i) + "\n";
  int size = packed_state_size(version);
  for (int k = 0; k < blocks; k++)
    for (int i = 0; i < bikes; i++) d += marked_record((uint32_t)(k * bikes + i + 1) * STEP, size);
  return d;
}

}  // namespace

TEST_F(demo_test, header_rules) {
  const std::string long_track(1030, 't');
  struct {
    const char *name;
    std::string text;
    bool ok;
    int version, count;
    int32_t time_limit, laps, gate_drop;
  } cases[] = {
      {"five numbers", "KV05 1 640 3 2000\ntrk\ncrf250(2009)||||\n12\n", true, 5, 1, 640, 3, 2000},
      {"three numbers", "KV05 0 0\ntrk\n", true, 5, 0, 0, 0, 1792},
      {"version 4", "KV04 0 5 2\ntrk\n", true, 4, 0, 5, 2, 1792},
      {"two numbers", "KV05 0\ntrk\n", false, 0, 0, 0, 0, 0},
      {"version 6", "KV06 0 0 0 0\ntrk\n", false, 0, 0, 0, 0, 0},
      {"version 3", "KV03 0 0 0 0\ntrk\n", false, 0, 0, 0, 0, 0},
      {"41 bikes", "KV05 41 0 0 0\ntrk\n", false, 0, 0, 0, 0, 0},
      {"negative count", "KV05 -1 0 0 0\ntrk\n", false, 0, 0, 0, 0, 0},
      {"count out of range", "KV05 99999999999 0 0 0\ntrk\n", false, 0, 0, 0, 0, 0},
      {"no KV", "XX05 0 0 0 0\ntrk\n", false, 0, 0, 0, 0, 0},
      {"unlisted track", "KV05 0 0 0 0\nelsewhere\n", false, 0, 0, 0, 0, 0},
      {"escaping track", "KV05 0 0 0 0\n../trk\n", false, 0, 0, 0, 0, 0},
      {"track without newline", "KV05 0 0 0 0\ntrk", false, 0, 0, 0, 0, 0},
      {"track line cut at 1023", "KV05 0 0 0 0\n" + long_track + "\n", false, 0, 0, 0, 0, 0},
      {"missing plate line", "KV05 1 0 0 0\ntrk\ncrf250||||\n", false, 0, 0, 0, 0, 0},
      {"NUL in a rider line", std::string("KV05 1 0 0 0\ntrk\ncrf\0||||\n1\n", 28), false, 0, 0, 0, 0, 0},
  };
  for (const auto &c : cases) {
    ASSERT_TRUE(write_file(home.file("case.kvdemo"), c.text));
    char track[64] = "x";
    bool ok = demo_open_playback(home.file("case.kvdemo").c_str(), track, sizeof track);
    EXPECT_EQ(ok, c.ok) << c.name;
    EXPECT_EQ(demo_is_playing(), c.ok) << c.name;
    if (!c.ok) {
      EXPECT_EQ(demo_bike_count(), 0) << c.name;
      EXPECT_STREQ(track, "") << c.name;
      continue;
    }
    EXPECT_STREQ(track, "trk");
    EXPECT_STREQ(demo_track_folder(), "trk");
    EXPECT_EQ(demo_version(), c.version) << c.name;
    EXPECT_EQ(demo_bike_count(), c.count) << c.name;
    EXPECT_EQ(demo_time_limit_ticks(), c.time_limit) << c.name;
    EXPECT_EQ(demo_laps(), c.laps) << c.name;
    EXPECT_EQ(demo_gate_drop_tick(), c.gate_drop) << c.name;
  }
  EXPECT_FALSE(demo_open_playback(home.file("missing.kvdemo").c_str(), nullptr, 0));
}

TEST_F(demo_test, rider_lines_are_cut_checked_and_aliased) {
  std::string model(100, 'm');
  ASSERT_TRUE(write_file(home.file("r.kvdemo"), "KV05 2 0 1 1792\ntrk\n"
                                                "crf250|red|stripes|gold|blue|extra|more\n1234\n" +
                                                    model + "|nosuch|../stripes|gold\n7\n"));
  ASSERT_TRUE(demo_open_playback(home.file("r.kvdemo").c_str(), nullptr, 0));
  demo_rider r;
  ASSERT_TRUE(demo_slot_rider(0, &r));
  EXPECT_STREQ(r.model, "crf250(2008)");
  EXPECT_STREQ(r.gear_texture, "red");
  EXPECT_STREQ(r.graphics_texture, "stripes");
  EXPECT_STREQ(r.wheel_texture, "gold");
  EXPECT_STREQ(r.helmet_texture, "blue");  // the sixth field and later are ignored
  EXPECT_STREQ(r.plate, "123");
  ASSERT_TRUE(demo_slot_rider(1, &r));
  EXPECT_EQ(std::string(r.model), std::string(63, 'm'));
  EXPECT_STREQ(r.gear_texture, "default");      // not a local variant
  EXPECT_STREQ(r.graphics_texture, "default");  // no paths through a texture name
  EXPECT_STREQ(r.wheel_texture, "gold");
  EXPECT_STREQ(r.helmet_texture, "");  // missing field
  EXPECT_STREQ(r.plate, "7");
  EXPECT_FALSE(demo_slot_rider(2, &r));

  bike *b = demo_create_bike(0, 4);
  ASSERT_NE(b, nullptr);
  EXPECT_STREQ(b->spec.name, "crf250(2008)");
  EXPECT_STREQ(b->rider_number, "123");
  bike_destroy(b);
  EXPECT_EQ(demo_create_bike(5, 4), nullptr);
}

// Version 4: 26-byte records; records of demo bikes without a replayed slot
// are skipped at that size; past the end the bike freezes and is muted.
TEST_F(demo_test, version_4_blocks_with_surplus_bikes_then_the_end) {
  ASSERT_TRUE(write_file(home.file("v4.kvdemo"), demo_with_blocks(4, 3, 4)));
  ASSERT_TRUE(demo_open_playback(home.file("v4.kvdemo").c_str(), nullptr, 0));
  bike *local = make("crf250(2009)", 0);
  bike *replayed = make("crf250(2009)", 2);
  bike_slot_set(2, replayed, BIKE_REMOTE);
  uint32_t local_x = packed_x(local);
  for (int k = 0; k < 4; k++) {
    demo_play_block();
    EXPECT_EQ(marker_of(replayed), k * 3 + 1) << "block " << k;
    EXPECT_FALSE(demo_slot_muted(2));
  }
  demo_play_block();
  EXPECT_TRUE(demo_slot_muted(2));
  EXPECT_EQ(marker_of(replayed), 3 * 3 + 1);
  EXPECT_EQ(packed_x(local), local_x);
}

TEST_F(demo_test, seeking_by_seconds) {
  struct {
    int version;
    int32_t tick;
    double seconds;
    int32_t tick_after;
    long block_shown;  // -1: nothing changed
  } cases[] = {
      {5, 300, -1, 172, 171},  // stream at header + 170 * N * 39
      {5, 100, -1, 2, 1},      // b clamps to 0
      {5, 100, 1, 228, 227},
      {4, 300, -1, 172, 171},  // 26-byte records
      {5, 300, 1e9, 300, -1},  // beyond what a stream can address
  };
  for (const auto &c : cases) {
    ASSERT_TRUE(write_file(home.file("s.kvdemo"), demo_with_blocks(c.version, 2, 400)));
    ASSERT_TRUE(demo_open_playback(home.file("s.kvdemo").c_str(), nullptr, 0));
    bike *a = bike_slot_bike(1) ? bike_slot_bike(1) : make("crf250(2009)", 1);
    bike *b = bike_slot_bike(6) ? bike_slot_bike(6) : make("crf250(2009)", 6);
    bike_slot_set(1, a, BIKE_REMOTE);
    bike_slot_set(6, b, BIKE_REMOTE);
    demo_play_block();  // block 0
    sim.sim_tick = c.tick;
    demo_seek_seconds(c.seconds);
    EXPECT_EQ(sim.sim_tick, c.tick_after) << c.version << " " << c.tick << " " << c.seconds;
    long shown = c.block_shown < 0 ? 0 : c.block_shown;
    EXPECT_EQ(marker_of(a), shown * 2 + 1);
    EXPECT_EQ(marker_of(b), shown * 2 + 2);
    demo_play_block();  // and playing goes on from there
    EXPECT_EQ(marker_of(a), (shown + 1) * 2 + 1);
  }

  // Not while a bike is simulated here.
  bike_slot_set(0, make("crf250(2009)", 0), BIKE_LOCAL);
  sim.sim_tick = 300;
  demo_seek_seconds(-1);
  EXPECT_EQ(sim.sim_tick, 300);
}

TEST_F(demo_test, recording_with_namedemo) {
  EXPECT_STREQ(demo_name_command("race1"), "Not currently recording a demo");
  make("crf250(2009)", 0);
  bike_slot_set(3, make("crf250(2009)", 3), BIKE_ROBOT);
  bike_slot_set(5, make("crf250(2009)", 5), BIKE_REMOTE);  // not recorded offline
  demo_rider gear = {"crf250(2009)", "red", "stripes", "gold", "blue", ""};
  demo_set_slot_rider(3, &gear);
  demo_race race = {0, 3, 1800, false};
  ASSERT_TRUE(demo_start_recording("trk", &race));
  for (int i = 0; i < 5; i++) demo_record_tick();

  struct {
    std::string args;
    const char *reply, *pending;
  } names[] = {
      {"race0", "Demo name updated", "race0.kvdemo"},
      {std::string(1016, 'n'), "Name too long", "race0.kvdemo"},
      {"../x", "Bad demo name", "race0.kvdemo"},
      {"  race1.kvdemo  more words", "Demo name updated", "race1.kvdemo"},
      {"race1", "Demo name updated", "race1.kvdemo"},
  };
  for (const auto &n : names) {
    EXPECT_STREQ(demo_name_command(n.args.c_str()), n.reply) << n.args;
    EXPECT_STREQ(demo_pending_name(), n.pending) << n.args;
  }
  EXPECT_STREQ(demo_name_command(std::string(1015, 'n').c_str()), "Demo name updated");
  demo_name_command("race1");
  demo_stop_recording();
  EXPECT_STREQ(demo_pending_name(), "");
  EXPECT_FALSE(file_exists(personal("demos/default.kvdemo")));

  std::string file = read_file(personal("demos/race1.kvdemo"));
  std::string header = "KV05 2 0 3 1800\ntrk\ncrf250(2009)||||\n7\ncrf250(2009)|red|stripes|gold|blue\n7\n";
  ASSERT_EQ(file.size(), header.size() + 5 * 2 * PACKED_STATE_SIZE);
  EXPECT_EQ(file.substr(0, header.size()), header);
  ASSERT_TRUE(demo_open_playback("@demos/race1.kvdemo", nullptr, 0));
  EXPECT_EQ(demo_bike_count(), 2);
  EXPECT_EQ(demo_laps(), 3);
}

TEST_F(demo_test, time_trial_best_lap) {
  struct {
    bool existed;
    int32_t rider, ghost, lap;
    bool keep;
  } rules[] = {
      {false, 0, 9, 0, true},  // the first lap always becomes the best lap
      {true, 5, 4, 100, true},
      {true, 5, 4, 0, false},
      {true, 4, 4, 100, false},
  };
  for (const auto &r : rules) EXPECT_EQ(demo_time_trial_keep(r.existed, r.rider, r.ghost, r.lap), r.keep);

  // No lap ridden yet: nothing is copied and the old best lap stays.
  ASSERT_TRUE(write_file(personal("trk/fastlap.kvdemo"), "old best"));
  EXPECT_FALSE(demo_time_trial_copy_lap("trk"));
  EXPECT_EQ(read_file(personal("trk/fastlap.kvdemo")), "old best");
  EXPECT_FALSE(demo_time_trial_copy_lap("../trk"));

  // A lap ridden by the local bike, kept as the first best lap (over 1024 bytes).
  remove(personal("trk/fastlap.kvdemo").c_str());
  make("crf250(2009)", 0);
  demo_race race = {0, 1000, 0, true};
  ASSERT_TRUE(demo_start_recording("trk", &race));
  for (int i = 0; i < 40; i++) demo_record_tick();
  demo_stop_recording();
  std::string lap = read_file(personal("trk/lastlap.kvdemo"));
  ASSERT_GT(lap.size(), 1024u);
  EXPECT_FALSE(demo_time_trial_fastlap_exists("trk"));
  EXPECT_TRUE(demo_time_trial_next_lap("trk", false, 3, -1, 0, &race));
  EXPECT_EQ(read_file(personal("trk/fastlap.kvdemo")), lap);
  EXPECT_FALSE(file_exists(personal("trk/fastlap.kvdemo.new")));
  EXPECT_TRUE(demo_is_playing());
  EXPECT_TRUE(demo_is_recording());
  EXPECT_STREQ(demo_name_command("x"), "Not currently recording a demo");  // refused in time trial
  EXPECT_EQ(demo_create_ghosts(1), 1);
  EXPECT_EQ(bike_slot_kind(1), BIKE_REMOTE);
}
