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

    void aTrippedSwitchEndsAnExchangeAtOnce_data() {
        QTest::addColumn<bool>("trippedBefore");
        QTest::newRow("tripped during the wait for the reply") << false;
        QTest::newRow("tripped before the connection") << true;
    }
    void aTrippedSwitchEndsAnExchangeAtOnce() {
        QFETCH(bool, trippedBefore);
        const net::AbortSwitch abort;
        if (trippedBefore) abort.Trip();
        ScriptedServer server(
            {ServerStep::Pause(2600), ServerStep::Send("HTTP/1.0 200 OK\r\n\r\nx")});
        net::TcpSocket socket(&abort);
        net::ShortAnswerSink sink;
        net::ExchangeState state;
        const auto started = std::chrono::steady_clock::now();
        {
            TripSoon trip(abort);
            net::PlainGet(socket, {"127.0.0.1", server.Port()}, {"GET / HTTP/1.0\r\n\r\n", 10},
                          sink, state);
        }
        QCOMPARE(trippedBefore ? state.ConnectResult : state.SockResult, int(net::kAborted));
        QVERIFY2(Since(started).count() < 2000,
                 "the exchange went on after the switch was tripped");
    }

    void aTrippedSwitchEndsAPageRead() {
        const net::AbortSwitch abort;
        ScriptedServer server(
            {ServerStep::Pause(2600), ServerStep::Send("HTTP/1.0 200 OK\r\n\r\nx")});
        net::CurlUrlReader reader("qvestra", &abort);
        const auto started = std::chrono::steady_clock::now();
        std::string page;
        {
            TripSoon trip(abort);
            page = reader.ReadAll("http://127.0.0.1:" + std::to_string(server.Port()) + "/");
        }
        QCOMPARE(page, std::string());
        QVERIFY2(Since(started).count() < 2500, "the read went on after the switch was tripped");
    }
};

QTEST_GUILESS_MAIN(TestTermination)
#include "test_termination.moc"
