#include "workers/Locks.h"

#include <type_traits>

namespace hl {
namespace {

// Workers are detached and may still be ending while the process exits; a lock without a
// destructor cannot be destroyed under them.
static_assert(std::is_trivially_destructible_v<std::mutex>,
              "the worker locks must outlive every worker");

constinit std::mutex g_refreshLock;
constinit std::mutex g_closeLock;

} // namespace

std::mutex& RefreshLock() {
    return g_refreshLock;
}
std::mutex& CloseLock() {
    return g_closeLock;
}

} // namespace hl
