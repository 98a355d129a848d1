#pragma once
// How a long load (an allocation table, a catalog) tells its host how far it
// has come, and learns that the user wants to stop.
#include <cstdint>
#include <functional>

// Called with the work done of the whole; answers false to stop the load.
// An empty function lets the load run to its end unobserved.
using LoadProgress = std::function<bool(uint64_t done, uint64_t total)>;
