#include "webengine/engine_environment.h"

#include <QByteArray>

#include <unistd.h>

namespace qvestra::webengine {

namespace {

constexpr bool kSwitchesFromEnvironment = QVESTRA_ENGINE_SWITCHES_FROM_ENVIRONMENT;
const char* const kSwitches = "QTWEBENGINE_CHROMIUM_FLAGS";
const char* const kDebugging = "QTWEBENGINE_REMOTE_DEBUGGING";
// Measured: with it, a service page's peer connection sends nothing to its
// STUN server (tests/webview/test_web_views.cpp).
const QByteArray kProgramSwitches = "--force-webrtc-ip-handling-policy=disable_non_proxied_udp";

// What the engine reads from the environment, by the names in its library.
const char* const kEngineVariables[] = {
    kSwitches,
    kDebugging,
    "QTWEBENGINE_DISABLE_SANDBOX",
    "QTWEBENGINEPROCESS_PATH",
    "QTWEBENGINE_RESOURCES_PATH",
    "QTWEBENGINE_LOCALES_PATH",
    "QTWEBENGINE_DICTIONARIES_PATH",
    "QTWEBENGINE_DISABLE_GPU_THREAD",
};

}  // namespace

QStringList FixEngineEnvironment() {
    const QByteArray developerSwitches = qgetenv(kSwitches);
    QStringList removed;
    for (const char* name : kEngineVariables) {
        if (kSwitchesFromEnvironment && QByteArrayView(name) == kDebugging) continue;
        if (!qEnvironmentVariableIsSet(name)) continue;
        removed << QString::fromLatin1(name);
        qunsetenv(name);
    }
    qputenv(kSwitches, kSwitchesFromEnvironment && !developerSwitches.isEmpty()
                           ? kProgramSwitches + ' ' + developerSwitches
                           : kProgramSwitches);
    if (::geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Screen readers read the pages too, not just the windows around them.
    qputenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1");
    return removed;
}

}  // namespace qvestra::webengine
