#include "platform/freedmemory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace qel {

void ReturnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

} // namespace qel
