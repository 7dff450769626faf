#include "track/roost_emit.h"

void roost_emit(bike *, bool) {}
