#include "platform/linux/FreeHeap.h"

#include <cstdlib> // defines __GLIBC__ on the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace orvanel::platform {

bool releaseFreeHeap()
{
#if defined(__GLIBC__)
    return malloc_trim(0) == 1;
#else
    return false;
#endif
}

} // namespace orvanel::platform
