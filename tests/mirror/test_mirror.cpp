// Document downloads with their progress window, and page and logo
// mirroring, against a scripted loopback server.
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "common/cp932.h"
#include "fakes/files.h"
#include "fakes/scripted_server.h"
#include "mirror/frm_cond.h"
#include "mirror/mirror.h"
#include "net/http_text.h"
#include "net/tcp_socket.h"

using namespace qvestra;
using qvestra::testing::ScriptedServer;
using qvestra::testing::ServerStep;
using Script = std::vector<ServerStep>;
using qvestra::testing::ReadFile;
using qvestra::testing::WriteFile;

Q_DECLARE_METATYPE(Script)

namespace {

std::string Reply(const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// One exchange set, as the main window lends it, aimed at a loopback port.
struct Client {
    explicit Client(int port)
        : endpoint{"127.0.0.1", port}, hostHeader(net::HostHeader(endpoint)) {}
    mirror::Exchange Exchange() { return {socket, endpoint, hostHeader, state}; }
    net::TcpSocket socket;
    net::ServiceEndpoint endpoint;
    std::string hostHeader;
    net::ExchangeState state;
};

struct Folder {
    QTemporaryDir dir;
    store::DataFolder data{std::filesystem::path(dir.path().toStdString())};
    std::filesystem::path operator/(const char* name) const { return data.Root() / name; }
};

// Every state the progress window went through: length | received | bar.
struct ProgressLog {
    QStringList shown;
    int windows = 0;
    bool sizable = false;
    QPointer<mirror::FrmCond> last;
    mirror::DownloadUi Ui(int timeoutSeconds = 5) {
        return {TwipScale(15), timeoutSeconds, {}, [this](mirror::FrmCond& w) {
                    ++windows;
                    last = &w;
                    sizable = w.minimumSize() != w.maximumSize();
                    Record(w);
                    QObject::connect(&w, &mirror::FrmCond::updated, [this, &w] { Record(w); });
                }};
    }
    void Record(const mirror::FrmCond& w) {
        shown << QStringLiteral("%1|%2|%3/%4")
                     .arg(w.Lbl_Leng->text(), w.Lbl_Recv->text())
                     .arg(w.ProgBar->value())
                     .arg(w.ProgBar->maximum());
    }
};

}  // namespace

class TestMirror : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void announcedLengthInTwoChunks() {
        const std::string half(1024, 'p');
        ScriptedServer server(
            {ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Length: 2048\r\n\r\n" + half),
             ServerStep::Pause(80), ServerStep::Send(half)});
        Folder folder;
        Client client(server.Port());
        ProgressLog log;
        const auto outcome =
            mirror::DownloadPackage(client.Exchange(), folder.data, "/m01.pdf", "教材1", log.Ui());
        QVERIFY(outcome.stored);
        QCOMPARE(outcome.announced, std::optional<std::int64_t>(2048));
        QCOMPARE(log.windows, 1);
        QVERIFY2(log.sizable, "the progress window is a sizable tool window");
        QCOMPARE(log.shown.first(), QStringLiteral("2,048||0/2048"));
        QCOMPARE(log.shown.mid(1), (QStringList{"2,048|1,024|1024/2048", "2,048|2,048|2048/2048"}));
        QVERIFY2(log.last.isNull(), "the progress window is gone once the download ends");
        QCOMPARE(ReadFile(folder / "m01.pdf"), half + half);
        QCOMPARE(QString::fromStdString(server.Request()).section("\r\n", 0, 0),
                 QStringLiteral("GET http://127.0.0.1:%1/qv_contents/m01.pdf HTTP/1.0")
                     .arg(server.Port()));
    }

