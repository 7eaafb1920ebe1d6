// The exchange queue's contract, held alike by the program's threaded queue
// and by the step queue the window tests hand the windows, so the stand-in
// cannot drift from the real one: jobs run in order, a job's news comes
// before its end, a seal drops what waits and refuses what comes, a closed
// queue delivers nothing more.
#include "fakes/step_queue.h"
#include "fakes/support.h"

using namespace qvestra;
using namespace qvestra::testing;

namespace {

std::unique_ptr<ExchangeQueue> Make(bool threaded) {
    if (threaded) return std::make_unique<ThreadExchangeQueue>();
    return std::make_unique<StepQueue>();
}

}  // namespace

class TestExchangeQueue : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void contract_data() {
        Columns<bool>({"threaded"});
        Row("the program's queue", true);
        Row("the tests' step queue", false);
    }
    void contract() {
        const auto [threaded] = Fetch<bool>({"threaded"});
        const auto queue = Make(threaded);
        QStringList log;
        for (const QString job : {"a", "b"})
            queue->Run([&queue, job] { queue->Report([] {}); }, [&log, job] { log << job; });
        queue->Run([&queue, &log] { queue->Report([&log] { log << "news"; }); },
                   [&log] { log << "end"; });
        // A job that removed the data folder seals the queue: what waited
        // behind it and what comes after does not run.
        queue->Run([&queue] { queue->Seal(); });
        bool ranAfterSeal = false;
        queue->Run([&ranAfterSeal] { ranAfterSeal = true; });
        if (auto* steps = dynamic_cast<StepQueue*>(queue.get())) steps->Settle();
        QTRY_COMPARE_WITH_TIMEOUT(log, (QStringList{"a", "b", "news", "end"}), 10000);
        queue->Run([&ranAfterSeal] { ranAfterSeal = true; });
        QVERIFY(!ranAfterSeal);
        queue->Close();
        QVERIFY(queue->Closed());
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

    // Once closed, news and ends on their way are dropped: the windows they
    // would reach are going.
    void aClosedQueueDeliversNothing() {
        StepQueue queue;
        bool delivered = false;
        queue.Run([&queue, &delivered] { queue.Report([&delivered] { delivered = true; }); },
                  [&delivered] { delivered = true; });
        queue.Step();
        queue.Close();
        queue.Settle();
        QVERIFY(!delivered);
    }
};

QTEST_MAIN(TestExchangeQueue)
#include "test_exchange_queue.moc"
