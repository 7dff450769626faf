// Readers of the two surface-table files of a track folder: "tileinfo"
// statements (texture, friction, roll_resist, roost, addtile) and the older
// "texturelist" (optional friction and forces in front of each texture name).
// Both post a warning for each bad statement and go on; neither computes the
// blend codes. Textures are loaded through terrain_load_texture (handle 0
// without a renderer). Main thread only.
#pragma once
#include "track/surface.h"

struct data_stream;

// Reads statements until the end of the stream or until `max` surfaces exist;
// returns the number of surfaces stored.
int tileinfo_read(data_stream *s, surface_type *surfaces, int max);
// One surface per non-blank line, at most `max`; returns the number stored.
int texturelist_read(data_stream *s, surface_type *surfaces, int max);
// Applies a roost parameter list (the text after "roost") to an emitter.
void roost_parse(const char *args, roost_params *r);
// Reads one number of the file formats' "%f" form (sign, digits with one
// ".", exponent; no words like "inf") after white space, advancing *p.
// False (nothing consumed but the white space) when there is none or it is
// not finite as a float.
bool scan_number(const char **p, float *value);
