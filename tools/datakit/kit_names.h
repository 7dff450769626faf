// The names and shared constants of the game's own data kit: track folders,
// file names inside a track folder, texture and shape names, and the lighting
// that both the generated shading and the track's "lighting" file use.
//
// These names are fixed once here so that the generator, the archive and the
// game agree; the pictures and models behind some of them come later, but the
// names stay. Plain constants, no state.
#pragma once

// Track folders. "dozavurozu" is the start-up default track.
#define KIT_DEFAULT_TRACK "dozavurozu"
#define KIT_PRACTICE_TRACK "practice"

// Files inside a track folder.
#define KIT_TERRAIN_FILE "terrain.hf"
#define KIT_SHADING_FILE "shadingx2.ppm"
#define KIT_TILEINFO_FILE "tileinfo"
#define KIT_TILEMAP_FILE "tilemap"
#define KIT_DESC_FILE "desc"
#define KIT_GATES_FILE "timing_gates"
#define KIT_STATUES_FILE "statues"
#define KIT_BILLBOARDS_FILE "billboards"
#define KIT_FLAGGERS_FILE "flaggers"
#define KIT_LIGHTING_FILE "lighting"
#define KIT_SHADOWS_FILE "shadows.pgm"
#define KIT_MAP_FILE "map.png"

// Bike collision shapes, each in its part's body frame.
#define KIT_FRAME_SHAPE "generic_frame.shp"
#define KIT_FORK_UPPER_SHAPE "generic_fork_upper.shp"
#define KIT_FORK_LOWER_SHAPE "generic_fork_lower.shp"
#define KIT_SWINGARM_SHAPE "generic_swingarm.shp"
#define KIT_FRONT_WHEEL_SHAPE "front_wheel.shp"
#define KIT_REAR_WHEEL_SHAPE "rear_wheel.shp"
#define KIT_RIDER_SHAPE "generic_rider.shp"
// Track objects: the start gate (one per start position) and trackside props.
#define KIT_STARTGATE_SHAPE "startgate.shp"
#define KIT_HAYBALE_SHAPE "haybale.shp"
#define KIT_TYRESTACK_SHAPE "tyrestack.shp"
#define KIT_ARCH_SHAPE "finish_arch.shp"  // the two posts only
// Half the distance between the finish arch's posts: beyond the track edge.
constexpr float KIT_ARCH_HALF_SPAN = 16.5f;

// Statue models and pictures (their files come with the second kit).
#define KIT_STARTGATE_MODEL "@startgate.jm"
#define KIT_STARTGATE_PICTURE "@startgate.ppm"
#define KIT_HAYBALE_MODEL "@haybale.jm"
#define KIT_HAYBALE_PICTURE "@haybale.png"
#define KIT_TYRESTACK_MODEL "@tyrestack.jm"
#define KIT_TYRESTACK_PICTURE "@tyrestack.png"
#define KIT_ARCH_MODEL "@finish_arch.jm"
#define KIT_ARCH_PICTURE "@finish_arch.png"
// Billboards and flaggers.
#define KIT_TREE_PICTURE "@tree-pine.png"
#define KIT_BANNER_PICTURE "@banner.png"
#define KIT_START_FLAGGER_PREFIX "@flagger_start"  // + "0".."4" + ".png"
#define KIT_LAP_BOARD_PREFIX "@lapboard"           // + "0".."3" + ".png"
#define KIT_FLAGGER_PICTURE "@flagger.png"
#define KIT_FLAGGER_ALERT_PICTURE "@flagger_yellow.png"
// Sky faces (north, east, south, west, up), the environment map and the
// sun flare's element pictures.
#define KIT_SKY_N "@sky-n.ppm"
#define KIT_SKY_E "@sky-e.ppm"
#define KIT_SKY_S "@sky-s.ppm"
#define KIT_SKY_W "@sky-w.ppm"
#define KIT_SKY_U "@sky-u.ppm"
#define KIT_SKY_ENV "@sky-env.ppm"
#define KIT_FLARE_SUN_PICTURE "@flare_sun.png"
#define KIT_FLARE_RING_PICTURE "@flare_ring.png"
#define KIT_FLARE_SPOT_PICTURE "@flare_spot.png"

// Ground surfaces in tileinfo order: the base surfaces first (the editor's
// tile tool counts the leading self-coded ones), then alternatives, then the
// grass/dirt transitions. Texture names are "@" + name + ".png".
enum kit_surface {
  SURF_DIRT = 0,
  SURF_BERM = 1,
  SURF_GRASS = 2,
  SURF_SAND = 3,
  SURF_HARDPACK = 4,
  SURF_WATER = 5,
  SURF_DIRT_ALT = 6,
  SURF_GRASS_ALT = 7,
  SURF_TRANSITION_FIRST = 8,  // grass base, dirt overlay, masks 1..14
  SURF_COUNT = SURF_TRANSITION_FIRST + 14
};

// Corner masks of the transition tiles (texture "grass-dirt-abcd.png", most
// significant digit first): a set bit means the overlay (dirt) covers that
// corner. The renderer maps texture s along +x and t along +z, so in the
// picture "abcd" reads top-left, top-right, bottom-left, bottom-right.
enum {
  CORNER_MINUS_X_MINUS_Z = 8,
  CORNER_PLUS_X_MINUS_Z = 4,
  CORNER_MINUS_X_PLUS_Z = 2,
  CORNER_PLUS_X_PLUS_Z = 1
};

// The sun of every kit track: the "lighting" file writes these values and the
// generated shading uses them, so re-shading in the editor leaves no seams.
// The sun stands below 45 degrees so that it lands on a side face of the sky.
constexpr float KIT_SUN_VECTOR[3] = {0.6f, 0.5f, 0.35f};  // towards the sun
constexpr float KIT_SUN_COLOR[3] = {0.88f, 0.86f, 0.8f};
constexpr float KIT_AMBIENT[3] = {0.5f, 0.5f, 0.53f};
constexpr float KIT_GLOBAL_AMBIENT[3] = {0.2f, 0.2f, 0.22f};
// A light haze: exp(-density * distance) of the view is left at 1000 ft.
constexpr float KIT_FOG_COLOR[3] = {0.72f, 0.76f, 0.82f};
constexpr float KIT_FOG_DENSITY = 0.0004f;
