#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "config/binding_text.h"
#include "config/config_file.h"
#include "config_fixture.h"

namespace {

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every key in the order the file lists them.
std::vector<std::string> expected_keys() {
  std::vector<std::string> keys = {"xres", "yres", "draw_fps", "draw_time", "draw_ping", "spy",
                                   "record", "skill", "minutes", "laps"};
  char buf[32];
  for (int i = 0; i < 40; i++) snprintf(buf, sizeof buf, "slot%02d", i), keys.push_back(buf);
  for (const char *k :
       {"ghost_fade_distance", "time_trial_abort", "bike", "name", "number", "rider_texture", "head_texture",
        "bike_texture", "wheel_texture", "stability", "leveling", "roll_damping", "roll_limit_angle",
        "roll_limit_factor", "steering_damping", "steering_strength", "max_steering_force", "direct_steering",
        "slow_damping_speed", "slow_damping_factor", "land_damping_falloff", "land_damping_factor", "arcade",
        "front_brake", "rear_brake", "stop_wheelies", "auto_shift", "auto_dab", "sticky_dab", "reverse_steering",
        "lean_indicator", "auto_clutch_rpms", "brake_torque", "rear_brake_torque", "max_dab_speed",
        "front_sprocket_adjustment", "rear_sprocket_adjustment", "fork_compression_adjustment",
        "fork_rebound_adjustment", "fork_spring_rate_adjustment", "fork_preload_adjustment",
        "fork_oil_level_adjustment", "shock_compression_adjustment", "shock_rebound_adjustment",
        "shock_spring_rate_adjustment", "shock_preload_adjustment", "rider_yspring", "rider_ydamping",
        "rider_zspring", "rider_zdamping", "rider_mass_distribution", "video_mode", "server_name"})
    keys.push_back(k);
  for (int i = 0; i < 16; i++) snprintf(buf, sizeof buf, "server_name_hist%02d", i), keys.push_back(buf);
  for (const char *k :
       {"ground_detail", "ground_texture_detail", "ground_texture_dim", "ground_mipmaps", "use_fbo", "use_shader",
        "roost_density", "lens_flare", "hide_rider", "rigid_camera", "model_detail", "model_texture_detail", "fov",
        "first_person_height", "first_person_angle", "volume", "playback_mode", "billboard_optimize_lookahead",
        "throttle_key", "front_brake_key", "rear_brake_key", "left_key", "right_key", "clutch_key", "upshift_key",
        "downshift_key", "dab_key", "back_up_key", "lean_forward_key", "lean_backward_key", "pause_key",
        "step_key", "rewind_key", "skip_key", "prev_key", "next_key", "console_key", "screenshot_key"})
    keys.push_back(k);
  return keys;
}

class config_file : public config_test {
 protected:
  std::string config_path() const { return personal("config"); }
  void write_config(const std::string &text) { ASSERT_TRUE(write_file(config_path(), text)); }
  std::string written() {
    EXPECT_TRUE(config_write());
    return read_file(config_path());
  }
};

TEST_F(config_file, defaults_are_written_in_order_and_format) {
  std::vector<std::string> lines = lines_of(written());
  std::vector<std::string> keys;
  for (const std::string &l : lines) keys.push_back(l.substr(0, l.find('=')));
  EXPECT_EQ(keys, expected_keys());

  // The defaults, with the preset of stability 100 over the table values.
  for (const char *line :
       {"xres=640", "draw_ping=1", "record=No", "skill=Novice", "minutes=0.000000", "laps=5.000000",
        "slot00=Empty", "slot17=Robot", "slot19=Human", "slot22=Robot", "slot23=Empty", "time_trial_abort=Yes",
        "bike=crf250(2009)", "name=Joe Motocross", "number=999", "rider_texture=default", "stability=100.000000",
        "roll_damping=80.000000", "roll_limit_angle=35.000000", "roll_limit_factor=32.000000",
        "direct_steering=0.000000", "land_damping_falloff=0.250000", "front_brake=Antilock",
        "stop_wheelies=No", "rider_mass_distribution=0.330000", "video_mode=Default Fullscreen",
        "server_name_hist00=", "ground_texture_dim=128x128", "rigid_camera=No", "fov=110.000000",
        "playback_mode=Playback Only", "billboard_optimize_lookahead=0", "throttle_key=(k)x",
        "dab_key=(k)right ctrl", "rewind_key=(k)\\", "screenshot_key=(k)s"}) {
    SCOPED_TRACE(line);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string(line)), 1);
  }
  // No temporary file is left behind.
  EXPECT_FALSE(file_exists(personal("config.tmp")));
}

