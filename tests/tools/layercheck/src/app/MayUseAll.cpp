// The program's start may wire everything in.
#include "pages/Page.h"
#include "platform/linux/ProgramLookup.h"
