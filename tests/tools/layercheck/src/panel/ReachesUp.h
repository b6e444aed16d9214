// The core reaching up into the pages.
#include "pages/Page.h"
#include "workspace/Table.h"
