// Zeroed allocation for the simulation's records. Allocation failure is fatal
// everywhere in the program: it is logged and the process exits with code 1.
#pragma once
#include <cstddef>

void *sim_calloc(size_t count, size_t size);
