// The menu-page reader: local files in the main window's mixed form, pages
// from the service, and what a broken read leaves.
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "fakes/scripted_server.h"
#include "net/url_reader.h"

using namespace qvestra::net;
using qvestra::testing::ScriptedServer;
using qvestra::testing::ServerStep;

class TestUrlReader : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void readsALocalFileGivenWithMixedSeparators() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("q folder"));
        const std::string bytes = "Contents_VALUE\r\n\x82\xa0\r\n";
        std::ofstream(dir.path().toStdString() + "/q folder/A-12.html", std::ios::binary) << bytes;
        QString address =
            QStringLiteral("file://") + dir.path() + QStringLiteral("\\q folder/A-12.html");
        CurlUrlReader reader("qvestra");
        QCOMPARE(reader.ReadAll(address.toStdString()), bytes);
        QCOMPARE(reader.ReadAll("file:///no/such/folder/A-12.html"), std::string());
    }

    void fetchesAfreshWithTheProgramAsAgent() {
        ScriptedServer server({ServerStep::Send("HTTP/1.0 200 OK\r\n\r\npage")});
        CurlUrlReader reader("qvestra");
        const std::string address = "http://127.0.0.1:" + std::to_string(server.Port()) +
                                    "/q_vestra/execute.asp?yuzaaidhi=A-12";
        QCOMPARE(reader.ReadAll(address), std::string("page"));
        const QString request = QString::fromStdString(server.Request());
        QVERIFY(request.startsWith("GET /q_vestra/execute.asp?yuzaaidhi=A-12 HTTP/1.1\r\n"));
        QVERIFY(request.contains("\r\nUser-Agent: qvestra\r\n"));
        QVERIFY(request.contains("\r\nCache-Control: no-cache\r\n"));
    }

    void aBrokenReadKeepsWhatArrived_data() {
        QTest::addColumn<bool>("reset");
        QTest::newRow("closed before the announced end") << false;
        QTest::newRow("connection reset") << true;
    }
    void aBrokenReadKeepsWhatArrived() {
        QFETCH(bool, reset);
        ScriptedServer server(
            {ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nfirst half"),
             ServerStep::Pause(100), reset ? ServerStep::Reset() : ServerStep::Close()});
        CurlUrlReader reader("qvestra");
        QCOMPARE(reader.ReadAll("http://127.0.0.1:" + std::to_string(server.Port()) + "/"),
                 std::string("first half"));
    }

    // A service that moved its menu page is followed within http, never to
    // a local file.
    void redirects_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("page");
        QTest::newRow("to another http address") << "moved"
                                                 << "moved page";
        QTest::newRow("to a local file") << "file:///etc/hostname"
                                         << "";
    }
    void redirects() {
        QFETCH(QString, target);
        QFETCH(QString, page);
        ScriptedServer moved({ServerStep::Send("HTTP/1.0 200 OK\r\n\r\nmoved page")});
        const std::string location =
            target == "moved" ? "http://127.0.0.1:" + std::to_string(moved.Port()) + "/new"
                              : target.toStdString();
        ScriptedServer old({ServerStep::Send("HTTP/1.0 302 Found\r\nLocation: " + location +
                                             "\r\nContent-Length: 0\r\n\r\n")});
        CurlUrlReader reader("qvestra");
        QCOMPARE(QString::fromStdString(
                     reader.ReadAll("http://127.0.0.1:" + std::to_string(old.Port()) + "/old")),
                 page);
    }

    void aRedirectLoopIsGivenUp() {
        ScriptedServer loop({ServerStep::Send("HTTP/1.0 302 Found\r\nLocation: /again\r\n"
                                              "Content-Length: 0\r\n\r\n")},
                            10);
        CurlUrlReader reader("qvestra");
        QCOMPARE(reader.ReadAll("http://127.0.0.1:" + std::to_string(loop.Port()) + "/"),
                 std::string());
        QCOMPARE(loop.Connections(), 1 + int(CurlUrlReader::kMaxRedirects));
    }

    void anUnreachableHostReadsAsEmpty() {
        CurlUrlReader reader("qvestra");
        QCOMPARE(reader.ReadAll("http://127.0.0.1:" + std::to_string(ScriptedServer::ClosedPort()) +
                                "/"),
                 std::string());
    }
};

QTEST_GUILESS_MAIN(TestUrlReader)
#include "test_url_reader.moc"
