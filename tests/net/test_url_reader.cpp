// The menu-page reader: local files in the main window's mixed form, pages
// from the service, and what a broken read leaves.
#include <QTemporaryDir>
#include <QtTest>

#include "fakes/files.h"
#include "fakes/scripted_server.h"
#include "net/url_reader.h"

using namespace qvestra::net;
using qvestra::testing::ScriptedServer;
using S = qvestra::testing::ServerStep;

class TestUrlReader : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void readsALocalFileGivenWithMixedSeparators() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("q folder"));
        const std::string bytes = "Contents_VALUE\r\n\x82\xa0\r\n";
        qvestra::testing::WriteFile(dir.path().toStdString() + "/q folder/A-12.html", bytes);
        CurlUrlReader reader("qvestra");
        QCOMPARE(reader.ReadAll("file://" + dir.path().toStdString() + "\\q folder/A-12.html"),
                 bytes);
        QCOMPARE(reader.ReadAll("file:///no/such/folder/A-12.html"), std::string());
    }

    void fetchesAfreshWithTheProgramAsAgent() {
        ScriptedServer server("HTTP/1.0 200 OK\r\n\r\npage");
        CurlUrlReader reader("qvestra");
        QCOMPARE(reader.ReadAll(server.Address("/q_vestra/execute.asp?yuzaaidhi=A-12")), "page");
        const QString request = QString::fromStdString(server.Request());
        QVERIFY(request.startsWith("GET /q_vestra/execute.asp?yuzaaidhi=A-12 HTTP/1.1\r\n"));
        QVERIFY(request.contains("\r\nUser-Agent: qvestra\r\n"));
        QVERIFY(request.contains("\r\nCache-Control: no-cache\r\n"));
        QCOMPARE(reader.ReadAll(server.Address("/")), std::string());
    }

    void aBrokenReadKeepsWhatArrived() {
        for (const S& end : {S::Close(), S::Reset()}) {
            ScriptedServer server({S::Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nfirst"),
                                   S::Pause(100), end});
            QCOMPARE(CurlUrlReader("qvestra").ReadAll(server.Address("/")), "first");
        }
    }

    // A service that moved its menu page is followed within http, never to
    // a local file, and not round in circles.
    void redirects() {
        ScriptedServer moved("HTTP/1.0 200 OK\r\n\r\nmoved page");
        const auto found = [](const std::string& to) {
            return S::Send("HTTP/1.0 302 Found\r\nLocation: " + to +
                           "\r\nContent-Length: 0\r\n\r\n");
        };
        ScriptedServer toHttp({found(moved.Address("/new"))});
        ScriptedServer toFile({found("file:///etc/hostname")});
        ScriptedServer loop({found("/again")}, 10);
        CurlUrlReader reader("qvestra");
        QCOMPARE(reader.ReadAll(toHttp.Address("/old")), "moved page");
        QCOMPARE(reader.ReadAll(toFile.Address("/old")), std::string());
        QCOMPARE(reader.ReadAll(loop.Address("/")), std::string());
        QCOMPARE(loop.Connections(), 1 + int(CurlUrlReader::kMaxRedirects));
    }
};

QTEST_GUILESS_MAIN(TestUrlReader)
#include "test_url_reader.moc"
