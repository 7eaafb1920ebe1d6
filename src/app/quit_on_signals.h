#pragma once

class QCoreApplication;

namespace qvestra {

// SIGTERM, SIGINT and SIGHUP (a session that logs out, a service manager)
// end the program through its event loop, so windows close and Qt WebEngine
// shuts down in order instead of dying mid-write.
void QuitOnTerminationSignals(QCoreApplication& app);

}  // namespace qvestra
