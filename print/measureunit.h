#pragma once
// The unit printing lengths are read in: the rich printer's and the page
// state the program remembers for it.

namespace qel {

enum TMeasureUnit { muMillimeters = 0, muInches = 1 };

} // namespace qel
