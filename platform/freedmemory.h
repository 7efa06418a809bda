#pragma once

namespace qel {

// Gives the memory the program freed back to the system. Reading a large
// file leaves many small blocks freed between the ones that stay (the text
// it was read from, the pieces it was read in); without this the process
// keeps their pages. Costs a few milliseconds for a million cards.
void ReturnFreedMemory();

} // namespace qel
