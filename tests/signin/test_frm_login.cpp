// The sign-in window's load and its poll against a scripted loopback server.
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "common/time_stamp.h"
#include "fakes/fake_message_boxes.h"
#include "fakes/fake_web_view.h"
#include "fakes/files.h"
#include "fakes/scripted_server.h"
#include "net/tcp_socket.h"
#include "signin/computer_name.h"
#include "signin/frm_login.h"

using namespace qvestra;
using qvestra::testing::FakeMessageBoxes;
using qvestra::testing::FakeWebView;
using qvestra::testing::ReadFile;
using qvestra::testing::ScriptedServer;
using qvestra::testing::ServerStep;

namespace {

struct Login {
    explicit Login(int port) {
        folder = std::filesystem::path(dir.path().toStdString()) / "qvestrafolder";
        window = std::make_unique<signin::FrmLogin>(signin::FrmLoginDeps{
            .endpoint = {"127.0.0.1", port},
            .dataFolder = store::DataFolder(folder),
            .sockets = watchedSockets,
            .webViews = &FakeWebView::Create,
            .messages = messages,
            .scale = TwipScale(15),
            .pcName = QStringLiteral("DESKTOP-ABCDEFG"),
            .timeOfDay = [] { return QStringLiteral("14-05-07"); },
            .handOver =
                [this] {
                    ++handOvers;
                    if (onHandOver) onHandOver();
                },
            .endProgram = [this] { ++programEnds; },
        });
    }
    QTemporaryDir dir;
    std::filesystem::path folder;
    net::TcpSocketFactory sockets;
    // Notes whether the poll timer runs whenever a poll opens its connection.
    struct WatchedSockets final : net::SocketFactory {
        explicit WatchedSockets(Login& l) : login(l) {}
        std::unique_ptr<net::Socket> Create() override {
            login.timerRunningDuringPoll.push_back(login.window->Timer1()->isActive());
            return login.sockets.Create();
        }
        Login& login;
    } watchedSockets{*this};
    std::vector<bool> timerRunningDuringPoll;
    std::function<void()> onHandOver;
    FakeMessageBoxes messages;
    int handOvers = 0;
    int programEnds = 0;
    std::unique_ptr<signin::FrmLogin> window;
};

}  // namespace

