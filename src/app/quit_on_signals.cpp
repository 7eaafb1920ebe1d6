#include "app/quit_on_signals.h"

#include <QObject>
#include <QSocketNotifier>
#include <csignal>

#include "core/abort_switch.h"

namespace qvestra {

namespace {

const core::AbortSwitch* g_abort = nullptr;

// Only async-signal-safe work here; Trip neither blocks nor changes errno.
void OnSignal(int) { g_abort->Trip(); }

}  // namespace

void EndOnTerminationSignals(const core::AbortSwitch& abort, QObject* context,
                             std::function<void()> onSignal) {
    g_abort = &abort;
    // The switch stays readable once tripped, so the notifier goes quiet
    // after its first call.
    auto* notifier = new QSocketNotifier(abort.Fd(), QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [notifier, onSignal = std::move(onSignal)] {
                         notifier->setEnabled(false);
                         onSignal();
                     });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(s, &action, nullptr);
}

}  // namespace qvestra
