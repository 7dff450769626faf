#include "app/screenshot.h"

void take_screenshot() {}
void video_modes_build() {}
