// The contract commands and their status polls against a scripted service
// that answers every request with the same status file.
#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QtTest>

#include "app/main_window_harness.h"
#include "fakes/files.h"
#include "fakes/scripted_server.h"
#include "mirror/frm_cond.h"
#include "net/tcp_socket.h"

using namespace qvestra;
using qvestra::testing::Harness;
using qvestra::testing::ReadFile;
using qvestra::testing::ScriptedServer;
using qvestra::testing::ServerStep;

namespace {

// A member (an applicant unless told), started online; every request is
// answered with status.
struct Started {
    explicit Started(const std::string& status, const std::string& record = "A-12|1\r\n")
        : server({ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Length: " +
                                   std::to_string(status.size()) + "\r\n\r\n" + status)},
                 16),
          h(true, {}, {"127.0.0.1", server.Port()}, &sockets) {
        h.WriteUserFile(record);
        h.window->Load();
    }
    QString Address(const QString& pathAndQuery) const {
        return "http://127.0.0.1:" + QString::number(server.Port()) + pathAndQuery;
    }
    ScriptedServer server;
    net::TcpSocketFactory sockets;
    Harness h;
};

}  // namespace

class TestRequestPolls : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void commandsOpenTheirPages_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("interval");
        QTest::newRow("application")
            << 0 << "/q_vestra/Mousikomi_inp1.asp?yuzaaidhi=A-12&P=s&K=hm&TSMP=14-05-07" << 1000;
        QTest::newRow("basic information")
            << 1 << "/q_vestra/mousikomi_inp1.asp?yuzaaidhi=A-12&P=h&K=hm&TSMP=14-05-07" << 2000;
        QTest::newRow("contents") << 2 << "/q_vestra/KHenko.asp?yuzaaidhi=A-12&TSMP=14-05-07"
                                  << 2000;
    }
    void commandsOpenTheirPages() {
        QFETCH(int, command);
        QFETCH(QString, page);
        QFETCH(int, interval);
        Started s("EXEC14-05-07");
        const auto& ui = s.h.window->controls();
        s.h.window->controls().Frame3->show();
        if (command == 0) s.h.window->Menu_F_Moshikomi_Click();
        if (command == 1) s.h.window->Menu_E_Base_Click();
        if (command == 2) s.h.window->Menu_E_Cont_Click();
        QCOMPARE(s.h.View().navigated.last(), s.Address(page));
        QVERIFY(ui.Frame1->isEnabled());
        QVERIFY(!ui.Frame2->isVisibleTo(s.h.window.get()));
        QVERIFY2(ui.Frame3->isVisibleTo(s.h.window.get()), "the detail panel is not touched");
        QCOMPARE(s.h.window->layout().Of(ui.Frame1).height, 11520.f - 2000);
        QTimer* timer = command == 0 ? ui.Timer_Mousikomi : ui.Timer_KHen;
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), interval);
    }

    void changePoll_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("final");
        QTest::addColumn<bool>("changeAllowed");  // 契約変更 enabled: the panels are rebuilt
        QTest::newRow("END with the stamp") << "END14-05-07" << true << false;
        QTest::newRow("END, contract change allowed") << "END14-05-07" << true << true;
        QTest::newRow("CANCEL with the stamp") << "CANCEL14-05-07" << true << false;
        QTest::newRow("first field before a comma") << "END14-05-07,other" << true << false;
        QTest::newRow("END with another stamp") << "END09-00-00" << false << true;
        QTest::newRow("EXEC") << "EXEC14-05-07" << false << false;
        QTest::newRow("K_CANCEL is not a change status") << "K_CANCEL14-05-07" << false << false;
    }
    void changePoll() {
        QFETCH(QString, status);
        QFETCH(bool, final);
        QFETCH(bool, changeAllowed);
        Started s(status.toStdString());
        s.h.urls.pages[s.Address("/q_vestra/execute.asp?yuzaaidhi=A-12").toStdString()] =
            "Contents_VALUE\r\nMain;A\r\nContents_End\r\n";
        const auto& ui = s.h.window->controls();
        ui.Menu_E_Modify->menuAction()->setEnabled(changeAllowed);
        s.h.program.OnlineMode = false;
        const std::size_t reads = s.h.urls.reads.size();
        s.h.window->Menu_E_Cont_Click();
        QCOMPARE(s.h.urls.reads.size() - reads, std::size_t(final && changeAllowed ? 1 : 0));
        QCOMPARE(s.h.program.OnlineMode, final && changeAllowed);
        QCOMPARE(ui.Timer_KHen->isActive(), !final);
        QCOMPARE(s.h.window->PollDone(), final);
        QCOMPARE(ui.Frame2->isVisibleTo(s.h.window.get()), final);
        QVERIFY2(!std::filesystem::exists(s.h.folder / "keika.txt"),
                 "a change poll removes its keika.txt");
        QVERIFY(std::filesystem::exists(s.h.folder / "qvuser.txt"));
        if (final) {
            QCOMPARE(s.h.View().navigated.last(),
                     s.Address("/q_vestra/execute.asp?yuzaaidhi=A-12"));
            QCOMPARE(s.h.window->layout().Of(ui.Frame1).height, 3300.f);
            QVERIFY(ui.Frame1->isEnabled());
            // A group button of the rebuilt panel clears the finished request's mark.
            s.h.window->Cmd_Click(0);
            QCOMPARE(s.h.window->PollDone(), !changeAllowed);
        }
    }

    void applicationPoll_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QByteArray>("userFile");  // empty: the data folder is gone
        QTest::addColumn<bool>("applyEnabled");
        QTest::addColumn<bool>("timerRuns");
        QTest::newRow("completed") << "END14-05-07" << QByteArray("A-12|2\r\n") << false << false;
        QTest::newRow("abandoned") << "CANCEL14-05-07" << QByteArray("A-12|1\r\n") << true << false;
        QTest::newRow("in progress") << "EXEC14-05-07" << QByteArray("A-12|1\r\n") << true << true;
        QTest::newRow("contract cancelled") << "K_CANCEL14-05-07" << QByteArray() << true << false;
    }
    void applicationPoll() {
        QFETCH(QString, status);
        QFETCH(QByteArray, userFile);
        QFETCH(bool, applyEnabled);
        QFETCH(bool, timerRuns);
        Started s(status.toStdString());
        s.h.window->controls().Menu_F_Moshikomi->setEnabled(true);
        s.h.window->Menu_F_Moshikomi_Click();
        QCOMPARE(s.h.window->controls().Timer_Mousikomi->isActive(), timerRuns);
        QCOMPARE(s.h.window->controls().Menu_F_Moshikomi->isEnabled(), applyEnabled);
        if (userFile.isEmpty()) {
            QVERIFY(!std::filesystem::exists(s.h.folder));
            QCOMPARE(s.h.programEnds, 1);
            return;
        }
        QCOMPARE(QByteArray::fromStdString(ReadFile(s.h.folder / "qvuser.txt")), userFile);
        QVERIFY2(std::filesystem::exists(s.h.folder / "keika.txt"),
                 "an application poll keeps its keika.txt");
        QCOMPARE(s.h.programEnds, 0);
    }

    void noSecondPollWhileThePanelsAreRebuilt() {
        // The completed application rebuilds the panels, which downloads a
        // document; a tick during the download must not poll again.
        Started s("END14-05-07");
        s.h.urls.pages[s.Address("/q_vestra/execute.asp?yuzaaidhi=A-12").toStdString()] =
            "Contents_VALUE\r\nSub;x;/d/x.pdf\r\nContents_End\r\n";
        const int beforeClick = s.server.Connections();
        int ticks = 0;
        connect(s.h.window.get(), &FrmQvestra::progressWindowShown, this, [&] {
            Q_EMIT s.h.window->controls().Timer_Mousikomi->timeout({});
            ++ticks;
        });
        s.h.window->Menu_F_Moshikomi_Click();
        QCOMPARE(ticks, 1);
        QCOMPARE(s.server.Connections() - beforeClick, 2);  // one poll, one document
        QVERIFY(std::filesystem::exists(s.h.folder / "x.pdf"));
        QVERIFY(!s.h.window->controls().Timer_Mousikomi->isActive());
    }

    // A contents change ends and rebuilds the panels; while its download
    // gives the event loop a turn, the member asks for another change. That
    // request keeps its page and its timer until its own status is final.
    void aRequestMadeDuringARebuildIsPolledToItsEnd() {
        Started s("END14-05-07", "A-12|3\r\n");
        s.h.urls.pages[s.Address("/q_vestra/execute.asp?yuzaaidhi=A-12").toStdString()] =
            "Contents_VALUE\r\nSub;x;/d/x.pdf\r\nContents_End\r\n";
        connect(s.h.window.get(), &FrmQvestra::progressWindowShown, this, [&] {
            s.h.stamp = QStringLiteral("14-06-00");
            s.h.window->Menu_E_Cont_Click();
        });
        const auto& ui = s.h.window->controls();
        ui.Menu_E_Modify->menuAction()->setEnabled(true);
        s.h.window->Menu_E_Cont_Click();
        QVERIFY(std::filesystem::exists(s.h.folder / "x.pdf"));
        QCOMPARE(s.h.View().navigated.last(),
                 s.Address("/q_vestra/KHenko.asp?yuzaaidhi=A-12&TSMP=14-06-00"));
        QVERIFY(!ui.Frame2->isVisibleTo(s.h.window.get()));
        QVERIFY(!s.h.window->PollDone());
        QVERIFY(ui.Timer_KHen->isActive());
        const int before = s.server.Connections();
        Q_EMIT ui.Timer_KHen->timeout({});
        QCOMPARE(s.server.Connections(), before + 1);
        QVERIFY(ui.Timer_KHen->isActive());
    }
};

QTEST_MAIN(TestRequestPolls)
#include "test_request_polls.moc"
