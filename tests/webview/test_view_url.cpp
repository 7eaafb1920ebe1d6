// Where an address handed to the view leads.
#include <QtTest>

#include "webview/web_view.h"

using qvestra::webview::ViewUrl;

class TestViewUrl : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void viewUrl_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QUrl>("url");
        QTest::newRow("local copy on Linux")
            << "file:///home/m/qvestrafolder/A-12.html"
            << QUrl::fromLocalFile("/home/m/qvestrafolder/A-12.html");
        QTest::newRow("backslashes and slashes mixed")
            << "file:///home/m\\qvestrafolder/A-12.html"
            << QUrl::fromLocalFile("/home/m/qvestrafolder/A-12.html");
        QTest::newRow("Windows folder") << "file://C:\\qvestrafolder/A-12.html"
                                        << QUrl::fromLocalFile("C:/qvestrafolder/A-12.html");
        QTest::newRow("blank in a folder name")
            << "file:///home/m m/qvestrafolder/A-12.html"
            << QUrl::fromLocalFile("/home/m m/qvestrafolder/A-12.html");
        QTest::newRow("service page")
            << "http://svc.test/q_vestra/execute.asp?yuzaaidhi=A-12"
            << QUrl("http://svc.test/q_vestra/execute.asp?yuzaaidhi=A-12");
    }
    void viewUrl() {
        QFETCH(QString, address);
        QFETCH(QUrl, url);
        QCOMPARE(ViewUrl(address), url);
    }
};

QTEST_GUILESS_MAIN(TestViewUrl)
#include "test_view_url.moc"
