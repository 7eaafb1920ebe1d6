// Ending the program at any moment: a termination signal trips the abort
// switch without blocking or touching errno, reaches the event loop once,
// and ends every blocking wait that watches the switch.
#include <QtTest>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

#include "app/quit_on_signals.h"
#include "fakes/elapsed.h"
#include "fakes/scripted_server.h"
#include "net/abort_switch.h"
#include "net/sinks.h"
#include "net/tcp_socket.h"
#include "net/url_reader.h"

using namespace qvestra;
using qvestra::testing::ScriptedServer;
using qvestra::testing::ServerStep;
using qvestra::testing::Since;

namespace {

// Trips the switch a moment after it is made, from another thread, as a
// signal arriving during a wait would.
struct TripSoon {
    explicit TripSoon(const net::AbortSwitch& s)
        : thread([&s] {
              std::this_thread::sleep_for(std::chrono::milliseconds(200));
              s.Trip();
          }) {}
    ~TripSoon() { thread.join(); }
    std::thread thread;
};

}  // namespace

class TestTermination : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void signalsTripTheSwitchAndReachTheLoopOnce() {
        const net::AbortSwitch abort;
        int calls = 0;
        QObject context;
        EndOnTerminationSignals(abort, &context, [&] { ++calls; });
        for (int s : {SIGTERM, SIGINT, SIGHUP}) {
            errno = EDOM;
            QCOMPARE(::raise(s), 0);
            QCOMPARE(errno, EDOM);
        }
        QVERIFY(abort.Tripped());
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 2000);
        QTest::qWait(50);
        QCOMPARE(calls, 1);
    }

    // A host that keeps silent: an exchange, whether the switch trips before
    // the connection or during the wait for the reply, and a page read.
    void aTrippedSwitchEndsEveryWait() {
        for (const QString wait : {"exchange, tripped before", "exchange", "page read"}) {
            const net::AbortSwitch abort;
            if (wait.endsWith("before")) abort.Trip();
            ScriptedServer server(
                {ServerStep::Pause(2600), ServerStep::Send("HTTP/1.0 200 OK\r\n\r\nx")});
            net::TcpSocket socket(&abort);
            net::ShortAnswerSink sink;
            net::ExchangeState state;
            std::string page = "not read";
            const auto started = std::chrono::steady_clock::now();
            {
                TripSoon trip(abort);
                if (wait == "page read")
                    page = net::CurlUrlReader("qvestra", &abort).ReadAll(server.Address("/"));
                else
                    net::PlainGet(socket, {"127.0.0.1", server.Port()},
                                  {"GET / HTTP/1.0\r\n\r\n", 10}, sink, state);
            }
            QVERIFY2(Since(started).count() < 2000, qPrintable(wait));
            if (wait == "page read")
                QCOMPARE(page, std::string());
            else
                QCOMPARE(wait == "exchange" ? state.SockResult : state.ConnectResult,
                         int(net::kAborted));
        }
    }
};

QTEST_GUILESS_MAIN(TestTermination)
#include "test_termination.moc"
