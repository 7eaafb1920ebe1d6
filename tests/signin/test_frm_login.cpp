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

// The sign-in window; its polls wait for the test's steps. A hand-over
// records whether the window still showed then.
struct Login {
    explicit Login(int port)
        : window({.endpoint = {"127.0.0.1", port},
                  .dataFolder = store::DataFolder(folder),
                  .sockets = sockets,
                  .exchanges = steps,
                  .webViews = &FakeWebView::Create,
                  .messages = messages,
                  .scale = ui::TwipScale(15),
                  .pcName = QStringLiteral("DESKTOP-ABCDEFG"),
                  .timeOfDay = [] { return QStringLiteral("14-05-07"); },
                  .handOver = [this] { handOvers.push_back(window.isVisible()); },
                  .endProgram = [this] { ++programEnds; }}) {}
    QTemporaryDir dir;
    std::filesystem::path folder = dir.path().toStdString() + "/qvestrafolder";
    net::TcpSocketFactory sockets;
    FakeMessageBoxes messages;
    StepQueue steps;
    int programEnds = 0;
    std::vector<bool> handOvers;
    signin::FrmLogin window;
};

}  // namespace

class TestFrmLogin : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Each answer comes to a tick of the poll timer, for the page the window
    // opened: an unanswered poll waits for the next tick and leaves no data
    // folder, a named member closes the window and only then hands over.
    // Or the sign-in ends the program: the service answers CANCEL, the host
    // cannot be reached, the member closes the window, a named member cannot
    // be stored (no data folder, or no user file: the member is told instead
    // of a poll going on in silence); or, with a member known already, it
    // hands over at once. The program ends behind the message; only the
    // window it ends with may stay.
    void signIn_data() {
        Columns<QString, std::string, QString>();
        Row("named", "poll", "USERID=A-12|1"s, QString());
        // The key is exact.
        Row("key in lower case", "poll", "userid=A-12|1"s, QString());
        Row("empty", "poll", std::string(), QString());
        Row("cancel", "cancel", "CANCEL\r\n"s, QString());
        for (const char* how : {"close", "known"}) Row(how, how, "USERID=A-12|1"s, QString());
        Row("unreachable", "unreachable", ""s, "ＰＣがインターネットに接続していません！");
        Row("no data folder", "no folder", "USERID=A-12|1"s, "データフォルダ");
        Row("no user file", "no file", "USERID=A-12|1"s, "会員情報");
    }
    void signIn() {
        const auto [how, answer, message] = Fetch<QString, std::string, QString>();
        const bool poll = how == "poll", signedIn = poll && answer.starts_with("USERID=");
        ScriptedServer server("HTTP/1.0 200 OK\r\n\r\n" + answer);
        Login login(how == "unreachable" ? ScriptedServer::ClosedPort() : server.Port());
        if (how == "no folder") {
            WriteFile(login.folder, "a file in the folder's place");
        } else if (!poll) {
            std::filesystem::create_directories(login.folder / "images");
            if (how == "no file") std::filesystem::create_directory(login.folder / "qvuser.txt");
            WriteFile(login.folder / "qvuser.txt", how == "known" ? "A-12|3\r\n" : "");
        }
        login.window.Load();
        if (how == "close") login.window.close();
        if (how != "close" && how != "known") {
            // A tick returns with its poll waiting its turn on the queue, so
            // a slow answer holds only the poll, and no tick polls meanwhile.
            Q_EMIT login.window.PollTimer()->timeout({});
            QCOMPARE(login.steps.Waiting(), std::size_t{1});
            QVERIFY(!login.window.PollTimer()->isActive());
            login.steps.Settle();
        }
        if (poll) {
            QCOMPARE(static_cast<FakeWebView*>(login.window.WebBrowser())->navigated,
                     QStringList{QString::fromStdString(server.Address(
                         "/q_vestra/Entry.asp?LTIME=14-05-07&PC_NAME=DESKTOP-ABCDEFG"))});
            QCOMPARE(server.Request(),
                     "GET " + server.Address("/q_vestra/LOG_O/qvuser14-05-07.txt") +
                         " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
                         "\r\n\r\n");
            QCOMPARE(ReadFile(login.folder / "qvuser.txt"), signedIn ? "A-12|1\r\n"s : ""s);
        }
        QCOMPARE(login.messages.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) QVERIFY(login.messages.shown[0].startsWith(message));
        QCOMPARE(login.programEnds, poll || how == "known" ? 0 : 1);
        QCOMPARE(login.handOvers, std::vector<bool>(signedIn || how == "known" ? 1 : 0, false));
        QCOMPARE(login.window.isVisible(), !message.isEmpty() || (poll && !signedIn));
        QCOMPARE(login.window.PollTimer()->isActive(), poll && !signedIn);
        QCOMPARE(std::filesystem::exists(login.folder), poll ? signedIn : how != "cancel");
    }
};

QTEST_MAIN(TestFrmLogin)
#include "test_frm_login.moc"
