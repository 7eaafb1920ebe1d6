#pragma once

#include <functional>

class QObject;

namespace qvestra {

namespace net {
class AbortSwitch;
}

// SIGTERM, SIGINT and SIGHUP (a session that logs out, a service manager, a
// Ctrl+C) trip abort, so every blocking wait that watches it ends at once,
// and run onSignal once from the event loop, a download's turn included, so
// windows close and Qt WebEngine shuts down in order instead of dying
// mid-write. abort must outlive the program's signal handling.
void EndOnTerminationSignals(const net::AbortSwitch& abort, QObject* context,
                             std::function<void()> onSignal);

}  // namespace qvestra
