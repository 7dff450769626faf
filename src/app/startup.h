// Program entry: start-up in its fixed order, the main loop, and shutdown in
// its fixed order. Returns the process exit code.
#pragma once

int program_main(int argc, char **argv, const char *release_digest);
