#include "toolbars/core/tbroutines.h"

#include <cstdint>
#include <limits>

namespace qel::toolbars {

int DivideRoundingOut(int a, int b) {
  if (b == 0)
    return 0;
  const std::int64_t num = a, den = b;
  std::int64_t q = num / den;
  if (num % den != 0)
    q += ((num < 0) != (den < 0)) ? -1 : 1;
  if (q > std::numeric_limits<int>::max())
    return std::numeric_limits<int>::max();
  if (q < std::numeric_limits<int>::min())
    return std::numeric_limits<int>::min();
  return int(q);
}

} // namespace qel::toolbars
