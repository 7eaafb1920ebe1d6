// One program at a time per data folder.
#include <QSignalSpy>
#include <QUuid>
#include <QtTest>

#include "app/single_instance.h"

using qvestra::SingleInstance;

class TestSingleInstance : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void aSecondStartAsksTheFirstToComeForward() {
        const QString key =
            QStringLiteral("/home/test/qvestrafolder-") + QUuid::createUuid().toString();
        SingleInstance first(key);
        QVERIFY(first.Claim());
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        SingleInstance second(key);
        QVERIFY(!second.Claim());
        QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 1, 3000);
    }

    void anotherDataFolderIsAnotherProgram() {
        SingleInstance a(QStringLiteral("/home/a/qvestrafolder-") + QUuid::createUuid().toString());
        SingleInstance b(QStringLiteral("/home/b/qvestrafolder-") + QUuid::createUuid().toString());
        QVERIFY(a.Claim());
        QVERIFY(b.Claim());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
