#include "app/startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/command_line.h"
#include "app/game_tick.h"
#include "sim/world.h"
#include "app/main_loop.h"
#include "app/message_log.h"
#include "app/run_options.h"
#include "app/screenshot.h"
#include "app/track_list.h"
#include "config/config_file.h"
#include "config/controls.h"
#include "config/settings.h"
#include "config/texture_variants.h"
#include "data/data.h"
#include "net/session.h"
#include "platform/devices.h"
#include "platform/log.h"
#include "platform/script.h"
#include "platform/video.h"
#include "race/race_session.h"
#include "render/frame.h"
#include "replay/demo_seek.h"
#include "sound/engine_sound.h"

static const char DEFAULT_TRACK[] = "dozavurozu";

[[noreturn]] static void out_of_memory() {
  std::set_new_handler(nullptr);
  sound_record_close();
  window_close();
  message_box("Error", "Out of virtual memory");
  std::_Exit(1);
}

static bool wait_for_drawable_size() {
  int w, h;
  for (int i = 0; i < 162; i++) {
    if (window_drawable_size(&w, &h)) return true;
    window_pump_events();
    sleep_seconds(1.0 / 16);
  }
  return false;
}

static void shutdown_all() {
  if (net_session_active()) net_disconnect();
  session_shutdown();
  controls_release();
  devices_close_all();
  sound_record_close();
  render_shutdown();
  window_close();
  config_write();
}

static int program_run(int argc, char **argv, const char *release_digest) {
  std::set_new_handler(out_of_memory);
  install_quit_signals();

  // 1. Tables and local defaults.
  action_table_reset();
  main_loop_defaults();
  run_options_defaults(&run_opts);
  settings_defaults();

  // 3. Game data (the check also names the default log file).
  if (!check_game_data(release_digest)) {
    message_box("Problem starting Korvath", "Can't find game data\n");
    return 0;
  }

  // 4.-8. Histories and messages, video modes, texture variants, configuration.
  memset(settings.server_history, 0, sizeof settings.server_history);
  message_log_clear();
  video_modes_build();
  texture_variants_build_all();
  config_read();

  // 9. Slots, derived render settings, then the command line over them.
  session_clear_slots();
  run_options_derive(&run_opts);
  int status = parse_command_line(argc, argv, &run_opts);
  if (status != PARSE_CONTINUE) return status;
  if (debug_level >= 1)
    log_printf("Render settings: texture detail %d, ground texture drop %d, ground texture size %d, "
               "terrain detail %f, lod scale %f, lod bias %f, roost frequency %d\n",
               (int)run_opts.texture_detail, (int)run_opts.ground_texture_drop, (int)run_opts.ground_texture_size,
               run_opts.terrain_detail, run_opts.lod_scale, run_opts.lod_bias, (int)run_opts.roost_frequency);

  // 10.-14. The server picks the track; track, demo and series lists.
  if (run_opts.has_server) run_opts.has_track = false;
  if (!track_list_build()) {
    fprintf(stderr, "No tracks found\n");
    return 1;
  }
  settings.track.names = track_list.display;
  settings.track.data_names = track_list.names;
  settings.track.count = track_list.count;
  demo_list_build();
  series_list_build(demo_list.count);
  int start = track_list_find(run_opts.has_track ? run_opts.track : DEFAULT_TRACK);
  if (start >= 0) settings.track.selected = start;

  // 15.-16. Window and sound.
  bool windowed = settings.video_mode.selected == 1;
  if (!window_open("Korvath", windowed ? settings.xres : 0, windowed ? settings.yres : 0, run_opts.depth, !windowed))
    return 1;
  if (!script_start_from_option()) log_printf("Input script not started\n");
  if (run_opts.has_record_audio) {
    if (!sound_record_open(run_opts.record_audio)) post_messagef("Can't open \"%s\"", run_opts.record_audio);
  }

  // 17. Without a drawable size the loop is skipped.
  if (wait_for_drawable_size()) {
    // 18.-22. GL, controls, physics world, a demo named on the command line.
    render_startup();
    controls_resolve();
    session_world_create();
    bool demo = false;
    if (run_opts.has_demo) {
      char track[RUN_TEXT_CAPACITY];
      demo = demo_open_playback(run_opts.demo, track, sizeof track);
      if (demo) {
        snprintf(run_opts.track, sizeof run_opts.track, "%s", track);
        run_opts.has_track = true;
      }
    }
    // 23.-24. A robot rides on the title screen unless a demo plays.
    session_clear_slots();
    if (!demo) lineup_set(0, GATE_ROBOT);
    if (run_opts.has_track) race_setup_startup(run_opts.track, demo);

    // 25.
    main_loop_begin(run_opts.has_server);
    log_printf("Main loop started\n");
    main_loop_run();
    log_printf("Main loop ended after %lld frames, %d ticks\n", (long long)loop.frames, (int)sim.sim_tick);
  }
  shutdown_all();
  return 0;
}

// Whatever path start-up or shutdown ends on, the lists built from the data
// names and the file index are released before the process exits.
int program_main(int argc, char **argv, const char *release_digest) {
  int status = program_run(argc, argv, release_digest);
  name_list_free(&track_list);
  name_list_free(&demo_list);
  texture_variants_release_all();
  data_reset();
  return status;
}
