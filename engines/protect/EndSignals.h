#pragma once

#include <atomic>

namespace orvanel::engines {

// The signals that end an engine (SIGTERM, SIGINT, SIGHUP). Handlers and the signal mask
// are inherited through a spawn, so an engine sets them itself.

// Sets the returned flag when one arrives; the engine then ends its work cleanly.
const std::atomic<bool>& endOnSignals();

// Blocks them and answers a signalfd that becomes readable when one arrives, for
// engines that wait in poll.
int endSignalDescriptor();

} // namespace orvanel::engines
