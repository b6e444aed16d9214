// A page that names a Linux class instead of its interface.
#include "platform/linux/ProgramLookup.h"
#include "platform/ProgramCheck.h"
