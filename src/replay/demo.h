// Demo files: recording a race into "@demos/default.kvdemo" (or a time-trial
// lap into "@<track>/lastlap.kvdemo"), naming the recording, opening a demo
// for playback with every header check, creating its bikes, playing one
// record block per tick, and the time trial's best-lap files.
//
// Promises: at most one demo is played and one recorded at a time; a header
// naming more than DEMO_MAX_BIKES bikes, an unlisted track or malformed lines
// is refused; rider text read from a demo is cut to the fixed tables below
// (models 63 characters, plates 3) and texture names that are not local
// variants of their kind read as "default". Every rename writes to a
// temporary name first, so a failed copy leaves the old file in place.
// Main thread only.
#pragma once
#include <cstdint>

struct bike;

enum {
  DEMO_MAX_BIKES = 40,
  DEMO_MODEL_CAPACITY = 64,    // 63 characters
  DEMO_TEXTURE_CAPACITY = 64,  // variant names
  DEMO_PLATE_CAPACITY = 4,     // 3 characters
  DEMO_NAME_LIMIT = 1016,      // "namedemo" names of this length or more are refused
  DEMO_DEFAULT_GATE_DROP = 1792,
};

// One demo bike's description: the model (after BIKE_NAME_ALIASES), the
// number plate and the four texture variant names ("" or "default" = none).
struct demo_rider {
  char model[DEMO_MODEL_CAPACITY];
  char gear_texture[DEMO_TEXTURE_CAPACITY];      // riding gear, "rider_body-" variants
  char graphics_texture[DEMO_TEXTURE_CAPACITY];  // bike graphics, "<model graphics>-" variants
  char wheel_texture[DEMO_TEXTURE_CAPACITY];     // "wheels-" variants
  char helmet_texture[DEMO_TEXTURE_CAPACITY];    // "rider_head-" variants
  char plate[DEMO_PLATE_CAPACITY];
};

// The race values a recording writes into its header.
struct demo_race {
  int32_t time_limit_ticks;  // 0 for a race run by laps only
  int32_t laps;
  int32_t gate_drop_tick;
  bool time_trial;  // record "@<track>/lastlap.kvdemo" instead of "@demos/default.kvdemo"
};

// The current name of an old model name ("crf250" -> "crf250(2008)" ...), or
// the name itself.
const char *demo_model_alias(const char *model);

// ---- recording ------------------------------------------------------------

// The description written for a slot's bike; race set-up calls it for every
// bike it creates. Without one the bike's model and number are written with
// empty texture fields. nullptr clears the slot's description.
void demo_set_slot_rider(int slot, const demo_rider *rider);
// Opens the target with "wb" and writes the header and rider lines of the
// bikes recorded in this session (local and robot bikes; online also remote
// ones). False, and nothing recorded, when the file can't be opened.
bool demo_start_recording(const char *track_folder, const demo_race *race);
// Writes this tick's record block and flushes (also called once at the end
// of race set-up). Nothing when not recording.
void demo_record_tick();
// Closes the recording; a pending name renames it into "@demos/".
void demo_stop_recording();
bool demo_is_recording();
// The "namedemo" console command's argument text; returns the console reply
// ("Demo name updated", "Name too long", "Not currently recording a demo").
const char *demo_name_command(const char *args);
// The name the finished recording will be given, "" for none.
const char *demo_pending_name();

// ---- playback -------------------------------------------------------------

// Opens a demo (a path or an "@" data name) and reads its header; on success
// the stream stands at the first record block and *track names its track
// folder. False (nothing played, rider tables cleared) when it can't be used.
bool demo_open_playback(const char *path, char *track, int track_size);
bool demo_is_playing();
void demo_stop_playback();
// The played demo's values (0 / empty when none is played).
int demo_bike_count();
int demo_version();
const char *demo_track_folder();
int32_t demo_time_limit_ticks();
int demo_laps();
int32_t demo_gate_drop_tick();
// The description of the demo's i-th bike (0-based, in the demo's order).
bool demo_slot_rider(int index, demo_rider *out);
// Creates the demo's i-th bike for `slot` (textures resolved to data names);
// nullptr when there is no such bike or it can't be built. The caller puts
// it into the slot as a remote bike.
bike *demo_create_bike(int index, int slot);
// Time trial: creates the demo's bikes into slots first_slot, first_slot+1 ...
// (up to slot 39) as remote bikes with their bodies disabled; the count made.
int demo_create_ghosts(int first_slot);

// The game tick's replay step: record or play back this tick.
void demo_tick();
// Reads and applies one record block to the replayed slots (one elapsed tick).
void demo_play_block();
// True while the slot's replayed bike has run out of records: it stands
// frozen, hidden and its engine is muted.
bool demo_slot_muted(int slot);

// ---- time trial -----------------------------------------------------------

// Whether the ridden lap replaces the best-lap demo: always when none
// existed, else when the rider passed more gates than the ghost and the lap
// time is positive.
bool demo_time_trial_keep(bool fastlap_existed, int32_t rider_gates, int32_t ghost_gates, int32_t lap_ticks);
bool demo_time_trial_fastlap_exists(const char *track_folder);
// Copies "lastlap.kvdemo" over "fastlap.kvdemo" through a temporary file;
// false (the old best lap kept) when anything fails.
bool demo_time_trial_copy_lap(const char *track_folder);
// After a completed lap (the recording already stopped, the ghosts removed):
// keeps the lap when it should be kept, opens the best lap as the ghost and
// starts recording the next lap. True when a ghost demo is open.
bool demo_time_trial_next_lap(const char *track_folder, bool fastlap_existed, int32_t rider_gates,
                              int32_t ghost_gates, int32_t lap_ticks, const demo_race *race);
