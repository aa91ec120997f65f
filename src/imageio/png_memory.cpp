// Large-block allocation with the pages populated up front (Linux madvise).
#include "imageio/png_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace imageio {

void PopulateForWriting(void* block, size_t written) {
#ifdef MADV_POPULATE_WRITE
  constexpr size_t POPULATE_FROM = size_t{1} << 20;
  if (block != nullptr && written >= POPULATE_FROM) {
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t start = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + written) & ~(page - 1);
    // Memory the heap hands out again is still mapped: when the last page is,
    // the walk would find nothing to do. A failure of either call only means
    // the pages fault in one by one as usual.
    unsigned char resident = 0;
    if (end > start && (mincore(reinterpret_cast<void*>(end - page), page, &resident) != 0 ||
                        (resident & 1) == 0)) {
      madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
    }
  }
#else
  (void)block;
  (void)written;
#endif
}

void* AllocateForWriting(size_t size, size_t written) {
  void* block = std::malloc(size);
  if (written <= size) PopulateForWriting(block, written);
  return block;
}

}  // namespace imageio
