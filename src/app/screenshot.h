// Screenshots into the personal folder.
#pragma once

void take_screenshot();

// Builds the video mode list into the "Video Mode" choices (start-up step 5).
void video_modes_build();
