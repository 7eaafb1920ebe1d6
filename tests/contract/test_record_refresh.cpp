// The start-up record refresh as the main window runs it, against a scripted
// loopback service.
#include <QAction>
#include <QMenu>
#include <QtTest>

#include "app/main_window_harness.h"
#include "fakes/scripted_server.h"
#include "net/tcp_socket.h"

using namespace qvestra;
using qvestra::testing::Harness;
using qvestra::testing::ScriptedServer;
using qvestra::testing::ServerStep;

class TestRecordRefresh : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void statusTable_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("userFile");
        QTest::addColumn<bool>("notContracted");
        QTest::addColumn<bool>("apply");
        QTest::addColumn<bool>("change");
        QTest::newRow("applicant") << QByteArray("USERID=A-0012|1\r\n")
                                   << QByteArray("A-0012|1\r\n") << true << true << false;
        QTest::newRow("applied") << QByteArray("USERID=A-0012|2") << QByteArray("A-0012|2\r\n")
                                 << true << false << false;
        QTest::newRow("contracted, any key")
            << QByteArray("KEY=A-0012|3") << QByteArray("A-0012|3\r\n") << false << false << true;
        QTest::newRow("no key: nothing changes")
            << QByteArray("A-0012|1") << QByteArray("A-0012|3\r\n") << false << false << false;
        QTest::newRow("no status: nothing changes")
            << QByteArray("USERID=A-0012") << QByteArray("A-0012|3\r\n") << false << false << false;
        QTest::newRow("error page of 100 bytes: nothing changes")
            << QByteArray(100, 'x') << QByteArray("A-0012|3\r\n") << false << false << false;
    }
    void statusTable() {
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, userFile);
        QFETCH(bool, notContracted);
        QFETCH(bool, apply);
        QFETCH(bool, change);
        // The probe, the record, and what mirroring asks for.
        ScriptedServer server({ServerStep::Send("HTTP/1.0 200 OK\r\n\r\n" + answer.toStdString())},
                              5);
        net::TcpSocketFactory sockets;
        Harness h(true, {}, {"127.0.0.1", server.Port()}, &sockets);
        h.WriteUserFile("A-0012|3\r\n");
        h.window->Load();
        std::ifstream in(h.folder / "qvuser.txt", std::ios::binary);
        QCOMPARE(QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {})),
                 userFile);
        QCOMPARE(h.program.NotContracted, notContracted);
        QCOMPARE(h.window->controls().Menu_F_Moshikomi->isEnabled(), apply);
        QCOMPARE(h.window->controls().Menu_E_Modify->menuAction()->isEnabled(), change);
        const QString requests = QString::fromStdString(server.Request());
        QVERIFY2(requests.startsWith("GET http://127.0.0.1:" + QString::number(server.Port()) +
                                     "/q_vestra/LOG_K/qvuser12.txt HTTP/1.0\r\n\r\n"),
                 "the record request has no Host line and names member number 12");
    }

    void cancelledContractRemovesEverythingBeforeTheWindowShows() {
        ScriptedServer server({ServerStep::Send("HTTP/1.0 200 OK\r\n\r\nK_CANCEL\r\n")}, 2);
        net::TcpSocketFactory sockets;
        Harness h(true, {}, {"127.0.0.1", server.Port()}, &sockets);
        h.WriteUserFile("A-12|3\r\n");
        std::ofstream(h.folder / "m01.pdf") << "document";
        h.window->Load();
        QVERIFY(!std::filesystem::exists(h.folder));
        QCOMPARE(h.programEnds, 1);
        QVERIFY(!h.window->isVisible());
        QVERIFY(h.View().navigated.isEmpty());
    }
};

QTEST_MAIN(TestRecordRefresh)
#include "test_record_refresh.moc"