TEST_F(config_file, changed_settings_survive_a_round_trip) {
  for (const char *f : {"kx125-blue.png", "wheels-gold.png"}) data_file(f);
  texture_variants_build_all();

  settings.xres = 1024;
  settings.spy = -3;
  choice_set_by_name(&settings.skill, "Expert");
  settings.laps.value = 12;
  choice_set_by_name(&settings.gates[0], "Robot (4 stroke)");
  choice_set_by_name(&settings.gates[19], "Empty");
  choice_set_by_name(&settings.bike, "kx125");
  texture_variants_build_all();
  ASSERT_TRUE(choice_set_by_name(&settings.bike_texture, "blue"));
  ASSERT_TRUE(choice_set_by_name(&settings.wheel_texture, "gold"));
  text_set(&settings.name, "Speedy Gonzo");
  settings.stability.value = 50;
  apply_stability_preset(50);
  settings.roll_damping.value = 55;
  settings.rider_mass_distribution.value = 0.45;
  settings.land_damping_falloff.value = 0.0625;
  settings.video_mode.selected = 1;
  std::string long_server(127, 'h');
  snprintf(settings.server_history[0], SERVER_HISTORY_SIZE, "%s", long_server.c_str());
  snprintf(settings.server_history[15], SERVER_HISTORY_SIZE, "last.example");
  binding_parse(&settings.bindings[BIND_THROTTLE], "(-0.0625,-0.9375)joy0-axis1");
  binding_parse(&settings.bindings[BIND_SCREENSHOT], "(k)");  // unbound: no line

  std::string first = written();
  EXPECT_EQ(first.find("screenshot_key"), std::string::npos);

  texture_variants_release_all();
  settings_defaults();
  texture_variants_build_all();
  ASSERT_TRUE(config_read());
  EXPECT_EQ(settings.xres, 1024);
  EXPECT_STREQ(choice_name(&settings.bike), "kx125");
  EXPECT_STREQ(choice_name(&settings.bike_texture), "blue");
  EXPECT_DOUBLE_EQ(settings.roll_damping.value, 55);
  EXPECT_DOUBLE_EQ(settings.roll_limit_factor.value, 21);
  EXPECT_EQ(std::string(settings.server_history[0]), long_server);
  EXPECT_STREQ(settings.bindings[BIND_THROTTLE].axis_name, "joy0-axis1");
  // The unbound key came back as its default, since its line was missing.
  EXPECT_STREQ(settings.bindings[BIND_SCREENSHOT].key_name, "s");

  // Writing again gives the same text, apart from the binding that was back to its default.
  binding_parse(&settings.bindings[BIND_SCREENSHOT], "(k)");
  EXPECT_EQ(written(), first);
}

TEST_F(config_file, lenient_reading) {
  write_config(
      "garbage line\n"
      "unknown_key=5\n"
      "xres =800\n"
      "yres=600\r\n"
      "draw_fps=fast\n"
      "draw_time=99999999999\n"
      "laps=99\n"
      "fov=5\n"
      "minutes=abc\n"
      "ground_texture_distance=3\n"
      "skill=expert\n"
      "record=Yes\r\n"
      "slot39=Human\n"
      "slot40=Robot\n"
      "slot5=Robot\n"
      "name=" + std::string(100, 'n') + "\n"
      "number=12345\n"
      "arcade=No=Yes\n"
      "server_name_hist16=ignored\n"
      "rewind_key=(0.1,0.9)pedal\r\n"
      "=\n");
  EXPECT_TRUE(config_read());
  EXPECT_EQ(settings.xres, 640);
  EXPECT_EQ(settings.yres, 600);
  EXPECT_EQ(settings.draw_fps, 0);
  EXPECT_EQ(settings.draw_time, 0);
  EXPECT_DOUBLE_EQ(settings.laps.value, 50);
  EXPECT_DOUBLE_EQ(settings.fov.value, 10);
  EXPECT_DOUBLE_EQ(settings.minutes.value, 0);
  EXPECT_STREQ(choice_name(&settings.skill), "Novice");
  EXPECT_STREQ(choice_name(&settings.record), "Yes");
  EXPECT_STREQ(choice_name(&settings.gates[39]), "Human");
  EXPECT_STREQ(choice_name(&settings.gates[5]), "Empty");
  EXPECT_EQ(std::string(settings.name.text), std::string(63, 'n'));
  EXPECT_STREQ(settings.number.text, "123");
  EXPECT_STREQ(choice_name(&settings.arcade), "Yes");  // "No=Yes" is no choice
  EXPECT_STREQ(settings.bindings[BIND_REWIND].axis_name, "pedal");
  EXPECT_FLOAT_EQ(settings.bindings[BIND_REWIND].low, 0.1f);
  EXPECT_FLOAT_EQ(settings.bindings[BIND_REWIND].high, 0.9f);
}

