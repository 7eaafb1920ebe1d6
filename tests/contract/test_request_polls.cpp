// The start-up record refresh, the contract commands and their status polls
// against a scripted service that answers every request alike.
#include "fakes/support.h"

#include "app/main_window_harness.h"

using namespace qvestra;
using namespace qvestra::testing;
using namespace std::string_literals;

namespace {

// An applicant, started online; every request is answered with status; the
// menu page lists one group of one document.
std::unique_ptr<Harness> Start(const std::string& status) {
    auto s = std::make_unique<Harness>(LoopbackService{OkReply(status), 16}, "A-12|1\r\n");
    s->MenuLists({"Main;A", "Sub;x;/d/x.pdf"});
    s->Load();
    return s;
}

}  // namespace

class TestRequestPolls : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // The record's answer, the user file and the menu page's member ID it
    // leaves, and the flags (1 for on): not contracted, 契約申込み, 契約変更.
    void recordRefresh_data() {
        Columns<std::string, std::string, QString, bool>();
        const std::string unchanged = "A-0012|3\r\n";
        Row("applicant", "USERID=A-0012|1\r\n"s, "A-0012|1\r\n"s, "110", true);
        // The key is not examined.
        Row("applied, other ID and key", "KEY=A-12|2"s, "A-12|2\r\n"s, "100", true);
        Row("no key", "A-0012|1"s, unchanged, "000", true);
        Row("no status", "USERID=A-0012"s, unchanged, "000", true);
        // A short answer has 99 bytes at most.
        Row("99 bytes", "USERID=A-0012|1,"s + std::string(83, 'x'), "A-0012|1\r\n"s, "110", true);
        Row("100 bytes", "USERID=A-0012|1,"s + std::string(84, 'x'), unchanged, "000", true);
        Row("cannot be stored", "USERID=A-0012|1"s, unchanged, "000", false);
        Row("cancelled: nothing left, nothing shown", "K_CANCEL\r\n"s, std::string(), "000", true);
    }
    void recordRefresh() {
        const auto [answer, userFile, flags, storable] =
            Fetch<std::string, std::string, QString, bool>();
        // The probe, the record, and what mirroring asks for.
        Harness s({"HTTP/1.0 200 OK\r\n\r\n" + answer, 5}, "A-0012|3\r\n");
        if (!storable) std::filesystem::create_directory(s.folder / ".qvuser.txt.part");
        s.Load();
        QCOMPARE(ReadFile(s.folder / "qvuser.txt"), userFile);
        // Only a cancellation removes the folder, and the program ends with it.
        QCOMPARE(std::filesystem::exists(s.folder), s.programEnds == 0);
        QCOMPARE(s.View().navigated.value(0).section(u'=', -1),
                 QString::fromStdString(userFile).section(u'|', 0, 0));
        QCOMPARE(QString::number(s.window->CurrentSession().NotContracted()) +
                     QString::number(s.ui().Menu_F_Moshikomi->isEnabled()) +
                     QString::number(s.ui().Menu_E_Modify->menuAction()->isEnabled()),
                 flags);
        // The record request has no Host line and names member number 12.
        QVERIFY(s.server->Request().starts_with(
            "GET " + s.server->Address("/q_vestra/LOG_K/qvuser12.txt HTTP/1.0\r\n\r\n")));
    }

    // A command opens its page and polls its status. Final statuses carry
    // the request's stamp (K_CANCEL is none for a change): they stop the
    // poll, later ticks included, and return to the menu page. An accepted
    // application stores the applied status and rebuilds the panels, stored
    // or not: when not, the member is told and the user file stays as it
    // was. A withdrawn one gives 契約申込み back. Either shows the hidden
    // window again. The rebuild that ends a contracted member's change is the
    // end-to-end run's.
    void statusPoll_data() {
        Columns<bool, std::string, bool, bool>();
        Row("change: END", false, "END14-05-07"s, true, true);
        Row("change: K_CANCEL", false, "K_CANCEL14-05-07"s, false, true);
        Row("application: END", true, "END14-05-07"s, true, true);
        Row("application: END, cannot be stored", true, "END14-05-07"s, true, false);
        Row("application: CANCEL", true, "CANCEL14-05-07"s, true, true);
        Row("application: not final", true, "EXEC14-05-07"s, false, true);
    }
    void statusPoll() {
        const auto [application, status, final, storable] = Fetch<bool, std::string, bool, bool>();
        const bool accepted = application && status.starts_with("END");
        const auto s = Start(status);
        if (!storable) std::filesystem::create_directory(s->folder / ".qvuser.txt.part");
        // Each end of an application flips 契約申込み from what it was.
        s->ui().Menu_F_Moshikomi->setEnabled(accepted);
        s->window->hide();
        application ? s->window->Menu_F_Moshikomi_Click() : s->window->Menu_E_Cont_Click();
        s->steps.Settle();
        // The request's page opens, for the member to use.
        QVERIFY(s->ui().Frame1->isEnabled() &&
                s->View().navigated.value(1).endsWith(
                    application ? "/Mousikomi_inp1.asp?yuzaaidhi=A-12&P=s&K=hm&TSMP=14-05-07"
                                : "/KHenko.asp?yuzaaidhi=A-12&TSMP=14-05-07"));
        // A final status goes back to the menu page.
        QCOMPARE(s->View().navigated.size(), final ? 3 : 2);
        QTimer* timer = application ? s->window->Request().Timer_Mousikomi()
                                    : s->window->Request().Timer_KHen();
        QCOMPARE(timer->isActive(), !final);
        QCOMPARE(s->window->PollDone(), final);
        QCOMPARE(s->Shown(s->ui().Frame2), final);
        QCOMPARE(s->window->isVisible(), application && final);
        // A change poll removes the status's copy.
        QCOMPARE(std::filesystem::exists(s->folder / "keika.txt"), application);
        QCOMPARE(s->ui().Menu_F_Moshikomi->isEnabled(), application && status.starts_with('C'));
        QCOMPARE(ReadFile(s->folder / "qvuser.txt"),
                 accepted && storable ? "A-12|2\r\n"s : "A-12|1\r\n"s);
        QCOMPARE(s->messages.shown.size(), storable ? 0 : 1);
        QCOMPARE(s->urls.reads.size(), std::size_t(accepted ? 2 : 1));
        const int polls = s->server->Connections();
        Q_EMIT timer->timeout({});
        s->steps.Settle();
        QCOMPARE(s->server->Connections(), polls + (final ? 0 : 1));
    }

    // A command returns with its poll waiting its turn on the queue, its
    // request not done, so a slow answer holds only the poll; ticks
    // meanwhile start none. A request
    // made while the poll of another is on its way replaces it: the late
    // answer, final for the old stamp, ends nothing, and the new request is
    // polled at the next tick.
    void aPollNeverOverlapsAndALateAnswerIsDropped() {
        const auto s = Start("END14-05-07");
        s->ui().Menu_E_Cont->trigger();
        QVERIFY(!s->window->PollDone());
        Q_EMIT s->window->Request().Timer_KHen()->timeout({});
        QCOMPARE(s->steps.Waiting(), std::size_t{1});
        s->stamp = QStringLiteral("14-06-00");
        s->ui().Menu_E_Base->trigger();
        QCOMPARE(s->steps.Waiting(), std::size_t{1});
        s->steps.Settle();
        QVERIFY(s->View().navigated.last().endsWith(
            "/q_vestra/mousikomi_inp1.asp?yuzaaidhi=A-12&P=h&K=hm&TSMP=14-06-00"));
        const int before = s->server->Connections();
        Q_EMIT s->window->Request().Timer_KHen()->timeout({});
        s->steps.Settle();
        QCOMPARE(s->server->Connections(), before + 1);
        // Neither the late answer nor the new poll's, for another stamp, ended anything.
        QVERIFY(!s->Shown(s->ui().Frame2));
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
        s.window->Menu_F_Moshikomi_Click();
        s.window->BuildMenu();
        // Every job runs before any end comes back, as on the program's threads.
        while (s.steps.Step()) continue;
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
