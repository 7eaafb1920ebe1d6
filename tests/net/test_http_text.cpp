// Header-line rules of the plain exchange.
#include <QtTest>

#include "fakes/rows.h"
#include "net/http_text.h"

using namespace qvestra::net;
using qvestra::testing::Row;

class TestHttpText : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void announcedLength_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<qlonglong>("length");  // -1: nothing announced
        Row("plain", "Content-Length: 1234", 1234LL);
        Row("beyond 32 bits", "Content-Length: 5000000000", 5000000000LL);
        Row("text before the key", "X-Content-Length: 77", 77LL);
        Row("no blank after the colon", "Content-Length:88", 88LL);
        Row("trailing blank", "Content-Length: 9 ", 9LL);
        Row("lower case key is not the key", "content-length: 5", -1LL);
        Row("negative", "Content-Length: -5", -1LL);
        Row("number with tail", "Content-Length: 12abc", -1LL);
        Row("empty value", "Content-Length: ", -1LL);
        Row("overflows 64 bits", "Content-Length: 99999999999999999999", -1LL);
    }
    void announcedLength() {
        QFETCH(QString, line);
        QFETCH(qlonglong, length);
        QCOMPARE(AnnouncedLength(line.toStdString()).value_or(-1), length);
    }

    void statusCode_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("code");
        Row("1.1 not found", "HTTP/1.1 404 Not Found", 404);
        Row("no reason", "HTTP/1.1 204", 204);
        Row("not a status line", "USERID=A-12|1", 0);
        Row("garbage code", "HTTP/1.1 2x0 OK", 0);
    }
    void statusCode() {
        QFETCH(QString, line);
        QFETCH(int, code);
        QCOMPARE(StatusCodeOf(line.toStdString()), code);
    }
};

QTEST_GUILESS_MAIN(TestHttpText)
#include "test_http_text.moc"
