#pragma once

#include "workspace/DuplicateRecord.h"

namespace orvanel::engines {

// The record of step 1 is shared with the folder search page.
using orvanel::DuplicateRecord;
using orvanel::RecordedFile;
using orvanel::recordFromText;
using orvanel::recordText;

} // namespace orvanel::engines
