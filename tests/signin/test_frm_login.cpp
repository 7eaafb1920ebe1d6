// The sign-in window's load and its poll against a scripted loopback server.
#include "fakes/support.h"

#include "fakes/fakes.h"
#include "fakes/step_queue.h"
#include "net/tcp_socket.h"
#include "signin/frm_login.h"

using namespace qvestra;
using namespace qvestra::testing;
using namespace std::string_literals;

namespace {

// The window, whose every poll notes whether the timer ran meanwhile.
struct Login : net::SocketFactory {
    // The polls wait for the test's steps.
    explicit Login(int port)
        : window(signin::FrmLoginDeps{
              .endpoint = {"127.0.0.1", port},
              .dataFolder = store::DataFolder(folder),
              .sockets = *this,
              .exchanges = steps,
              .webViews = &FakeWebView::Create,
              .messages = messages,
              .scale = TwipScale(15),
              .pcName = QStringLiteral("DESKTOP-ABCDEFG"),
              .timeOfDay = [] { return QStringLiteral("14-05-07"); },
              .handOver =
                  [this] {
                      ++handOvers;
                      visibleAtHandOver = window.isVisible();
                  },
              .endProgram = [this] { ++programEnds; },
          }) {}
    std::unique_ptr<net::Socket> Create(const net::AbortSwitch& cancel) override {
        timerRunningDuringPoll.push_back(window.PollTimer()->isActive());
        return sockets.Create(cancel);
    }
    // A tick returns with its poll waiting its turn on the queue, so a slow
    // answer holds only the poll; the answer is then delivered.
    void Tick() {
        Q_EMIT window.PollTimer()->timeout({});
        QCOMPARE(steps.Waiting(), std::size_t{1});
        steps.Settle();
    }
    QTemporaryDir dir;
    std::filesystem::path folder = dir.path().toStdString() + "/qvestrafolder";
    net::TcpSocketFactory sockets;
    std::vector<bool> timerRunningDuringPoll;
    FakeMessageBoxes messages;
    StepQueue steps;
    int handOvers = 0;
    int programEnds = 0;
    bool visibleAtHandOver = true;
    signin::FrmLogin window;
};

}  // namespace

class TestFrmLogin : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Each answer comes to a tick of the poll timer, for the page the window
    // opened: no tick polls while a poll runs, an unanswered poll waits for
    // the next tick and leaves no data folder, a named member closes the
    // window and only then hands over.
    void ticks_data() {
        Columns<std::string, bool>({"answer", "signedIn"});
        Row("named", "USERID=A-12|1"s, true);
        Row("key in lower case", "userid=A-12|1"s, false);
        Row("empty", std::string(), false);
    }
    void ticks() {
        const auto [answer, signedIn] = Fetch<std::string, bool>({"answer", "signedIn"});
        ScriptedServer server("HTTP/1.0 200 OK\r\n\r\n" + answer);
        Login login(server.Port());
        login.window.Load();
        QCOMPARE(static_cast<FakeWebView*>(login.window.WebBrowser())->navigated,
                 QStringList{QString::fromStdString(server.Address(
                     "/q_vestra/Entry.asp?LTIME=14-05-07&PC_NAME=DESKTOP-ABCDEFG"))});
        login.Tick();
        QCOMPARE(server.Request(),
                 "GET " + server.Address("/q_vestra/LOG_O/qvuser14-05-07.txt") +
                     " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n\r\n");
        QCOMPARE(login.timerRunningDuringPoll, std::vector<bool>{false});
        QCOMPARE(login.window.PollTimer()->interval(), 3000);
        QCOMPARE(std::filesystem::exists(login.folder), signedIn);
        QCOMPARE(ReadFile(login.folder / "qvuser.txt"), std::string(signedIn ? "A-12|1\r\n" : ""));
        QCOMPARE(login.handOvers, signedIn ? 1 : 0);
        if (signedIn) QVERIFY2(!login.visibleAtHandOver, "the window closes before the hand-over");
        QCOMPARE(login.window.PollTimer()->isActive(), !signedIn);
        QCOMPARE(login.programEnds, 0);
    }

    // How the sign-in ends the program: the service answers CANCEL, the host
    // cannot be reached, the member closes the window, a named member cannot
    // be stored (no data folder, or no user file: the member is told instead
    // of a poll going on in silence); or, with a member known already, hands
    // over at once. The program ends behind the message; only the window it
    // ends with may stay.
    void endings_data() {
        Columns<QString, QString>({"how", "message"});
        for (const char* how : {"cancel", "close", "known"}) Row(how, QString(how), QString());
        Row("unreachable", QStringLiteral("unreachable"),
            QStringLiteral("ＰＣがインターネットに接続していません！"));
        Row("no data folder", QStringLiteral("no folder"), QStringLiteral("データフォルダ"));
        Row("no user file", QStringLiteral("no file"), QStringLiteral("会員情報"));
    }
    void endings() {
        const auto [how, message] = Fetch<QString, QString>({"how", "message"});
        ScriptedServer server("HTTP/1.0 200 OK\r\n\r\n" +
                              std::string(how == "cancel" ? "CANCEL\r\n" : "USERID=A-12|1"));
        Login login(how == "unreachable" ? ScriptedServer::ClosedPort() : server.Port());
        if (how == "no folder") {
            WriteFile(login.folder, "a file in the folder's place");
        } else {
            std::filesystem::create_directories(login.folder / "images");
            if (how == "no file") std::filesystem::create_directory(login.folder / "qvuser.txt");
            WriteFile(login.folder / "qvuser.txt", how == "known" ? "A-12|3\r\n" : "");
        }
        login.window.Load();
        if (how == "close") login.window.close();
        if (how != "close" && how != "known") login.Tick();
        QCOMPARE(login.messages.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) QVERIFY(login.messages.shown[0].startsWith(message));
        QCOMPARE(login.programEnds, how == "known" ? 0 : 1);
        QCOMPARE(login.handOvers, how == "known" ? 1 : 0);
        QCOMPARE(login.window.isVisible(), !message.isEmpty());
        QVERIFY(!login.window.PollTimer()->isActive());
        QCOMPARE(std::filesystem::exists(login.folder), how != "cancel");
    }
};

QTEST_MAIN(TestFrmLogin)
#include "test_frm_login.moc"
