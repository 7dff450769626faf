// Seeking the played demo by whole seconds (rewind and skip keys): by
// positioning the stream, or with "--accurate-skip" forwards by running
// whole game ticks. Only while a demo is played, nothing is recorded and
// every occupied slot is a replayed bike; a seek the stream can't reach
// changes nothing. The other playback calls live in replay/demo.h.
#pragma once
#include "replay/demo.h"

void demo_seek_seconds(double seconds);
