// Texture-variant choice lists: for a name prefix such as "rider_body-", the
// choice "default" (no data name) followed by every listed ".png" data file
// whose last path component starts with the prefix (not "_norm.png" or
// "_spec.png" maps), in data-list order. Display names drop the prefix and
// ".png"; data names are "@" + the listed name. The strings are owned here:
// rebuilding an item frees its previous list. Main thread only.
#pragma once
#include "config/settings.h"

// Replaces the item's choices with the variants for prefix; selection 0.
void texture_variants_build(choice_item *item, const char *prefix);
// Riding gear "rider_body-", helmet "rider_head-", bike graphics for the
// selected bike, wheel graphics "wheels-".
void texture_variants_build_all();
// Frees every built list; the items fall back to the single "default" choice.
void texture_variants_release_all();

// The variant prefix of a bike choice (index into the "Bike" item): its
// graphics texture's name without ".png", followed by "-" ("crf250-",
// "yz250f_se-"). An index outside the list gives the first bike's prefix.
const char *bike_texture_prefix(int bike_choice_index);
