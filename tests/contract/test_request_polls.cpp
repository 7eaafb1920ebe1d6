// The start-up record refresh, the contract commands and their status polls
// against a scripted service that answers every request alike.
#include "fakes/support.h"

#include "app/main_window_harness.h"

using namespace qvestra;
using namespace qvestra::testing;
using namespace std::string_literals;

namespace {

// A member (an applicant unless told), started online; every request is
// answered with status; the menu page lists one group of one document.
struct Started : Harness {
    explicit Started(const std::string& status, const std::string& record = "A-12|1\r\n")
        : Harness({OkReply(status), 16}, record) {
        MenuLists({"Main;A", "Sub;x;/d/x.pdf"});
        Load();
    }
    QString Address(const std::string& pathAndQuery) const {
        return QString::fromStdString(endpoint.PageAddress(pathAndQuery));
    }
};

}  // namespace

class TestRequestPolls : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // The record's answer, the user file and the menu page's member ID it
    // leaves, and the flags: not contracted, 契約申込み, 契約変更.
    void recordRefresh_data() {
        Columns<std::string, std::string, QString, bool>();
        const std::string unchanged = "A-0012|3\r\n";
        Row("applicant", "USERID=A-0012|1\r\n"s, "A-0012|1\r\n"s, "++-", true);
        Row("applied, other ID", "USERID=A-12|2"s, "A-12|2\r\n"s, "+--", true);
        Row("other key", "KEY=A-0012|3"s, unchanged, "--+", true);
        Row("no key", "A-0012|1"s, unchanged, "---", true);
        Row("no status", "USERID=A-0012"s, unchanged, "---", true);
        Row("no short answer", std::string(100, 'x'), unchanged, "---", true);
        Row("cannot be stored", "USERID=A-0012|1"s, unchanged, "---", false);
        Row("cancelled: nothing left, nothing shown", "K_CANCEL\r\n"s, std::string(), "---", true);
    }
    void recordRefresh() {
        const auto [answer, userFile, flags, storable] =
            Fetch<std::string, std::string, QString, bool>();
        // The probe, the record, and what mirroring asks for.
        Harness s({"HTTP/1.0 200 OK\r\n\r\n" + answer, 5}, "A-0012|3\r\n");
        if (!storable) std::filesystem::create_directory(s.folder / ".qvuser.txt.part");
        s.Load();
        QCOMPARE(ReadFile(s.folder / "qvuser.txt"), userFile);
        QCOMPARE(std::filesystem::exists(s.folder), !userFile.empty());
        QCOMPARE(s.programEnds, userFile.empty() ? 1 : 0);
        QCOMPARE(s.View().navigated.value(0).section(u'=', -1),
                 QString::fromStdString(userFile).section(u'|', 0, 0));
        QString got;
        for (const bool on :
             {s.window->CurrentSession().NotContracted(), s.ui().Menu_F_Moshikomi->isEnabled(),
              s.ui().Menu_E_Modify->menuAction()->isEnabled()})
            got += on ? u'+' : u'-';
        QCOMPARE(got, flags);
        QVERIFY2(
            s.server->Request().starts_with(
                "GET " + s.server->Address("/q_vestra/LOG_K/qvuser12.txt") + " HTTP/1.0\r\n\r\n"),
            "the record request has no Host line and names member number 12");
    }

    // Final statuses carry the request's stamp. With 契約変更 enabled a final
    // one rebuilds the panels (the end-to-end run's change shows it), one of
    // another request does not. K_CANCEL is not a change status.
    void changePoll_data() {
        Columns<std::string, bool, bool>();
        Row("END", "END14-05-07"s, true, false);
        Row("END with more fields", "END14-05-07,other"s, true, false);
        Row("END of another stamp", "END09-00-00"s, false, true);
        Row("K_CANCEL", "K_CANCEL14-05-07"s, false, false);
    }
    void changePoll() {
        const auto [status, final, changeAllowed] = Fetch<std::string, bool, bool>();
        Started s(status);
        s.ui().Menu_E_Modify->menuAction()->setEnabled(changeAllowed);
        const std::size_t reads = s.urls.reads.size();
        s.Command(s.ui().Menu_E_Cont);
        QCOMPARE(s.urls.reads.size() - reads, std::size_t(final && changeAllowed ? 1 : 0));
        // The status polls name the service's host; the record request did not.
        QVERIFY(s.server->Request().find("/q_vestra/LOG_K/keika12.txt HTTP/1.0\r\nHost: 127.0.0.1:" +
                                        std::to_string(s.server->Port()) + "\r\n") !=
                std::string::npos);
        QCOMPARE(s.window->Request().Timer_KHen()->isActive(), !final);
        QCOMPARE(s.window->PollDone(), final);
        QCOMPARE(s.Shown(s.ui().Frame2), final);
        QVERIFY2(!std::filesystem::exists(s.folder / "keika.txt"), "a change poll removes it");
        QVERIFY(std::filesystem::exists(s.folder / "qvuser.txt"));
        if (!final) return;
        QCOMPARE(s.View().navigated.last(), s.Address("/q_vestra/execute.asp?yuzaaidhi=A-12"));
        QVERIFY(s.ui().Frame1->isEnabled());
    }

    // The application's statuses: the user file afterwards (none: the data
    // folder is gone), whether 契約申込み stays enabled and the poll goes on.
    // An accepted application whose user file cannot be written: the member
    // is told, the file stays as it was, and the return to the menu goes on.
    void applicationPoll_data() {
        Columns<std::string, std::string, bool, bool, bool>();
        Row("END", "END14-05-07"s, "A-12|2\r\n"s, false, false, true);
        Row("END, cannot be stored", "END14-05-07"s, "A-12|1\r\n"s, false, false, false);
        Row("CANCEL", "CANCEL14-05-07"s, "A-12|1\r\n"s, true, false, true);
        Row("not final", "EXEC14-05-07"s, "A-12|1\r\n"s, true, true, true);
        Row("K_CANCEL", "K_CANCEL14-05-07"s, std::string(), true, false, true);
    }
    void applicationPoll() {
        const auto [status, userFile, applyEnabled, timerRuns, storable] =
            Fetch<std::string, std::string, bool, bool, bool>();
        Started s(status);
        if (!storable) std::filesystem::create_directory(s.folder / ".qvuser.txt.part");
        s.ui().Menu_F_Moshikomi->setEnabled(true);
        s.window->hide();
        s.Command(s.ui().Menu_F_Moshikomi);
        QVERIFY(s.View().navigated.contains(
            s.Address("/q_vestra/Mousikomi_inp1.asp?yuzaaidhi=A-12&P=s&K=hm&TSMP=14-05-07")));
        QCOMPARE(s.window->Request().Timer_Mousikomi()->isActive(), timerRuns);
        QCOMPARE(s.ui().Menu_F_Moshikomi->isEnabled(), applyEnabled);
        QCOMPARE(s.programEnds, userFile.empty() ? 1 : 0);
        QCOMPARE(ReadFile(s.folder / "qvuser.txt"), userFile);
        QCOMPARE(std::filesystem::exists(s.folder / "keika.txt"), !userFile.empty());
        QCOMPARE(s.window->isVisible(), !timerRuns && !userFile.empty());
        QCOMPARE(s.Shown(s.ui().Frame2), !timerRuns && !userFile.empty());
        QCOMPARE(s.messages.shown.size(), storable ? 0 : 1);
        // An accepted application rebuilds the panels, stored or not.
        QCOMPARE(s.urls.reads.size(), std::size_t(status.starts_with("END") ? 2 : 1));
        const int polls = s.server->Connections();
        Q_EMIT s.window->Request().Timer_Mousikomi()->timeout({});
        s.steps.Settle();
        QCOMPARE(s.server->Connections(), polls + (timerRuns ? 1 : 0));
        if (!status.starts_with("CANCEL")) return;
        // Applied again: the first request's end does not end the second.
        s.stamp = QStringLiteral("14-06-00");
        s.Command(s.ui().Menu_F_Moshikomi);
        QVERIFY(s.window->Request().Timer_Mousikomi()->isActive());
    }

    // A command returns with its poll waiting its turn on the queue, so a
    // slow answer holds only the poll; ticks meanwhile start none. A request
    // made while the poll of another is on its way replaces it: the late
    // answer, final for the old stamp, ends nothing, and the new request is
    // polled to its own end.
    void aPollNeverOverlapsAndALateAnswerIsDropped() {
        Started s("END14-05-07", "A-12|3\r\n");
        s.ui().Frame3->show();
        s.ui().Menu_E_Cont->trigger();
        QCOMPARE(s.steps.Waiting(), std::size_t{1});
        Q_EMIT s.window->Request().Timer_KHen()->timeout({});
        QCOMPARE(s.steps.Waiting(), std::size_t{1});
        s.stamp = QStringLiteral("14-06-00");
        s.ui().Menu_E_Base->trigger();
        QCOMPARE(s.steps.Waiting(), std::size_t{1});
        s.steps.Settle();
        QCOMPARE(s.View().navigated.last(),
                 s.Address("/q_vestra/mousikomi_inp1.asp?yuzaaidhi=A-12&P=h&K=hm&TSMP=14-06-00"));
        QVERIFY(!s.Shown(s.ui().Frame2));
        QVERIFY2(s.Shown(s.ui().Frame3), "the detail panel is not touched");
        QVERIFY(!s.window->PollDone());
        QVERIFY(s.window->Request().Timer_KHen()->isActive());
        const int before = s.server->Connections();
        Q_EMIT s.window->Request().Timer_KHen()->timeout({});
        s.steps.Settle();
        QCOMPARE(s.server->Connections(), before + 1);
        QVERIFY(s.window->Request().Timer_KHen()->isActive());
    }

    // The service cancels the contract while the start-up's copies are
    // still to come and another build waits: the data folder is removed,
    // nothing queued after runs, and it stays gone; every job still ends.
    void aCancellationDuringMirroringLeavesNoFolder() {
        Harness s({OkReply("K_CANCEL14-05-07"), 16}, "A-12|3\r\n");
        s.MenuLists({});
        s.window->Load();
        for (QCoreApplication::sendPostedEvents();
             s.window->Build().Current() != MenuBuild::State::kIdle || !s.window->isVisible();
             QCoreApplication::sendPostedEvents())
            QVERIFY(s.steps.Step());
        QCOMPARE(s.steps.Waiting(), std::size_t{1});  // the copies
        s.ui().Menu_F_Moshikomi->setEnabled(true);
        s.window->Menu_F_Moshikomi_Click();
        s.window->BuildMenu();
        s.steps.Settle();
        QVERIFY(!std::filesystem::exists(s.folder));
        QCOMPARE(s.programEnds, 1);
        QCOMPARE(s.urls.reads.size(), std::size_t{1});
        // The build asked for after the seal ended, cancelled, all the same.
        QCOMPARE(s.window->Build().Current(), MenuBuild::State::kIdle);
    }
};

QTEST_MAIN(TestRequestPolls)
#include "test_request_polls.moc"
