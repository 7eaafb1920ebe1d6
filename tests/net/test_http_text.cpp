// Header-line rules of the plain exchange.
#include <QtTest>

#include "net/http_text.h"

using namespace qvestra::net;

class TestHttpText : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void announcedLength_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<qlonglong>("length");  // -1: nothing announced
        QTest::newRow("plain") << "Content-Length: 1234" << 1234LL;
        QTest::newRow("zero") << "Content-Length: 0" << 0LL;
        QTest::newRow("beyond 32 bits") << "Content-Length: 5000000000" << 5000000000LL;
        QTest::newRow("text before the key") << "X-Content-Length: 77" << 77LL;
        QTest::newRow("no blank after the colon") << "Content-Length:88" << 88LL;
        QTest::newRow("trailing blank") << "Content-Length: 9 " << 9LL;
        QTest::newRow("lower case key is not the key") << "content-length: 5" << -1LL;
        QTest::newRow("negative") << "Content-Length: -5" << -1LL;
        QTest::newRow("not a number") << "Content-Length: abc" << -1LL;
        QTest::newRow("number with tail") << "Content-Length: 12abc" << -1LL;
        QTest::newRow("empty value") << "Content-Length: " << -1LL;
        QTest::newRow("overflows 64 bits") << "Content-Length: 99999999999999999999" << -1LL;
        QTest::newRow("other header") << "Content-Type: text/html" << -1LL;
    }
    void announcedLength() {
        QFETCH(QString, line);
        QFETCH(qlonglong, length);
        const auto got = AnnouncedLength(line.toStdString());
        QCOMPARE(got.has_value(), length >= 0);
        if (got) QCOMPARE(static_cast<qlonglong>(*got), length);
    }

    void statusCode_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("code");
        QTest::newRow("1.0 ok") << "HTTP/1.0 200 OK" << 200;
        QTest::newRow("1.1 not found") << "HTTP/1.1 404 Not Found" << 404;
        QTest::newRow("no reason") << "HTTP/1.1 204" << 204;
        QTest::newRow("not a status line") << "USERID=A-12|1" << 0;
        QTest::newRow("garbage code") << "HTTP/1.1 2x0 OK" << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void statusCode() {
        QFETCH(QString, line);
        QFETCH(int, code);
        QCOMPARE(StatusCodeOf(line.toStdString()), code);
    }
};

QTEST_GUILESS_MAIN(TestHttpText)
#include "test_http_text.moc"
