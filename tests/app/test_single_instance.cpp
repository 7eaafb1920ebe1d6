// One program at a time per data folder, with its lock where only the
// member can write; a termination signal trips the abort switch without
// blocking or touching errno and reaches the event loop once.
#include <cerrno>
#include <csignal>
#include "fakes/support.h"

#include "app/quit_on_signals.h"
#include "app/single_instance.h"
#include "net/abort_switch.h"

using namespace qvestra;
using namespace qvestra::testing;
using Claim = qvestra::SingleInstance::Claim;
Q_DECLARE_METATYPE(Claim)

namespace {

QString NewKey() {
    return QStringLiteral("/home/test/qvestrafolder-") + QUuid::createUuid().toString();
}

}  // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void aSecondStartAsksTheFirstToComeForward() {
        QTemporaryDir folder;
        const QString key = NewKey();
        SingleInstance first(key, folder.path());
        QCOMPARE(first.TryClaim(), Claim::kFirst);
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        SingleInstance second(key, folder.path());
        QCOMPARE(second.TryClaim(), Claim::kOtherRaised);
        QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 1, 3000);
        SingleInstance otherFolder(NewKey(), folder.path());
        QCOMPARE(otherFolder.TryClaim(), Claim::kFirst);
    }

    // Cases where the start cannot run tell the member why, naming the lock. A
    // process ID beyond the largest the kernel hands out never runs.
    void aStartThatCannotRunSaysWhy_data() {
        Columns<Claim>({"claim"});
        Row("an owner that does not answer", Claim::kOtherSilent);
        Row("an owner that died", Claim::kFirst);
        Row("no folder for the lock", Claim::kUnavailable);
    }
    void aStartThatCannotRunSaysWhy() {
        const auto [claim] = Fetch<Claim>({"claim"});
        QTemporaryDir dir;
        const QString folder = claim == Claim::kUnavailable ? "/dev/null/x" : dir.path();
        const QString key = NewKey();
        QLockFile held(SingleInstance(key, folder).LockFile());
        if (claim == Claim::kOtherSilent) QVERIFY(held.tryLock(0));
        if (claim == Claim::kFirst) {
            QFile file(held.fileName());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("4194305\nqvestra\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        }
        SingleInstance start(key, folder);
        QCOMPARE(start.TryClaim(), claim);
        const QString refusal = ClaimRefusal(claim, start.LockFile());
        QCOMPARE(refusal.isEmpty(), claim == Claim::kFirst);
        QVERIFY(refusal.isEmpty() || refusal.contains(start.LockFile()));
    }

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
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
