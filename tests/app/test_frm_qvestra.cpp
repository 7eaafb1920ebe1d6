// The main window's start-up, the texts it shows, and how it closes: what
// each start leads to, what a close does to the exchanges still waiting,
// and the notice when the service does not answer.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "fakes/support.h"

#include "app/frm_connecting.h"
#include "app/main_window_harness.h"
#include "app/start_up.h"

using namespace qvestra;
using namespace qvestra::testing;
using namespace std::string_literals;

namespace {

const QString kMenuAddress = QStringLiteral("http://svc.test/q_vestra/execute.asp?yuzaaidhi=A-12");

// A port on 127.0.0.1 that swallows connection attempts, like a firewall
// that drops packets: its listener's backlog is full and never taken, so
// the system drops every further handshake.
struct SilentPort {
    SilentPort() {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(listener, reinterpret_cast<sockaddr*>(&a), length);
        ::listen(listener, 0);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length);
        port = ntohs(a.sin_port);
        ::connect(filler, reinterpret_cast<sockaddr*>(&a), length);
    }
    ~SilentPort() {
        ::close(filler);
        ::close(listener);
    }
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    int port = 0;
};

// The window of a member (or of nobody) whose service swallows packets,
// with the program's own exchange thread.
struct Unanswered : SilentPort, Served {
    explicit Unanswered(const std::string& record) : Served("", 0, record, true, port) {}
    FrmConnecting* Notice() const { return window->StartUpSequence().Notice(); }
};

}  // namespace

