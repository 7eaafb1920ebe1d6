// Where an address handed to the view leads.
#include <QtTest>

#include "fakes/rows.h"
#include "webview/web_view.h"

using qvestra::testing::Row;
using qvestra::webview::ViewUrl;

class TestViewUrl : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void viewUrl_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("file");  // empty: the address as it stands
        Row("local copy on Linux", "file:///home/m/qvestrafolder/A-12.html",
            "/home/m/qvestrafolder/A-12.html");
        Row("backslashes and slashes mixed", "file:///home/m\\qvestrafolder/A-12.html",
            "/home/m/qvestrafolder/A-12.html");
        Row("Windows folder", "file://C:\\qvestrafolder/A-12.html", "C:/qvestrafolder/A-12.html");
        Row("blank in a folder name", "file:///home/m m/q/A-12.html", "/home/m m/q/A-12.html");
        Row("service page", "http://svc.test/q_vestra/execute.asp?yuzaaidhi=A-12", "");
    }
    void viewUrl() {
        QFETCH(QString, address);
        QFETCH(QString, file);
        QCOMPARE(ViewUrl(address), file.isEmpty() ? QUrl(address) : QUrl::fromLocalFile(file));
    }
};

QTEST_GUILESS_MAIN(TestViewUrl)
#include "test_view_url.moc"
