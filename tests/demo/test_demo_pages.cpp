// The demo's menu page is what the client's tests and members see first: it
// must survive the trip through Shift-JIS and carry a well-formed list.
#include <QStringDecoder>
#include <QtTest>

#include "demo_data.h"
#include "pages.h"
#include "pdf.h"
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
        QCOMPARE(kinds, (QStringList{"Main", "Sub", "Sub", "Main", "Sub", "Sub", "Cont"}));
    }

    // A viewer refuses a PDF whose cross-reference table points elsewhere.
    void documentsAreWellFormedPdf() {
        const std::string pdf = MakePdf({"QVestra", "Lesson (1)"});
        QVERIFY(pdf.starts_with("%PDF-1.4\n"));
        QVERIFY(pdf.ends_with("%%EOF\n"));
        const auto startxref = pdf.rfind("startxref\n");
        const std::size_t xref = std::stoul(pdf.substr(startxref + 10));
        QCOMPARE(pdf.substr(xref, 5), std::string("xref\n"));
        for (int object = 1; object <= 5; ++object) {
            const std::size_t entry = xref + 5 + 4 + 20 * object;  // "0 6\n", then 20-byte rows
            const std::size_t offset = std::stoul(pdf.substr(entry, 10));
            QCOMPARE(pdf.substr(offset, 8), std::to_string(object) + " 0 obj\n");
        }
    }
};

QTEST_GUILESS_MAIN(TestDemoPages)
#include "test_demo_pages.moc"