    void titleLabelAndOutOfRangeCounts() {
        ScriptedServer server(
            {ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\nabc")});
        Folder folder;
        Client client(server.Port());
        ProgressLog log;
        QString title;
        auto ui = log.Ui();
        const auto shown = ui.shown;
        ui.shown = [&](mirror::FrmCond& w) {
            title = w.Lbl_TTL->text();
            shown(w);
        };
        mirror::DownloadPackage(client.Exchange(), folder.data, "/m01.pdf", "教材1", ui);
        QCOMPARE(title, QStringLiteral("教材1を初期化中"));
        QCOMPARE(log.shown.last(), QStringLiteral("0|3|1/1"));
    }

    // What a download stores, and whether its progress window showed.
    void whatIsStored_data() {
        QTest::addColumn<Script>("script");  // empty: nothing listens
        QTest::addColumn<bool>("window");
        QTest::addColumn<bool>("stored");
        QTest::newRow("lower-case length: stored, but the window needs the exact name")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\ncontent-length: 3\r\n\r\nabc")} << false
            << true;
        QTest::newRow("unreachable host") << Script{} << false << false;
        QTest::newRow("not-found reply")
            << Script{ServerStep::Send(
                   "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found")}
            << true << false;
        QTest::newRow("closed mid-body")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Length: 2048\r\n\r\nhalf"),
                      ServerStep::Close()}
            << true << false;
        QTest::newRow("stalled server")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Length: 2048\r\n\r\nhalf"),
                      ServerStep::Pause(2500)}
            << true << false;
        QTest::newRow("length not a whole number")
            << Script{ServerStep::Send("HTTP/1.0 500 Oops\r\nContent-Length: 1e3\r\n\r\nx")}
            << false << false;
    }
    void whatIsStored() {
        QFETCH(Script, script);
        QFETCH(bool, window);
        QFETCH(bool, stored);
        ScriptedServer server(script);
        Folder folder;
        Client client(script.empty() ? ScriptedServer::ClosedPort() : server.Port());
        ProgressLog log;
        const auto outcome =
            mirror::DownloadPackage(client.Exchange(), folder.data, "/m01.pdf", "t", log.Ui(1));
        QCOMPARE(outcome.stored, stored);
        QCOMPARE(log.windows, window ? 1 : 0);
        QCOMPARE(QDir(folder.dir.path()).entryList(QDir::Files | QDir::Hidden),
                 stored ? QStringList{"m01.pdf"} : QStringList{});
    }

    void writeFailureEndsCleanly() {
        ScriptedServer server({ServerStep::Send(Reply(std::string(4096, 'x')))});
        Folder folder;
        // A folder where the temporary file would go makes every write fail.
        std::filesystem::create_directory(folder / ".m01.pdf.part");
        Client client(server.Port());
        ProgressLog log;
        QVERIFY(!mirror::DownloadPackage(client.Exchange(), folder.data, "/m01.pdf", "t", log.Ui())
                     .stored);
        QVERIFY(!std::filesystem::exists(folder / "m01.pdf"));
    }

    // The page copy first holds the page just read; each copy is replaced
    // only by a whole successful reply, and other files stay as they are.
    void mirroring_data() {
        QTest::addColumn<Script>("script");   // empty: nothing listens
        QTest::addColumn<QString>("copies");  // page | help | logo afterwards
        const Script whole{ServerStep::Send("HTTP/1.0 200 OK\r\n\r\none-"), ServerStep::Pause(50),
                           ServerStep::Send("two-"), ServerStep::Pause(50),
                           ServerStep::Send("three")};
        QTest::newRow("whole replies in several chunks")
            << whole << "one-two-three|one-two-three|one-two-three";
        QTest::newRow("host unreachable") << Script{} << "ページ\r\n|old help|old logo";
        QTest::newRow("not-found pages")
            << Script{ServerStep::Send("HTTP/1.0 404 Not Found\r\n\r\n<html>404</html>")}
            << "ページ\r\n|old help|old logo";
    }
    void mirroring() {
        QFETCH(Script, script);
        QFETCH(QString, copies);
        ScriptedServer server(script, 3);
        Folder folder;
        std::filesystem::create_directories(folder / "images");
        WriteFile(folder / "images" / "LOGO_Movei.gif", "old logo");
        WriteFile(folder / "images" / "other.gif", "other");
        WriteFile(folder / "Help.html", "old help");
        Client client(script.empty() ? ScriptedServer::ClosedPort() : server.Port());
        mirror::MirrorPages(client.Exchange(), folder.data, "A-12", QStringLiteral("ページ"));
        const auto text = [&](const std::filesystem::path& p) {
            return DecodeCp932(QByteArray::fromStdString(ReadFile(p)));
        };
        QCOMPARE(QStringList({text(folder / "A-12.html"), text(folder / "Help.html"),
                              text(folder / "images" / "LOGO_Movei.gif")})
                     .join(u'|'),
                 copies);
        QCOMPARE(ReadFile(folder / "images" / "other.gif"), std::string("other"));
        if (script.empty()) return;
        const QString host = "\r\nHost: 127.0.0.1:" + QString::number(server.Port());
        QCOMPARE(QString::fromStdString(server.Request()).split("\r\n\r\n", Qt::SkipEmptyParts),
                 (QStringList{"GET /q_Vestra/HTML/A-12.txt HTTP/1.0" + host,
                              "GET /q_Vestra/HTML/Help.html HTTP/1.0" + host,
                              "GET /q_Vestra/images/Logo_Movei.gif HTTP/1.0" + host}));
    }

    void formatCount_data() {
        QTest::addColumn<qlonglong>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0LL << "0";
        QTest::newRow("four digits") << 2048LL << "2,048";
        QTest::newRow("beyond 32 bits") << 5000000000LL << "5,000,000,000";
    }
    void formatCount() {
        QFETCH(qlonglong, value);
        QFETCH(QString, text);
        QCOMPARE(mirror::FormatCount(value), text);
    }
};

QTEST_MAIN(TestMirror)
#include "test_mirror.moc"
