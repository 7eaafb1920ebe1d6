#pragma once

#include <functional>

class QObject;

namespace qvestra {

namespace core {
class AbortSwitch;
}

// SIGTERM, SIGINT and SIGHUP (a session that logs out, a service manager, a
// Ctrl+C) trip abort, all a signal handler may safely do, and so run
// onSignal once from the event loop, which the window's thread never leaves
// for long: the windows close, the exchange queue cancels its running job,
// and Qt WebEngine shuts down in order instead of dying mid-write. abort
// must outlive the program's signal handling.
void EndOnTerminationSignals(const core::AbortSwitch& abort, QObject* context,
                             std::function<void()> onSignal);

}  // namespace qvestra
