// For a process that closes large plants: a statement over a large table
// allocates and frees its working rows (new values, undo records) by the
// million, and the allocator's defaults hand such memory back to the system at
// each free only to fault it in again for the next statement.  A tool that
// runs the close keeps it for reuse instead, by calling this first thing in its
// main.  The library never sets it: the allocator belongs to its host.
#pragma once

#include <malloc.h>

namespace mls::close {

inline void keepFreedMemory() {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);   // blocks up to 32 MB come from the heap
  mallopt(M_TRIM_THRESHOLD, 256 << 20);  // which is trimmed only past 256 MB free
}

}  // namespace mls::close
