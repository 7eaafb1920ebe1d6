// The exchange queue's contract, held alike by the program's threaded queue
// and by the step queue the window tests hand the windows, so the stand-in
// cannot drift from the real one: jobs run in order, a job's news comes
// before its end, every job ends exactly once and says how, a seal ends
// what waits and what comes without running it, a cancel or a close ends
// the running job at once.
#include <poll.h>

#include <thread>

#include "fakes/step_queue.h"
#include "fakes/support.h"

using namespace qvestra;
using namespace qvestra::testing;
using namespace Qt::StringLiterals;

// A job that waits for nothing but its cancel, as a stalled exchange does.
static int WaitForCancel(const net::AbortSwitch& cancel) {
    pollfd p{cancel.Fd(), POLLIN, 0};
    ::poll(&p, 1, 60000);
    return 7;
}

class TestExchangeQueue : public QObject {
    Q_OBJECT

    QStringList log_;
    // Each end writes its job's name, how it ended and the value it carried.
    auto Logs(const QString& job) {
        return [this, job](const auto& r) {
            log_ << u"%1 %2 %3"_s.arg(job).arg(int(r.end)).arg(r.value);
        };
    }

  private Q_SLOTS:
    void init() { log_.clear(); }

    void contract_data() {
        Columns<bool>();
        Row("the program's queue", true);
        Row("the tests' step queue", false);
    }
    void contract() {
        const auto [threaded] = Fetch<bool>();
        const std::unique_ptr<ExchangeQueue> queue(
            threaded ? static_cast<ExchangeQueue*>(new ThreadExchangeQueue) : new StepQueue);
        queue->Run([] { return 1; }, Logs("a"));
        queue->Run(
            [this, &queue] {
                queue->Report([this] { log_ << "news"; });
                return 2;
            },
            Logs("b"));
        queue->Run([]() -> int { throw std::runtime_error("disk"); }, Logs("c"));
        // A job that removed the data folder seals the queue: what waited
        // behind it and what comes after ends cancelled without running.
        queue->Run(
            [&queue] {
                queue->Seal();
                return 4;
            },
            Logs("d"));
        queue->Run([] { return 5; }, Logs("e"));
        if (!threaded) static_cast<StepQueue&>(*queue).Settle();
        QTRY_COMPARE_WITH_TIMEOUT(log_.size(), 6, 10000);
        QCOMPARE(log_, (QStringList{"a 0 1", "news", "b 0 2", "c 1 0", "d 0 4", "e 2 0"}));
        QVERIFY(queue->Stop(std::chrono::seconds(10)));
    }

    // A stalled job ends at once when its owner cancels it or the program
    // closes the queue, and its end says so whatever it returned; after a
    // close every end says cancelled.
    void aRunningJobEndsByItsCancel() {
        ThreadExchangeQueue queue;
        const JobHandle first = queue.Run(WaitForCancel, Logs("first"));
        queue.Run(WaitForCancel, Logs("second"));
        queue.Run([] { return 3; }, Logs("third"));
        first.Cancel();
        QTRY_COMPARE_WITH_TIMEOUT(log_.size(), 1, 10000);
        queue.Close();
        QVERIFY(queue.Stop(std::chrono::seconds(10)));
        queue.Run([] { return 4; }, Logs("after"));
        QTRY_COMPARE_WITH_TIMEOUT(log_.size(), 4, 10000);
        QCOMPARE(log_, (QStringList{"first 2 7", "second 2 7", "third 2 0", "after 2 0"}));
    }

    // A job that ignores its cancel holds the queue's stop no longer than
    // the bound its owner gives.
    void aStopIsBounded() {
        ThreadExchangeQueue queue;
        std::atomic<bool> started = false, release = false;
        queue.Run([&started, &release] {
            started = true;
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        QTRY_VERIFY(started);
        QVERIFY(!queue.Stop(std::chrono::milliseconds(1)));
        release = true;
        QVERIFY(queue.Stop(std::chrono::seconds(10)));
    }

    // A job the worker took just before the seal, and starts just after
    // it, does not run either: it would write into a removed folder.
    void aJobTakenBeforeTheSealDoesNotRun() {
        StepQueue queue;
        bool ran = false;
        queue.Run([&ran] { ran = true; });
        auto taken = queue.Take();
        queue.Seal();
        taken();
        QVERIFY(!ran);
    }
};

QTEST_MAIN(TestExchangeQueue)
#include "test_exchange_queue.moc"
