#pragma once

#include <QStringList>

namespace qvestra::webengine {

// The engine's switches are the program's, never its environment's: the
// variables through which the web engine takes more switches, opens a
// debugging interface, turns its sandbox off or loads its parts from
// elsewhere are removed, and the program sets its own: peer connections
// send no UDP that does not go through a proxy, the sandbox is off only
// for root, where the engine cannot run with it, and the pages are open to
// screen readers. To be called before the
// application object exists. What was removed is returned, for the log.
//
// A developer's build (QVESTRA_ENGINE_SWITCHES_FROM_ENVIRONMENT) keeps the
// switches and the debugging port the environment names; a release never
// sets it.
QStringList FixEngineEnvironment();

}  // namespace qvestra::webengine
