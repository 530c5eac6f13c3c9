#pragma once

#include <mutex>

namespace hl {

// The two process-wide locks. A refresh worker holds the refresh lock for its whole run, a
// close worker the close lock; the two do not exclude each other, and the UI thread takes
// neither. Both exist for the whole life of the process: they are constant-initialised, so
// they are ready before any code runs, and never torn down under a worker that still runs.
std::mutex& RefreshLock();
std::mutex& CloseLock();

} // namespace hl