class TestFrmLogin : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void loadOpensTheSignInPageAndPollsForItsAnswer() {
        ScriptedServer server({ServerStep::Send("HTTP/1.0 404 Not Found\r\n\r\nnot yet")});
        Login login(server.Port());
        login.window->Load();
        const QString port = QString::number(server.Port());
        QCOMPARE(static_cast<FakeWebView*>(login.window->WebBrowser())->navigated,
                 QStringList{"http://127.0.0.1:" + port +
                             "/q_vestra/Entry.asp?LTIME=14-05-07&PC_NAME=DESKTOP-ABCDEFG"});
        QVERIFY(login.window->isVisible());
        const QRect outer = login.window->frameGeometry();
        QVERIFY2(outer.height() > login.window->height(), "the platform draws no frame");
        QCOMPARE(login.window->WebBrowser()->Geometry(),
                 (TwipRect{0, 0, 15.f * outer.width() - 50, 15.f * outer.height() - 120}));
        QCOMPARE(login.window->Timer1()->interval(), 3000);
        login.window->PollSignIn();
        QCOMPARE(QString::fromStdString(server.Request()),
                 "GET http://127.0.0.1:" + port +
                     "/q_vestra/LOG_O/qvuser14-05-07.txt HTTP/1.0\r\nHost: 127.0.0.1:" + port +
                     "\r\n\r\n");
        QVERIFY(!login.window->SignedIn());
        QVERIFY(!std::filesystem::exists(login.folder));
    }

    // Each answer comes to a tick of the poll timer: no tick polls while a
    // poll runs, an unanswered poll waits for the next tick, a named member
    // closes the window and only then hands over.
    void ticks_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("userFile");  // empty: no user file written
        QTest::newRow("member named") << QByteArray("USERID=A-12|1") << QByteArray("A-12|1\r\n");
        QTest::newRow("member named, with CR LF")
            << QByteArray("USERID=A-12|1\r\n") << QByteArray("A-12|1\r\n");
        QTest::newRow("lower-case key") << QByteArray("userid=A-12|1") << QByteArray();
        QTest::newRow("record without status") << QByteArray("USERID=A-12") << QByteArray();
        QTest::newRow("member ID that is a path") << QByteArray("USERID=../x-1|1") << QByteArray();
        QTest::newRow("no key") << QByteArray("A-12|1") << QByteArray();
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("100 bytes")
            << QByteArray("USERID=A-12|1" + QByteArray(87, ' ')) << QByteArray();
    }
    void ticks() {
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, userFile);
        ScriptedServer server({ServerStep::Send("HTTP/1.0 200 OK\r\n\r\n" + answer.toStdString())});
        Login login(server.Port());
        bool visibleAtHandOver = true;
        login.onHandOver = [&] { visibleAtHandOver = login.window->isVisible(); };
        login.window->Load();
        Q_EMIT login.window->Timer1()->timeout({});
        QCOMPARE(login.timerRunningDuringPoll, std::vector<bool>{false});
        const bool signedIn = !userFile.isEmpty();
        QCOMPARE(QByteArray::fromStdString(ReadFile(login.folder / "qvuser.txt")), userFile);
        QCOMPARE(login.handOvers, signedIn ? 1 : 0);
        if (signedIn) QVERIFY2(!visibleAtHandOver, "the window closes before the hand-over");
        QCOMPARE(login.window->Timer1()->isActive(), !signedIn);
        QCOMPARE(login.programEnds, 0);
    }

    // How the sign-in can end the program, or hand over at once.
    void endings_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("programEnds");
        QTest::addColumn<int>("handOvers");
        QTest::newRow("the service answers CANCEL") << "cancel" << QStringList{} << 1 << 0;
        QTest::newRow("the host cannot be reached")
            << "unreachable"
            << QStringList{QStringLiteral("ＰＣがインターネットに接続していません！")} << 1 << 0;
        QTest::newRow("the member closes the window") << "close" << QStringList{} << 1 << 0;
        QTest::newRow("a member is known already") << "known" << QStringList{} << 0 << 1;
    }
    void endings() {
        QFETCH(QString, how);
        QFETCH(QStringList, messages);
        QFETCH(int, programEnds);
        QFETCH(int, handOvers);
        ScriptedServer server({ServerStep::Send("HTTP/1.0 200 OK\r\n\r\nCANCEL\r\n")});
        Login login(how == "unreachable" ? ScriptedServer::ClosedPort() : server.Port());
        std::filesystem::create_directories(login.folder / "images");
        testing::WriteFile(login.folder / "qvuser.txt", how == "known" ? "A-12|3\r\n" : "");
        login.window->Load();
        if (how == "close") login.window->close();
        if (how == "cancel" || how == "unreachable") Q_EMIT login.window->Timer1()->timeout({});
        QCOMPARE(login.messages.shown, messages);
        QCOMPARE(login.programEnds, programEnds);
        QCOMPARE(login.handOvers, handOvers);
        // The program ends behind the message; only the window it ends with may stay.
        QCOMPARE(login.window->isVisible(), how == "unreachable");
        QVERIFY(!login.window->Timer1()->isActive());
        QCOMPARE(std::filesystem::exists(login.folder), how != "cancel");
    }

    void computerNameAndStamp() {
        QCOMPARE(signin::ComputerNameFrom("desk.example.com"), QStringLiteral("desk"));
        QCOMPARE(signin::ComputerNameFrom("ABCDEFGHIJKLMNO"), QStringLiteral("ABCDEFGHIJKLMNO"));
        QCOMPARE(signin::ComputerNameFrom("ABCDEFGHIJKLMNOPQRST"),
                 QStringLiteral("ABCDEFGHIJKLMNO"));
        QCOMPARE(TimeOfDayStamp(QTime(9, 5, 7)), QStringLiteral("09-05-07"));
        QCOMPARE(TimeOfDayStamp(QTime(14, 5, 7)), QStringLiteral("14-05-07"));
    }
};

QTEST_MAIN(TestFrmLogin)
#include "test_frm_login.moc"
