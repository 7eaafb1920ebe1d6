// The start-up record refresh, the contract commands and their status polls
// against a scripted service that answers every request alike.
#include "fakes/support.h"

#include "app/main_window_harness.h"

using namespace qvestra;
using namespace qvestra::testing;

namespace {

// A member (an applicant unless told), started online; every request is
// answered with status; the menu page lists one group of one document.
struct Started : Served {
    explicit Started(const std::string& status, const std::string& record = "A-12|1\r\n")
        : Served(OkReply(status), 16, record) {
        urls.pages[MenuAddress()] =
            "Contents_VALUE\r\nMain;A\r\nSub;x;/d/x.pdf\r\nContents_End\r\n";
        window->Load();
    }
    QString Address(const std::string& pathAndQuery) const {
        return QString::fromStdString(server.Address(pathAndQuery));
    }
};

}  // namespace

class TestRequestPolls : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // The record's answer, the user file and the menu page's member ID it
    // leaves, and the flags: not contracted, 契約申込み, 契約変更.
    void recordRefresh() {
        const std::string unchanged = "A-0012|3\r\n";
        for (const auto& [answer, userFile, flags] :
             std::vector<std::tuple<std::string, std::string, QString>>{
                 {"USERID=A-0012|1\r\n", "A-0012|1\r\n", "++-"},
                 {"USERID=A-12|2", "A-12|2\r\n", "+--"},
                 {"KEY=A-0012|3", unchanged, "--+"},
                 {"A-0012|1", unchanged, "---"},
                 {"USERID=A-0012", unchanged, "---"},
                 {std::string(100, 'x'), unchanged, "---"}}) {
            // The probe, the record, and what mirroring asks for.
            Served s("HTTP/1.0 200 OK\r\n\r\n" + answer, 5, unchanged);
            s.window->Load();
            QVERIFY2(ReadFile(s.folder / "qvuser.txt") == userFile, answer.c_str());
            QCOMPARE(s.ui().UrlName->text().section(u'=', -1),
                     QString::fromStdString(userFile).section(u'|', 0, 0));
            QString got;
            for (const bool on : {s.program.NotContracted, s.ui().Menu_F_Moshikomi->isEnabled(),
                                  s.ui().Menu_E_Modify->menuAction()->isEnabled()})
                got += on ? u'+' : u'-';
            QCOMPARE(got, flags);
            QVERIFY2(s.server.Request().starts_with(
                         "GET " + s.server.Address("/q_vestra/LOG_K/qvuser12.txt") +
                         " HTTP/1.0\r\n\r\n"),
                     "the record request has no Host line and names member number 12");
        }
        // A record that cannot be stored is as good as no answer, on disk and
        // on screen.
        Served blocked("HTTP/1.0 200 OK\r\n\r\nUSERID=A-0012|1", 5, unchanged);
        std::filesystem::create_directory(blocked.folder / ".qvuser.txt.part");
        blocked.window->Load();
        QCOMPARE(ReadFile(blocked.folder / "qvuser.txt"), unchanged);
        QVERIFY(!blocked.program.NotContracted && !blocked.ui().Menu_F_Moshikomi->isEnabled());
    }

    void cancelledContractRemovesEverythingBeforeTheWindowShows() {
        Served s("HTTP/1.0 200 OK\r\n\r\nK_CANCEL\r\n", 2, "A-12|3\r\n");
        WriteFile(s.folder / "m01.pdf", "document");
        s.window->Load();
        QVERIFY(!std::filesystem::exists(s.folder));
        QCOMPARE(s.programEnds, 1);
        QVERIFY(!s.window->isVisible());
        QVERIFY(s.View().navigated.isEmpty());
    }

    void commandsOpenTheirPages() {
        Started s("EXEC14-05-07");
        s.ui().Frame3->show();
        const std::string query = "?yuzaaidhi=A-12&P=%1&K=hm&TSMP=14-05-07";
        for (const auto& [command, page, timer, interval] :
             std::vector<std::tuple<QAction*, std::string, QTimer*, int>>{
                 {s.ui().Menu_F_Moshikomi, "/q_vestra/Mousikomi_inp1.asp" + query,
                  s.ui().Timer_Mousikomi, 1000},
                 {s.ui().Menu_E_Base, "/q_vestra/mousikomi_inp1.asp" + query, s.ui().Timer_KHen,
                  2000},
                 {s.ui().Menu_E_Cont, "/q_vestra/KHenko.asp?yuzaaidhi=A-12&TSMP=14-05-07",
                  s.ui().Timer_KHen, 2000}}) {
            timer->stop();
            command->setEnabled(true);
            command->trigger();
            QCOMPARE(s.View().navigated.last(),
                     s.Address(page).arg(timer == s.ui().Timer_Mousikomi ? "s" : "h"));
            QVERIFY(s.ui().Frame1->isEnabled());
            QVERIFY(!s.Shown(s.ui().Frame2));
            QVERIFY2(s.Shown(s.ui().Frame3), "the detail panel is not touched");
            QCOMPARE(s.window->layout().Of(s.ui().Frame1).height, 11520.f - 2000);
            QCOMPARE(s.View().Geometry().height, 11520.f - 2000);
            QVERIFY(timer->isActive());
            QCOMPARE(timer->interval(), interval);
        }
        // The status polls name the service's host; the record request did not.
        QVERIFY(s.server.Request().find(
                    "HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(s.server.Port()) + "\r\n") !=
                std::string::npos);
    }

    // Final statuses carry the request's stamp; with 契約変更 enabled the
    // panels are rebuilt. K_CANCEL is not a change status.
    void changePoll() {
        for (const auto& [status, final, changeAllowed] :
             std::vector<std::tuple<std::string, bool, bool>>{{"END14-05-07", true, false},
                                                              {"END14-05-07", true, true},
                                                              {"CANCEL14-05-07", true, false},
                                                              {"END14-05-07,other", true, false},
                                                              {"END09-00-00", false, true},
                                                              {"EXEC14-05-07", false, false},
                                                              {"K_CANCEL14-05-07", false, false}}) {
            Started s(status);
            s.ui().Menu_E_Modify->menuAction()->setEnabled(changeAllowed);
            s.program.OnlineMode = false;
            const std::size_t reads = s.urls.reads.size();
            s.window->Menu_E_Cont_Click();
            QVERIFY2(s.urls.reads.size() - reads == std::size_t(final && changeAllowed ? 1 : 0),
                     status.c_str());
            QCOMPARE(s.program.OnlineMode, final && changeAllowed);
            QCOMPARE(s.ui().Timer_KHen->isActive(), !final);
            QCOMPARE(s.window->PollDone(), final);
            QCOMPARE(s.Shown(s.ui().Frame2), final);
            QVERIFY2(!std::filesystem::exists(s.folder / "keika.txt"), "a change poll removes it");
            QVERIFY(std::filesystem::exists(s.folder / "qvuser.txt"));
            if (!final) continue;
            QCOMPARE(s.View().navigated.last(), s.Address("/q_vestra/execute.asp?yuzaaidhi=A-12"));
            QCOMPARE(s.window->layout().Of(s.ui().Frame1).height, 3300.f);
            QVERIFY(s.ui().Frame1->isEnabled());
            // A group button, or the next request, clears the finished request's mark.
            s.stamp = QStringLiteral("14-06-00");
            if (changeAllowed)
                s.window->Cmd_Click(0);
            else if (status.starts_with("CANCEL"))
                s.window->Menu_E_Cont_Click();
            else
                s.window->Menu_E_Base_Click();
            QVERIFY(!s.window->PollDone());
        }
    }

    // The application's statuses: the user file afterwards (none: the data
    // folder is gone), whether 契約申込み stays enabled and the poll goes on.
    void applicationPoll() {
        for (const auto& [status, userFile, applyEnabled, timerRuns] :
             std::vector<std::tuple<std::string, std::string, bool, bool>>{
                 {"END14-05-07", "A-12|2\r\n", false, false},
                 {"CANCEL14-05-07", "A-12|1\r\n", true, false},
                 {"EXEC14-05-07", "A-12|1\r\n", true, true},
                 {"K_CANCEL14-05-07", "", true, false}}) {
            Started s(status);
            s.ui().Menu_F_Moshikomi->setEnabled(true);
            s.window->Menu_F_Moshikomi_Click();
            QVERIFY2(s.ui().Timer_Mousikomi->isActive() == timerRuns, status.c_str());
            QCOMPARE(s.ui().Menu_F_Moshikomi->isEnabled(), applyEnabled);
            QCOMPARE(s.programEnds, userFile.empty() ? 1 : 0);
            QCOMPARE(ReadFile(s.folder / "qvuser.txt"), userFile);
            QCOMPARE(std::filesystem::exists(s.folder / "keika.txt"), !userFile.empty());
            if (!status.starts_with("CANCEL")) continue;
            // Applied again: the first request's end does not end the second.
            s.stamp = QStringLiteral("14-06-00");
            s.window->Menu_F_Moshikomi_Click();
            QVERIFY(s.ui().Timer_Mousikomi->isActive());
        }
    }

    // An accepted application whose user file cannot be written: the member
    // is told, the file stays as it was, and the return to the menu goes on.
    void anAcceptedApplicationThatCannotBeStoredIsReported() {
        Started s("END14-05-07");
        std::filesystem::create_directory(s.folder / ".qvuser.txt.part");
        s.window->Menu_F_Moshikomi_Click();
        QCOMPARE(s.messages.shown, QStringList{"契約申込みの結果を保存できませんでした。"
                                               "ディスクの空き容量を確認してください。"});
        QCOMPARE(ReadFile(s.folder / "qvuser.txt"), std::string("A-12|1\r\n"));
        QVERIFY(!s.ui().Timer_Mousikomi->isActive());
        QVERIFY(s.Shown(s.ui().Frame2));
    }

    // A status answer that takes its time holds only the poll: the command
    // returns at once, and a tick while the poll is on its way starts none.
    void aSlowPollHoldsOnlyItself() {
        Served s("<pause 800>" + OkReply("EXEC14-05-07"), 4, "A-12|1\r\n", true);
        s.urls.pages[s.MenuAddress()] = "Contents_VALUE\r\nContents_End\r\n";
        s.window->Load();
        QTRY_VERIFY_WITH_TIMEOUT(s.window->isVisible() && !s.window->ExchangeBusy(), 5000);
        const int before = s.server.Connections();
        QElapsedTimer clicked;
        clicked.start();
        s.window->Menu_F_Moshikomi_Click();
        QVERIFY2(clicked.elapsed() < 400, "the command waited for its poll");
        s.ui().Timer_Mousikomi->stop();
        Q_EMIT s.ui().Timer_Mousikomi->timeout({});
        QTest::qWait(1200);
        QCOMPARE(s.server.Connections(), before + 1);
    }

    // The completed application rebuilds the panels, which downloads a
    // document; a tick during the download must not poll again.
    void noSecondPollWhileThePanelsAreRebuilt() {
        Started s("END14-05-07");
        std::filesystem::remove(s.folder / "x.pdf");
        const int beforeClick = s.server.Connections();
        int ticks = 0;
        connect(s.window.get(), &FrmQvestra::progressWindowShown, this, [&] {
            Q_EMIT s.ui().Timer_Mousikomi->timeout({});
            ++ticks;
        });
        s.window->Menu_F_Moshikomi_Click();
        QCOMPARE(ticks, 1);
        QCOMPARE(s.server.Connections() - beforeClick, 2);  // one poll, one document
        QVERIFY(std::filesystem::exists(s.folder / "x.pdf"));
        QVERIFY(!s.ui().Timer_Mousikomi->isActive());
    }

    // A contents change ends and rebuilds the panels; while the menu page is
    // read, the member asks for another change. That request keeps its page
    // and its timer until its own status is final.
    void aRequestMadeDuringARebuildIsPolledToItsEnd() {
        Started s("END14-05-07", "A-12|3\r\n");
        s.urls.duringRead = [&] {
            s.stamp = QStringLiteral("14-06-00");
            s.window->Menu_E_Cont_Click();
        };
        s.ui().Menu_E_Modify->menuAction()->setEnabled(true);
        s.window->Menu_E_Cont_Click();
        QCOMPARE(s.View().navigated.last(),
                 s.Address("/q_vestra/KHenko.asp?yuzaaidhi=A-12&TSMP=14-06-00"));
        QVERIFY(!s.Shown(s.ui().Frame2));
        QVERIFY(!s.window->PollDone());
        const int before = s.server.Connections();
        Q_EMIT s.ui().Timer_KHen->timeout({});
        QCOMPARE(s.server.Connections(), before + 1);
        QVERIFY(s.ui().Timer_KHen->isActive());
    }
};

QTEST_MAIN(TestRequestPolls)
#include "test_request_polls.moc"
