#include "platform/freedmemory.h"

#include <cstdlib>  // defines __GLIBC__ under the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace qel {

void ReturnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

void KeepLargeBlocksApart() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

} // namespace qel
