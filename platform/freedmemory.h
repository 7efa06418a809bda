#pragma once

namespace qel {

// Gives the memory the program freed back to the system. Reading a large
// file leaves many small blocks freed between the ones that stay (the text
// it was read from, the pieces it was read in); without this the process
// keeps their pages. Costs a few milliseconds for a million cards.
void ReturnFreedMemory();

// Large blocks (from 128 KB on) are always mapped on their own, so freeing
// one gives its memory straight back. (The C library's default raises that
// bound up to 32 MB after the first large block is freed; a million-card
// open then leaves its large temporary blocks in the heap as holes.) Called
// once at program start.
void KeepLargeBlocksApart();

} // namespace qel
