#pragma once

namespace orvanel::platform {

// Hands the free pages inside the heap back to the system. The resident panel frees the
// controls of every page it tears down, but the heap keeps the pages they stood on until
// it is told otherwise. Answers whether any memory went back.
bool releaseFreeHeap();

} // namespace orvanel::platform
