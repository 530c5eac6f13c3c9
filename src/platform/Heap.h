#pragma once

namespace hl {

// Limits the C heap to `arenas` arenas. Set at start-up, before any thread is made: with one
// arena per thread, memory that one worker frees stays in its arena and the next worker's
// rows take fresh pages, so the window's resident size climbs refresh after refresh.
void LimitHeapArenas(int arenas);

// Gives the heap's free pages back to the system; done after a large block of rows was freed.
void ReleaseFreeHeap();

} // namespace hl