class TestFrmQvestra : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Which exchanges a start makes, with the time-outs the program passes
    // (probe, record, document, mirror copies; a status poll after), and
    // where it leads. The menu page lists one document not yet stored.
    void startUp_data() {
        Columns<bool, std::string, QList<int>, QString, QString>(
            {"online", "userFile", "timeouts", "address", "message"});
        Row("member", true, "A-12|3\r\n"s, QList<int>{120, 10, 1200, 120, 120, 10, 10},
            kMenuAddress, QString());
        Row("applicant: no mirroring", true, "A-12|1\r\n"s, QList<int>{120, 10, 1200, 10},
            kMenuAddress, QString());
        Row("offline: the mirror", false, "A-12|3\r\n"s, QList<int>{120, 1200, 10},
            QStringLiteral("file://%1/A-12.html"), QString());
        Row("offline applicant: refused", false, "A-12|1\r\n"s, QList<int>{120}, QString(),
            QStringLiteral("インターネットが接続されtません！"));
        Row("nobody: sign-in", true, std::string(), QList<int>{120}, QString(), QString());
        Row("unsafe member ID: sign-in", true, "../A-12|3\r\n"s, QList<int>{120}, QString(),
            QString());
    }
    void startUp() {
        const auto [online, userFile, timeouts, address, message] =
            Fetch<bool, std::string, QList<int>, QString, QString>(
                {"online", "userFile", "timeouts", "address", "message"});
        Harness h(online);
        if (!userFile.empty()) {
            h.WriteUserFile(userFile);
            // A folder an earlier version left open to all is closed.
            std::filesystem::permissions(h.folder, std::filesystem::perms(0755));
        }
        const QString expected =
            QString(address).replace("%1", QString::fromStdString(h.folder.string()));
        h.urls.pages[expected.toStdString()] =
            "Contents_VALUE\r\nCont;c;/d/c.pdf\r\nContents_End\r\n";
        QSignalSpy signIn(h.window.get(), &FrmQvestra::signInRequired);
        h.Load();
        QCOMPARE(signIn.count(), address.isEmpty() && message.isEmpty() ? 1 : 0);
        QCOMPARE(h.messages.shown, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(h.programEnds, message.isEmpty() ? 0 : 1);
        QCOMPARE(h.window->isVisible(), !address.isEmpty());
        if (!userFile.empty())
            QCOMPARE(std::filesystem::status(h.folder).permissions(), std::filesystem::perms(0700));
        QCOMPARE(h.View().navigated, address.isEmpty() ? QStringList{} : QStringList{expected});
        if (address.isEmpty()) return;
        QCOMPARE(h.ui().UrlName->text(), expected);
        QVERIFY(h.View().fullScreen);
        QCOMPARE(h.program.OnlineMode, online);
        QVERIFY(!h.ui().Frame1->isEnabled());
        QVERIFY(h.Shown(h.ui().Frame2));
        h.window->Menu_E_Base_Click();
        h.steps.Settle();
        QCOMPARE(h.sockets.connectTimeouts, timeouts);
    }

    // The texts the member sees, in menu-bar order, and the states at load;
    // 詳細 opens the help window once and brings it forward when asked
    // again. 終了 is chosen by the end-to-end run.
    void texts() {
        Harness h(true);
        const auto& ui = h.ui();
        QStringList bar;
        for (const QAction* a : h.window->menuBar()->actions())
            bar << a->text() + (a->isEnabled() ? "" : " (off)");
        QCOMPARE(bar, (QStringList{"ﾌｧｲﾙ", "契約申込み (off)", "契約変更 (off)", "ヘルプ"}));
        QCOMPARE((QStringList{ui.Menu_F_End->text(), ui.Menu_E_Base->text(), ui.Menu_E_Cont->text(),
                              ui.Menu_Version->text(), ui.Menu_shosai->text(),
                              h.window->windowTitle(), ui.Frame2->title(), ui.Frame3->title()}),
                 (QStringList{"終了", "基本情報", "コンテンツ", "ﾊﾞｰｼﾞｮﾝ", "詳細",
                              "Q_Vestraメニュー", "教材一覧", "詳細一覧"}));
        QVERIFY(!h.Shown(ui.Frame2) && !h.Shown(ui.Frame3) && !h.Shown(ui.UrlName));
        h.WriteUserFile("A-12|3\r\n");
        h.Load();
        ui.Menu_shosai->trigger();
        h.window->activateWindow();
        ui.Menu_shosai->trigger();
        QWidgetList helps;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == "ヘルプ") helps << w;
        QCOMPARE(helps.size(), 1);
        QTRY_COMPARE(QApplication::activeWindow(), helps[0]);
        qDeleteAll(helps);
    }

    // Closing while an exchange waits on the queue: the program is told to
    // end, and nothing asked for before the close reaches the network after.
    void closingDropsEveryWaitingExchange_data() {
        Columns<int, bool>({"steps", "poll"});
        Row("during the start-up's probe", 0, false);
        Row("during the menu read", 1, false);
        Row("during a download", 3, false);
        Row("during the mirroring", 5, false);
        Row("during a status poll", 6, true);
    }
    void closingDropsEveryWaitingExchange() {
        const auto [steps, poll] = Fetch<int, bool>({"steps", "poll"});
        Harness h(true);
        h.WriteUserFile("A-12|3\r\n");
        h.MenuLists({"Cont;c;/d/c.pdf"});
        h.window->Load();
        for (int i = 0; i < steps; ++i) {
            QCoreApplication::sendPostedEvents();
            QVERIFY(h.steps.Step());
        }
        QCoreApplication::sendPostedEvents();
        if (poll) h.window->Menu_E_Base_Click();
        QVERIFY(h.steps.Waiting() > 0);
        const auto exchanges = h.sockets.connectTimeouts.size() + h.urls.reads.size();
        h.window->close();
        h.steps.Settle();
        QCOMPARE(h.sockets.connectTimeouts.size() + h.urls.reads.size(), exchanges);
        QCOMPARE(h.programEnds, 1);
    }

    // Local copies in the main window's mixed form of separators become
    // files; the service's pages are shown by every end-to-end run.
    void viewUrl() {
        QCOMPARE(webview::ViewUrl("file:///home/m m\\q/A-12.html"),
                 QUrl::fromLocalFile("/home/m m/q/A-12.html"));
        QCOMPARE(webview::ViewUrl("file://C:\\q/A-12.html"), QUrl::fromLocalFile("C:/q/A-12.html"));
    }

    // A service that swallows packets: within about a second a notice says
    // the program is connecting; starting offline from it is at once what a
    // host that cannot be reached leads to: the mirror for a member, the
    // sign-in (whose poll then fails) for nobody. Closing it ends the program.
    void aSilentServiceGetsTheOfflineChoice_data() {
        Columns<std::string, bool>({"record", "closeNotice"});
        Row("member chooses offline", "A-12|3\r\n"s, false);
        Row("nobody chooses offline", std::string(), false);
        Row("member closes the notice", "A-12|3\r\n"s, true);
    }
    void aSilentServiceGetsTheOfflineChoice() {
        const auto [record, closeNotice] = Fetch<std::string, bool>({"record", "closeNotice"});
        Unanswered u(record);
        QSignalSpy signIn(u.window.get(), &FrmQvestra::signInRequired);
        const auto started = std::chrono::steady_clock::now();
        u.window->Load();
        QTRY_VERIFY_WITH_TIMEOUT(u.Notice() != nullptr && u.Notice()->isVisible(), 3000);
        QVERIFY(Since(started) >= std::chrono::milliseconds(StartUp::kNoticeDelayMs));
        const auto chosen = std::chrono::steady_clock::now();
        if (closeNotice)
            u.Notice()->close();
        else
            u.Notice()->findChild<QPushButton*>()->click();
        QTRY_VERIFY_WITH_TIMEOUT(u.window->isVisible() || signIn.count() == 1 || u.programEnds == 1,
                                 1000);
        QVERIFY(Since(chosen) < std::chrono::milliseconds(1000));
        QCOMPARE(u.programEnds, closeNotice ? 1 : 0);
        QCOMPARE(signIn.count(), !closeNotice && record.empty() ? 1 : 0);
        QCOMPARE(u.program.OnlineMode, false);
        if (!closeNotice && !record.empty())
            QVERIFY(u.ui().UrlName->text().startsWith(QStringLiteral("file://")));
        QVERIFY(u.Notice() == nullptr || !u.Notice()->isVisible());
        u.window.reset();
        QVERIFY2(Since(chosen) < std::chrono::milliseconds(1500), "the probe outlived the choice");
    }
};

QTEST_MAIN(TestFrmQvestra)
#include "test_frm_qvestra.moc"