TEST_F(config_file, missing_file_keeps_defaults) {
  EXPECT_FALSE(config_read());
  EXPECT_EQ(settings.xres, 640);
  EXPECT_DOUBLE_EQ(settings.roll_damping.value, 80);
}

TEST_F(config_file, long_lines_arrive_in_pieces) {
  // 1023 bytes fill the buffer; the rest of the line is read as a line of its own.
  write_config("comment" + std::string(1016, '-') + "xres=777\nyres=" + std::string(2000, '7') + "\n");
  config_read();
  EXPECT_EQ(settings.xres, 777);
  EXPECT_EQ(settings.yres, 480);  // the digits overflow 32 bits
}

TEST_F(config_file, bike_names_and_graphics) {
  for (const char *f : {"kx250f-green.png", "kx250f-lime.png", "crf250-red.png"}) data_file(f);
  texture_variants_build_all();
  write_config("bike=kx250f\n");
  config_read();
  EXPECT_STREQ(choice_name(&settings.bike), "kx250f(2008)");
  ASSERT_EQ(settings.bike_texture.count, 3);
  EXPECT_STREQ(settings.bike_texture.names[1], "green");
  EXPECT_STREQ(settings.bike_texture.data_names[2], "@kx250f-lime.png");

  // The graphics line after the bike picks from the new list; a bike name in
  // capitals is no choice and leaves the bike, but the list is rebuilt for it.
  write_config("bike_texture=lime\nbike=KX250F\n");
  config_read();
  EXPECT_STREQ(choice_name(&settings.bike), "kx250f(2008)");
  EXPECT_EQ(settings.bike_texture.selected, 0);
  write_config("bike=crf250(2007)\nbike_texture=red\n");
  config_read();
  EXPECT_STREQ(choice_name(&settings.bike), "crf250(2007)");
  EXPECT_STREQ(choice_name(&settings.bike_texture), "red");
}

TEST_F(config_file, stability_then_assists) {
  write_config("stability=0\nroll_damping=55\n");
  config_read();
  EXPECT_DOUBLE_EQ(settings.stability.value, 0);
  EXPECT_DOUBLE_EQ(settings.roll_damping.value, 55);
  EXPECT_DOUBLE_EQ(settings.roll_limit_angle.value, 90);
  EXPECT_DOUBLE_EQ(settings.roll_limit_factor.value, 0);
  EXPECT_DOUBLE_EQ(settings.slow_damping_factor.value, 1);
  EXPECT_DOUBLE_EQ(settings.land_damping_factor.value, 1);
  EXPECT_DOUBLE_EQ(settings.land_damping_falloff.value, 0);
  EXPECT_DOUBLE_EQ(settings.direct_steering.value, 1);

  // The preset follows the truncated value; an unreadable one changes nothing.
  write_config("stability=50.9\n");
  config_read();
  EXPECT_DOUBLE_EQ(settings.roll_damping.value, 65);
  settings.roll_damping.value = 12;
  write_config("stability=high\n");
  config_read();
  EXPECT_DOUBLE_EQ(settings.roll_damping.value, 12);
}

TEST_F(config_file, server_history_entries) {
  snprintf(settings.server_history[2], SERVER_HISTORY_SIZE, "kept");
  write_config("server_name_hist00=" + std::string(127, 'a') + "\n" +  //
               "server_name_hist02=" + std::string(128, 'b') + "\n" +  //
               "server_name_hist15=c\n");
  config_read();
  EXPECT_EQ(std::string(settings.server_history[0]), std::string(127, 'a'));
  EXPECT_STREQ(settings.server_history[2], "kept");
  EXPECT_STREQ(settings.server_history[15], "c");
}

TEST_F(config_file, failed_write_keeps_the_old_file) {
  std::string old_text = written();
  ASSERT_FALSE(old_text.empty());

  // A full disk: the temporary file is the full device.
  ASSERT_EQ(symlink("/dev/full", personal("config.tmp").c_str()), 0);
  settings.xres = 1;
  EXPECT_FALSE(config_write());
  EXPECT_EQ(read_file(config_path()), old_text);
  EXPECT_FALSE(file_exists(personal("config.tmp")));

  // The next successful write replaces the file as a whole.
  std::string new_text = written();
  EXPECT_NE(new_text, old_text);
  EXPECT_EQ(new_text.find("xres=1\n"), 0u);
}

TEST_F(config_file, unwritable_folder_writes_nothing) {
  std::string old_text = written();
  // The temporary name is taken by a folder, so it can't be created.
  ASSERT_TRUE(write_file(personal("config.tmp/blocker"), "x"));
  settings.xres = 2;
  EXPECT_FALSE(config_write());
  EXPECT_EQ(read_file(config_path()), old_text);
}

}  // namespace
