// The exchange queue's contract, held alike by the program's threaded queue
// and by the step queue the window tests hand the windows, so the stand-in
// cannot drift from the real one: jobs run in order, a job's news comes
// before its end, every job ends exactly once and says how, with its value
// whenever its work ran to its end, a seal ends what waits and what comes
// without running it, a cancel or a close ends the running job at once, and
// neither the end nor the news of a job reaches an owner that is gone.
#include <poll.h>

#include <thread>

#include "fakes/step_queue.h"
#include "fakes/support.h"

using namespace qvestra;
using namespace qvestra::core;
using namespace qvestra::testing;
using namespace Qt::StringLiterals;

// A job that waits for nothing but its cancel, as a stalled exchange does.
static int WaitForCancel(const AbortSwitch& cancel) {
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
            log_ << u"%1 %2 %3"_s.arg(job, QString::number(int(r.end)),
                                      r.value ? QString::number(*r.value) : u"-"_s);
        };
    }
    static constexpr auto Returns = [](int value) { return [value] { return value; }; };
    // A work that sends news, then returns value; a stalled one waits for its cancel first.
    auto Reporting(ExchangeQueue& queue, const QString& news, int value, bool stalled = false) {
        return [this, &queue, news, value, stalled](const AbortSwitch& cancel) {
            if (stalled) WaitForCancel(cancel);
            queue.Report([this, news] { log_ << news; });
            return value;
        };
    }

  private Q_SLOTS:
    void init() { log_.clear(); }

    void contract_data() {
        Columns<bool, Lane>();
        Row("the program's queue", true, Lane::kShort);
        Row("the tests' step queue", false, Lane::kTransfer);
    }
    void contract() {
        const auto [threaded, lane] = Fetch<bool, Lane>();
        StepQueue steps;
        ThreadExchangeQueue threads;
        ExchangeQueue& queue = threaded ? static_cast<ExchangeQueue&>(threads) : steps;
        const auto run = [&queue, this](Lane on, const QObject* owner, const char* name,
                                        auto work) { queue.Run(on, owner, work, Logs(name)); };
        auto gone = std::make_unique<QObject>();
        run(lane, this, "a", [] { return 1; });
        run(lane, this, "b", Reporting(queue, "news", 2));
        run(lane, this, "c", []() -> int { throw std::runtime_error("disk"); });
        // Neither the news nor the end of a job reaches an owner gone meanwhile.
        run(lane, gone.get(), "gone", Reporting(queue, "news of the gone", 3));
        gone.reset();
        // A job that removes the data folder seals the queue: what waited
        // behind it and what comes after, on either lane, ends cancelled
        // without running.
        run(lane, this, "d", [&queue](const AbortSwitch& own) { return queue.Seal(own) ? 4 : 0; });
        run(lane, this, "e", [] { return 5; });
        // The step queue runs what waits when told, the threaded one by itself.
        steps.Settle();
        QTRY_COMPARE_WITH_TIMEOUT(log_.size(), 6, 10000);
        run(Lane::kShort, this, "f", [] { return 6; });
        run(Lane::kTransfer, this, "g", [] { return 7; });
        steps.Settle();
        QTRY_COMPARE_WITH_TIMEOUT(log_.size(), 8, 10000);
        // The two lanes' ends come in either order.
        std::sort(log_.begin() + 6, log_.end());
        QCOMPARE(log_, (QStringList{"a 0 1", "news", "b 0 2", "c 1 -", "d 0 4", "e 2 -", "f 2 -",
                                    "g 2 -"}));
        QVERIFY(queue.Stop(std::chrono::seconds(10)));
    }

    // A short exchange never waits behind a transfer that stalls; the seal
    // of a short job cancels that transfer and waits for its end before
    // the folder goes. The cancelled transfer still tells what its work
    // did, and its news no longer comes.
    void lanesRunSideBySide() {
        ThreadExchangeQueue queue;
        queue.Run(Lane::kTransfer, this, Reporting(queue, "news of the cancelled", 7, true),
                  Logs("document"));
        queue.Run(Lane::kShort, this, Returns(1), Logs("poll"));
        QTRY_COMPARE_WITH_TIMEOUT(log_, QStringList{"poll 0 1"}, 10000);
        bool sealed = false;
        queue.Run(Lane::kShort, this,
                  [&queue, &sealed](const AbortSwitch& own) { sealed = queue.Seal(own); });
        QTRY_COMPARE_WITH_TIMEOUT(log_.size(), 2, 10000);
        QCOMPARE(log_.last(), "document 2 7");
        QTRY_VERIFY(sealed);
        QVERIFY(queue.Stop(std::chrono::seconds(10)));
    }

    // A stalled job ends at once when its owner cancels it or the program
    // closes the queue, and its end says so; after a close every end says
    // cancelled. A job that ignores its cancel holds the queue's stop no
    // longer than the bound its owner gives.
    void aRunningJobEndsByItsCancel() {
        ThreadExchangeQueue queue;
        std::atomic<bool> started = false, release = false;
        const JobHandle first = queue.Run(Lane::kTransfer, this, WaitForCancel, Logs("first"));
        queue.Run(Lane::kTransfer, this, WaitForCancel, Logs("second"));
        queue.Run(Lane::kTransfer, this, Returns(3), Logs("third"));
        queue.Run(Lane::kShort, this, [&started, &release] {
            started = true;
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        first.Cancel();
        QTRY_COMPARE_WITH_TIMEOUT(log_.size(), 1, 10000);
        QTRY_VERIFY(started);
        QVERIFY(!queue.Stop(std::chrono::milliseconds(1)));
        release = true;
        QVERIFY(queue.Stop(std::chrono::seconds(10)));
        queue.Run(Lane::kShort, this, Returns(4), Logs("after"));
        QTRY_COMPARE_WITH_TIMEOUT(log_.size(), 4, 10000);
        QCOMPARE(log_, (QStringList{"first 2 7", "second 2 7", "third 2 -", "after 2 -"}));
    }

    // A job the worker took just before the seal, and starts just after
    // it, does not run either: it would write into a removed folder. A job
    // whose work ended just before the close ends cancelled all the same
    // (its value still told), its news dropped: the program is ending.
    void aJobTakenBeforeTheSealDoesNotRun() {
        StepQueue queue;
        bool ran = false;
        queue.Run(Lane::kShort, this, Reporting(queue, "news", 1), Logs("ended"));
        queue.Run(Lane::kTransfer, this, [&ran] { ran = true; });
        QVERIFY(queue.Step(Lane::kShort));
        auto taken = queue.Take();
        queue.Seal(AbortSwitch());
        taken();
        QVERIFY(!ran);
        queue.Close();
        queue.Settle();
        QCOMPARE(log_, QStringList{"ended 2 1"});
    }
};

QTEST_MAIN(TestExchangeQueue)
#include "test_exchange_queue.moc"
