#include "app/startup.h"

extern const char RELEASE_DIGEST[];

int main(int argc, char **argv) { return program_main(argc, argv, RELEASE_DIGEST); }
