#include "sim/visuals.h"

#include "sim/bike.h"

void bike_load_visuals(bike *b, const char *, const char *, const char *, const char *) { b->visuals = nullptr; }

void bike_free_visuals(bike *b) { b->visuals = nullptr; }
