// One program at a time per data folder, with its lock where only the
// member can write; a termination signal trips the abort switch without
// blocking or touching errno and reaches the event loop once.
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QUuid>
#include <cerrno>
#include <csignal>
#include "fakes/support.h"

#include "app/quit_on_signals.h"
#include "app/single_instance.h"
#include "net/abort_switch.h"

using namespace qvestra;
using Claim = qvestra::SingleInstance::Claim;
using qvestra::testing::Row;

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
        QVERIFY(first.LockFile().startsWith(folder.path() + u'/'));
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        SingleInstance second(key, folder.path());
        QCOMPARE(second.TryClaim(), Claim::kOtherRaised);
        QVERIFY(qvestra::ClaimRefusal(Claim::kOtherRaised, second.LockFile()).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 1, 3000);
        SingleInstance otherFolder(NewKey(), folder.path());
        QCOMPARE(otherFolder.TryClaim(), Claim::kFirst);
    }

    // Cases where the start cannot run tell the member why, naming the lock.
    void aStartThatCannotRunSaysWhy_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("claim");
        Row("lock held by a program that does not answer", "silent owner",
            int(Claim::kOtherSilent));
        Row("lock left by a program that died", "dead owner", int(Claim::kFirst));
        Row("folder where no lock can be made", "no folder", int(Claim::kUnavailable));
    }
    void aStartThatCannotRunSaysWhy() {
        QFETCH(QString, situation);
        QFETCH(int, claim);
        QTemporaryDir dir;
        const QString folder =
            situation == "no folder" ? QStringLiteral("/dev/null/x") : dir.path();
        const QString key = NewKey();
        SingleInstance probe(key, folder);
        QLockFile held(probe.LockFile());
        if (situation == "silent owner") QVERIFY(held.tryLock(0));
        if (situation == "dead owner") {
            QProcess gone;
            gone.start(QStringLiteral("true"));
            QVERIFY(gone.waitForStarted(5000));
            const qint64 pid = gone.processId();
            QVERIFY(gone.waitForFinished(5000));
            QFile file(probe.LockFile());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::number(pid) + "\nqvestra\n" +
                       QSysInfo::machineHostName().toUtf8() + "\n");
        }
        SingleInstance start(key, folder);
        QCOMPARE(int(start.TryClaim()), claim);
        const QString refusal = qvestra::ClaimRefusal(Claim(claim), start.LockFile());
        QCOMPARE(refusal.isEmpty(), claim == int(Claim::kFirst));
        if (!refusal.isEmpty()) QVERIFY(refusal.contains(start.LockFile()));
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
