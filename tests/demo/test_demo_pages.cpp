// The demo's menu page is what the client's tests and members see first: it
// must survive the trip through Shift-JIS and carry a well-formed list.
#include <QStringDecoder>
#include <QtTest>

#include "demo_data.h"
#include "pages.h"
#include "shift_jis.h"

using namespace qvestra::demo;

class TestDemoPages : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void menuPageRoundTripsThroughShiftJis() {
        const DemoData data = BuiltInData();
        const std::string utf8 = MenuPage(data, data.members.front());
        const std::string sjis = ToShiftJis(utf8);
        QStringDecoder decoder("windows-31j");
        QVERIFY(decoder.isValid());
        const QString decoded = decoder.decode(QByteArray::fromStdString(sjis));
        QVERIFY(!decoder.hasError());
        QCOMPARE(decoded, QString::fromStdString(utf8));
    }

    void contentListFollowsTheMarkerAndEnds() {
        const DemoData data = BuiltInData();
        const QString page = QString::fromStdString(MenuPage(data, data.members.front()));
        const auto marker = page.indexOf(QStringLiteral("Contents_VALUE\r\n"));
        QVERIFY(marker >= 0);
        const QStringList lines = page.mid(marker + 16).split(QStringLiteral("\r\n"));
        QStringList kinds;
        for (const QString& line : lines) {
            if (line.contains(QStringLiteral("Contents_End"))) break;
            const QStringList fields = line.split(u';');
            QCOMPARE(fields.size(), 3);
            kinds << fields[0];
            if (fields[0] != u"Main")
                QVERIFY(fields[2].startsWith(QStringLiteral("/qv_contents/")));
        }
        QCOMPARE(kinds, (QStringList{"Main", "Sub", "Sub", "Main", "Sub"}));
    }

    void textOutsideShiftJisIsRefused() {
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ToShiftJis("\xF0\x9F\x98\x80"));
    }
};

QTEST_GUILESS_MAIN(TestDemoPages)
#include "test_demo_pages.moc"
