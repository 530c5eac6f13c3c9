#include "platform/Heap.h"

#include <malloc.h>

namespace hl {

void LimitHeapArenas(int arenas) {
    if (arenas > 0) {
        ::mallopt(M_ARENA_MAX, arenas);
    }
}

void ReleaseFreeHeap() {
    ::malloc_trim(0);
}

} // namespace hl
