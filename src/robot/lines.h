// Riding lines: the robots' recorded paths per track section, 45 slots per
// section group, kept for one track and one skill at a time; the "ct03" lines
// file read and written through data streams; the load-time thinning of
// crowded groups; the eviction choice; line scores; line costs and the
// connection test between consecutive sections; the recommended route per
// line-choice rule.
//
// Groups: F for the first lap, then L that serve every later lap (section
// s >= F uses group F + (s - F) mod L). The store owns every point array.
// Bad files never fail the program: wrong counts end or skip entries, bad
// statistics are clamped. Main thread only.
#pragma once
#include <cstdint>

struct data_stream;

enum {
  LINE_SLOTS = 45,
  LINE_GROUPS_MAX = 512,
  LINE_POINTS_MAX = 65536,  // 4.5 hours of riding; a larger count is a bad entry
  FAIL_PENALTY = 640,       // ticks
  LINE_RULES = 3,           // rules with a recommended route; rule 3 explores
  LINE_NO_TIME = 1000000,
  LINE_UNPICKED = -1000000,
  SKILL_COUNT = 3,
};

struct line_point {
  float x, y, z;
  float speed;  // ft/s, negative while airborne
  float lean;   // radians
};

struct riding_line {
  line_point *points;
  int32_t n;  // 0 = empty slot
  int32_t t1, t2, count, best1, best2, sum1, sum2, fails;
  int32_t last_picked;
  int32_t line_id;
};

struct line_group {
  riding_line slots[LINE_SLOTS];
};

struct line_store {
  int32_t first_groups;   // F
  int32_t normal_groups;  // L
  int32_t group_count;    // F + L; 0 = no store
  line_group *groups;     // group_count entries
  int32_t *recommended[LINE_RULES];  // group_count line ids each, 0 = none
  int32_t skill;          // skill the store was loaded for, -1 none
  char track[256];        // track folder it was loaded for, "" none
};

extern line_store lines;

// File names per skill: "lines_novice", "lines_amateur", "lines_expert".
const char *lines_file_name(int skill);

// Sets up an empty store of `segments` groups split as the loaded course's
// first-lap and normal-lap line gates (any previous store is freed).
void lines_prepare(int segments);
// Same with explicit counts (tests and the data kit).
void lines_prepare_counts(int first, int normal);
// Frees every point array and empties every slot; counts stay.
void lines_empty();
// Frees the whole store (no groups).
void lines_clear();

// Reads "@" + track_folder + "/" + lines_file_name(skill) into the store,
// thins crowded groups and plans the routes. False when the file is missing
// or does not match the store (the store is then empty).
bool lines_load(const char *track_folder, int skill);
// Writes the store to the file it was loaded for (track_folder, or the
// remembered one when nullptr), then empties it. False when it can't write.
bool lines_save(const char *track_folder);
// Stream forms of the above (no thinning, no planning).
bool lines_read(data_stream *s);
bool lines_write(data_stream *s);
// Thins every group holding 44 or 45 lines, then plans all three routes.
void lines_thin();

int32_t line_group_of_section(int32_t section);  // -1 without a store
riding_line *line_slot(int32_t group, int32_t slot);  // nullptr out of range
int32_t lines_in_group(int32_t group);
// Takes a copy of n points into an empty slot with the given times; returns
// the new line id, 0 on failure.
int32_t line_add(int32_t group, int32_t slot, const line_point *points, int32_t n, int32_t t1, int32_t t2);
int32_t line_next_id();

int32_t line_score(const riding_line *l);
int32_t pick_line_to_evict(int32_t group);
// Empties the candidate crossed by most others and the eviction choice, two
// at a time, until the group holds fewer than 44 lines.
void prune_crossing_lines(int32_t group);

// Cost of one line under rule 0..3 (rule 3 explores: fewer runs are cheaper).
double line_cost(const riding_line *l, int rule);
// Centre of the circle through three ground points (x, z); a far point on the
// bisector when they are in a line. Returns the radius to c.
double circle_centre(const line_point &a, const line_point &b, const line_point &c, double centre[2]);
// Q continues P (P > 2 points, Q > 1).
bool line_connects(const riding_line *p, const riding_line *q);
// Fills recommended[rule]; returns false without a store.
bool plan_recommended_lines(int rule);
int32_t recommended_line(int rule, int32_t group);
