// Exchanges and page reads against a scripted loopback server: how the
// header is read, what each sink leaves on disk, the header-line rules, the
// menu-page reader, and the abort switch ending any of them.
#include <netinet/in.h>

#include <atomic>
#include <csignal>
#include <thread>
#include "fakes/name_server.h"
#include "fakes/support.h"

#include "core/abort_switch.h"
#include "net/http_text.h"
#include "net/probe.h"
#include "net/receive_buffer.h"
#include "net/resolve.h"
#include "net/tcp_socket.h"
#include "net/url_reader.h"
#include "store/sinks.h"

using namespace qvestra;
using namespace qvestra::net;
using namespace qvestra::store;
using namespace qvestra::testing;
using namespace std::chrono_literals;
using namespace std::string_literals;
Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(qvestra::store::StoreLimits)
Q_DECLARE_METATYPE(std::optional<qvestra::net::HttpProxy>)
namespace {
enum class Route;
}
Q_DECLARE_METATYPE(Route)

namespace {

const std::string kHttpOk = "HTTP/1.0 200 OK\r\n";
const std::string kOkHeader = kHttpOk + "Content-Type: text/plain\r\n\r\n";

// Room enough for every reply here, on any disk.
const StoreLimits kRoomy{1 << 20, 0};

// The rest of a reply that can no longer be used: a client that waits for
// it gets it long before its exchange's time-out.
const std::string kNotWaitedFor = "<pause 30000>" + std::string(50, 'y');

// A scripted server, an answer file alone in its folder, and a socket that
// serves one exchange after another, as the window's do.
struct Loopback {
    explicit Loopback(const std::string& script, const core::AbortSwitch* abort = nullptr,
                      Pace pace = {})
        : server(script), socket(abort, pace) {
        WriteFile(file, "previous");
    }
    // With the scripted server unless another host is given.
    void Run(BodySink& sink, int timeoutSeconds = 5, TimeOut rule = TimeOut::kWholeExchange,
             ServiceEndpoint at = {}) {
        if (at.host.empty()) at = {"127.0.0.1", server.Port()};
        result = PlainGet(socket, at, {"GET /x HTTP/1.0\r\n\r\n", timeoutSeconds, rule}, sink);
    }
    QTemporaryDir dir;
    std::filesystem::path file = dir.path().toStdString() + "/answer.bin";
    ScriptedServer server;
    TcpSocket socket;
    ExchangeResult result;
};

std::string Times(const std::string& text, int count) {
    return QByteArray::fromStdString(text).repeated(count).toStdString();
}

// Bytes whose order shows.
std::string Letters(int count) {
    return Times("abcdefghijklmnopqrstuvwxyz", count).substr(0, count);
}

// A page read as the tests compare it: whether it came whole, then its bytes.
std::string Seen(const PageRead& read) { return (read.whole ? "whole:" : "part:") + read.bytes; }

// How a trickling host is reached: as the service; as the service over
// TLS; as a proxy that tunnels to it.
enum class Route { kDirect, kTls, kTunnel };

using Proxy = std::optional<HttpProxy>;
// The scripted server as the proxy, the user and password given.
Proxy ProxyAt(const ScriptedServer& server, const std::string& user = "",
              const std::string& password = "") {
    return HttpProxy{"127.0.0.1", server.Port(), user, password};
}

}  // namespace

class TestPlainGet : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // What a sink leaves: the body of a usable reply in place of the previous
    // file, else that file as it was, and nothing beside it. A body longer
    // than its limit, or one the disk has no room for beside what it must keep
    // free, is not stored. Once a reply can no longer be used, the rest of it
    // is not waited for. An empty "stored" means the previous file stays.
    void sinks_data() {
        Columns<std::string, bool, StoreLimits, std::string>();
        const auto whole = [](const char* name, const std::string& reply, const std::string& stored,
                              StoreLimits limits = kRoomy) {
            Row(name, reply, false, limits, stored);
        };
        const std::string length5 = kHttpOk + "Content-Length: 5\r\n";
        const std::string body5 = length5 + "\r\n12345", noLength5 = kOkHeader + "12<pause 40>345";
        const std::string longest(ReceiveBuffer::kMaxLineBytes, 'p');
        whole("empty body", kHttpOk + "\r\n", "");
        whole("header split across packets", kHttpOk + "Content-<pause 60>Type: x\r\n\r\nrest",
              "rest");
        whole("the same length twice", length5 + "CONTENT-LENGTH:5\r\n\r\n12345", "12345");
        whole("lower-case length, closed before it", kHttpOk + "content-length: 9\r\n\r\n1234", "");
        // What follows the announced length is not the reply's, as HTTP has it.
        whole("more than the length", kHttpOk + "Content-Length: 3\r\n\r\n12345" + kNotWaitedFor,
              "123");
        whole("a later length that disagrees", kHttpOk + "Content-Length: 9\r\n" + body5, "");
        whole("length beyond 64 bits", kHttpOk + "Content-Length: 99999999999999999999\r\n\r\n1",
              "");
        whole("a name one letter off", kHttpOk + "Xontent-Length: 9\r\n\r\n1234", "1234");
        whole("reset mid-body", kOkHeader + "partial<pause 60><reset>", "");
        // The reply ends with its length; the host need not close first.
        whole("its whole length, then a reset", body5 + "<pause 60><reset>", "12345");
        whole("its whole length, the connection held", body5 + kNotWaitedFor, "12345");
        whole("no status line", "just text\r\n\r\nbody"s, "");
        whole("line at the limit", kHttpOk + longest + "\r\n\r\nbody", "body");
        // Read on, the rest of such a header would be stored as the document.
        whole("line over the limit", kHttpOk + longest + "p\r\nX: y\r\n\r\nbody", "");
        whole("as many lines as allowed",
              kHttpOk + Times("X-Line: y\r\n", kMaxHeaderLines) + "\r\nbody", "body");
        whole("one line too many",
              kHttpOk + Times("X-Line: y\r\n", kMaxHeaderLines + 1) + "\r\nbody", "");
        whole("NUL and CR LF bytes", kOkHeader + "a\0b\r\n\r\nc"s, "a\0b\r\n\r\nc"s);
        whole("length at the limit", body5, "12345", {5, 0});
        whole("length over the limit", body5, "", {4, 0});
        whole("no length, at the limit", noLength5, "12345", {5, 0});
        whole("no length, over the limit", noLength5, "", {4, 0});
        whole("length, no room on the disk", body5, "", {5, INT64_MAX / 2});
        whole("no length, no room on the disk", noLength5, "", {5, INT64_MAX / 2});
        Row("answer of 99 bytes, in two chunks",
            kOkHeader + Letters(50) + "<pause 40>" + Letters(99).substr(50), true, kRoomy,
            Letters(99));
        Row("100 bytes are no answer", kOkHeader + Letters(100) + kNotWaitedFor, true, kRoomy, ""s);
        // An error page or a cut-off answer never cancels a contract.
        Row("an error page's answer is none", "HTTP/1.0 404 Not Found\r\n\r\nK_CANCEL"s, true,
            kRoomy, ""s);
        Row("an answer shorter than its length is none",
            kHttpOk + "Content-Length: 9\r\n\r\nCANCEL"s, true, kRoomy, ""s);
        Row("an answer with an unreadable length is none",
            kHttpOk + "Content-Length: x\r\n\r\nCANCEL"s, true, kRoomy, ""s);
        Row("an answer reset by the host is none", kOkHeader + "CANCEL<pause 60><reset>"s, true,
            kRoomy, ""s);
    }
    void sinks() {
        const auto [reply, shortAnswer, limits, stored] =
            Fetch<std::string, bool, StoreLimits, std::string>();
        Loopback x(reply);
        WholeBodySink whole(x.file, limits);
        ShortAnswerSink answer(x.file);
        x.Run(shortAnswer ? static_cast<BodySink&>(answer) : whole, 60);
        if (reply.ends_with(kNotWaitedFor)) QVERIFY(x.server.HungUpMidScript());
        QCOMPARE(whole.Stored() || answer.Answer().has_value(), !stored.empty());
        QCOMPARE(ReadFile(x.file), stored.empty() ? "previous" : stored);
        QCOMPARE(FilesIn(x.dir.path().toStdString()).size(), 1);
    }

    // Every read of a trickling host comes in time; only the exchange as a
    // whole can be late. A document instead fails once its bytes stop, or
    // once a window (here of 1 s) of its body ends short of its minimum
    // (here 1 KiB a second); everything before its body ends within the
    // head's bound (here 1 s) however its bytes come. Each host trickles on
    // well past the 2 s time-out, a piece every 250 ms unless told.
    void trickle_data() {
        Columns<std::string, Route, bool, int>();
        const std::string stalled = kOkHeader + "so far<pause 10000>";
        Row("a body stalled", stalled, Route::kDirect, false, int(kTimedOut));
        Row("header lines without end", kHttpOk + Times("<pause 250>X: y\r\n", 40), Route::kDirect,
            false, int(kTimedOut));
        // The slowest link a member reads over, GPRS at its worst, at two
        // and a half times the minimum.
        Row("a document over the slowest link", kOkHeader + Times("<pause 100>" + Letters(256), 30),
            Route::kDirect, true, int(kClosed));
        Row("a document a byte at a time", kOkHeader + Times("<pause 250>b", 12), Route::kDirect,
            true, int(kTooSlow));
        Row("a document that stops", stalled, Route::kDirect, true, int(kTooSlow));
        Row("a status line a byte at a time", Times("<pause 250>H", 20), Route::kDirect, true,
            int(kTimedOut));
        Row("a header a byte at a time", kHttpOk + Times("<pause 250>X", 20), Route::kDirect, true,
            int(kTimedOut));
        Row("a proxy's answer to CONNECT a byte at a time", Times("<pause 250>H", 20),
            Route::kTunnel, true, int(kTimedOut));
        Row("a handshake that never ends", "<no request><pause 10000>"s, Route::kTls, true,
            int(kTimedOut));
    }
    void trickle() {
        const auto [script, route, document, result] = Fetch<std::string, Route, bool, int>();
        // Other exchanges keep the program's pace: its bounds are longer
        // than their time-out.
        Loopback x(script, nullptr, document ? Pace{1s, 1024, 1s} : Pace{});
        WholeBodySink sink(x.file, kRoomy);
        const int port = x.server.Port();
        const ServiceEndpoint at =
            route == Route::kDirect ? ServiceEndpoint{"127.0.0.1", port}
            : route == Route::kTls
                ? ServiceEndpoint{"127.0.0.1", port, std::nullopt, Scheme::kHttps}
                : ServiceEndpoint{"svc.test", 443, HttpProxy{"127.0.0.1", port, "", ""},
                                  Scheme::kHttps};
        x.Run(sink, 2, document ? TimeOut::kBetweenBytes : TimeOut::kWholeExchange, at);
        QCOMPARE(x.result.SockResult, result);
        QCOMPARE(sink.Stored(), result == kClosed);
    }

    // What goes out on each route, and what of the reply counts. Directly
    // the scripted server is the service; through a proxy it is the proxy,
    // and the service is svc.test. A proxy's refusal is never an answer; the
    // copies that come through a proxy with its user are the proxy
    // end-to-end run's.
    void routes_data() {
        Columns<Proxy, std::string, std::string, std::string>();
        const std::string help = "GET {path}/q_Vestra/HTML/Help.html HTTP/1.0\r\n",
                          host = "Host: {host}\r\n\r\n";
        const Proxy anonymous = HttpProxy{}, member = HttpProxy{"", 0, "member", "pa55"};
        Row("a mirror copy, directly", Proxy(), help + host, OkReply("END"), "END"s);
        Row("the proxy wants a user", anonymous, help + host,
            "HTTP/1.0 407 Proxy Authentication Required\r\n\r\nlog in"s, ""s);
        Row("the proxy cannot reach the service", member,
            help + "Proxy-Authorization: Basic bWVtYmVyOnBhNTU=\r\n" + host,
            "HTTP/1.0 502 Bad Gateway\r\n\r\nno route"s, ""s);
    }
    void routes() {
        const auto [proxy, request, reply, answer] =
            Fetch<Proxy, std::string, std::string, std::string>();
        Loopback x(reply);
        const ServiceEndpoint endpoint =
            proxy ? ServiceEndpoint("svc.test", 80, ProxyAt(x.server, proxy->user, proxy->password))
                  : ServiceEndpoint("127.0.0.1", x.server.Port());
        ShortAnswerSink sink;
        PlainGet(x.socket, endpoint,
                 {RequestText(PathRequestLine(endpoint, "/q_Vestra/HTML/Help.html"),
                              HostHeader(endpoint))},
                 sink);
        QString expected = QString::fromStdString(request);
        expected.replace("{path}", proxy ? "http://svc.test" : "")
            .replace("{host}", QString::fromStdString(endpoint.Authority()));
        QCOMPARE(QString::fromStdString(x.server.Request()), expected);
        QCOMPARE(sink.Answer().value_or(""), answer);
    }

    // Directly, a connection is enough and nothing is sent. Through a proxy
    // only the service's answer counts, whatever its status; the proxy's
    // refusals and a proxy that is not there do not.
    void probe_data() {
        Columns<Proxy, std::string, bool>();
        Row("directly", Proxy(), ""s, true);
        Row("the service's page", Proxy(HttpProxy{}), OkReply("x"), true);
        Row("the service's 404", Proxy(HttpProxy{}), "HTTP/1.0 404 Not Found\r\n\r\n"s, true);
        Row("the proxy wants a user", Proxy(HttpProxy{}),
            "HTTP/1.0 407 Proxy Authentication Required\r\n\r\n"s, false);
        Row("the proxy cannot connect", Proxy(HttpProxy{}), "HTTP/1.0 500 Unable\r\n\r\n"s, false);
        Row("no status line", Proxy(HttpProxy{}), "hello\r\n\r\n"s, false);
        Row("no proxy there", Proxy(HttpProxy{"127.0.0.1", ScriptedServer::ClosedPort(), "", ""}),
            ""s, false);
    }
    void probe() {
        const auto [proxy, reply, reached] = Fetch<Proxy, std::string, bool>();
        ScriptedServer server(reply);
        ServiceEndpoint endpoint("127.0.0.1", server.Port());
        if (proxy) {
            endpoint = {"svc.test", 80, proxy->port != 0 ? proxy : ProxyAt(server)};
        }
        TcpSocket socket;
        QCOMPARE(ReachService(socket, endpoint, 3), reached);
        if (proxy && proxy->port == 0)
            QCOMPARE(server.Request(), "HEAD http://svc.test/ HTTP/1.0\r\nHost: svc.test\r\n\r\n");
        if (!proxy) QCOMPARE(server.Request(), "");
    }

    // A handled signal (the desktop's opener ending, say) that lands in a
    // wait interrupts it; the exchange goes on.
    void aSignalDuringAWaitIsNoFailure() {
        struct sigaction ignore {};
        ignore.sa_handler = [](int) {};
        QCOMPARE(::sigaction(SIGUSR1, &ignore, nullptr), 0);
        Loopback x(kOkHeader + "<pause 300>body");
        WholeBodySink sink(x.file, kRoomy);
        const std::jthread signal([waiting = ::pthread_self()] {
            std::this_thread::sleep_for(100ms);
            ::pthread_kill(waiting, SIGUSR1);
        });
        x.Run(sink);
        QCOMPARE(ReadFile(x.file), "body");
    }

    // A stream may end without a line end, or with a CR alone: its last line
    // is handed out as a line, without the CR, never left to turn up as body
    // bytes.
    void aLastLineWithoutItsEnd() {
        std::string stream = "HTTP/1.0 200 OK\r\nX: y\r", line;
        ReceiveBuffer received;
        const ReceiveBuffer::Fill fill = [&stream](std::string& buffer) {
            buffer += stream;
            return std::exchange(stream, {}).empty() ? int(kClosed) : int(kOk);
        };
        QVERIFY(received.ReadLine(fill, line) == kOk && received.ReadLine(fill, line) == kOk);
        QCOMPARE(line, "X: y");
        QCOMPARE(received.Read(fill, line), int(kClosed));
    }

    // Without a connection (nothing listens, no such host, an address the
    // system refuses at once) the exchange yields nothing and touches
    // nothing, and every later call on the socket fails at once, even on a
    // socket that served an exchange before, as the mirroring's does; the
    // state keeps nothing of that exchange.
    void noConnection_data() {
        Columns<std::string>();
        for (const char* host : {"127.0.0.1", "no-such-host.invalid", "255.255.255.255"})
            QTest::newRow(host) << std::string(host);
    }
    void noConnection() {
        const auto [host] = Fetch<std::string>();
        Loopback x(kOkHeader + "ok");
        std::filesystem::remove(x.file);
        ShortAnswerSink answer;
        x.Run(answer);
        QCOMPARE(x.server.Request(), "GET /x HTTP/1.0\r\n\r\n");
        QVERIFY(answer.Answer());
        std::string out;
        QCOMPARE(x.socket.Read(out), int(kNotConnected));
        WholeBodySink sink(x.file, kRoomy);
        x.Run(sink, 3, TimeOut::kWholeExchange, {host, ScriptedServer::ClosedPort()});
        QVERIFY(x.result.ConnectResult != kOk && x.result.SockResult != kOk);
        QCOMPARE(x.result.StatusCode, 0);
        QCOMPARE(x.result.BodyBytes, std::int64_t{0});
        QVERIFY(FilesIn(x.dir.path().toStdString()).isEmpty());
        QCOMPARE(x.socket.Write("GET / HTTP/1.0\r\n\r\n"), int(kNotConnected));
        QCOMPARE(x.socket.ReadLine(out), int(kNotConnected));
        QCOMPARE(x.socket.Read(out), int(kNotConnected));
    }

    // Names are looked up without a thread of their own: a numeric address
    // at once, even with no time left; a name from the hosts file; a name
    // the name server answers after a while. One that never answers holds a
    // look-up until its deadline, or until its cancel; the channel serves
    // the next one.
    void lookUps() {
        const auto now = std::chrono::steady_clock::now();
        NameResolver system;
        QCOMPARE(system.Resolve("127.0.0.1", 80, now, nullptr).size(), std::size_t{1});
        QCOMPARE(system.Resolve("::1", 80, now, nullptr).size(), std::size_t{1});
        QVERIFY(!system.Resolve("localhost", 80, now + 10s, nullptr).empty());
        NameServer answering(true), silent(false);
        NameResolver slow(answering.Address()), hung(silent.Address());
        const auto found =
            slow.Resolve("svc.test", 80, std::chrono::steady_clock::now() + 10s, nullptr);
        QCOMPARE(found.size(), std::size_t{1});
        QCOMPARE(reinterpret_cast<const sockaddr_in&>(found[0].address).sin_addr.s_addr,
                 htonl(INADDR_LOOPBACK));
        QElapsedTimer took;
        took.start();
        QVERIFY(hung.Resolve("svc.test", 80, std::chrono::steady_clock::now() + 300ms, nullptr)
                    .empty());
        QVERIFY(took.elapsed() >= 290);
        core::AbortSwitch cancel;
        std::thread trip([&cancel] {
            std::this_thread::sleep_for(100ms);
            cancel.Trip();
        });
        took.restart();
        QVERIFY(
            hung.Resolve("svc.test", 80, std::chrono::steady_clock::now() + 60s, &cancel).empty());
        trip.join();
        QVERIFY(took.elapsed() < 30000);
        QVERIFY(!hung.Resolve("localhost", 80, std::chrono::steady_clock::now() + 10s, nullptr)
                     .empty());
        QVERIFY(silent.Asked());
    }

    // The menu-page reader: the page's own address and nothing from a cache
    // (the program as agent is seen by the contract's end-to-end run); a move
    // followed within http, never to a local file, and not round in circles;
    // what arrived of a read cut short; a local copy given with mixed
    // separators. Only a page that came whole with a success status is whole.
    void pageReads() {
        const auto found = [](const std::string& to) {
            return "HTTP/1.0 302 Found\r\nLocation: " + to + "\r\nContent-Length: 0\r\n\r\n";
        };
        ScriptedServer moved(kHttpOk + "\r\nmoved page", 2);
        ScriptedServer toHttp(found(moved.Address("/new"))), toFile(found("file:///etc/hostname"));
        ScriptedServer loop(found("/again"), 10);
        // Cut short after two pieces, both of which are kept.
        ScriptedServer cut(kHttpOk + "Content-Length: 1000\r\n\r\nfi<pause 50>rst<pause 100>");
        ScriptedServer maintenance("HTTP/1.0 503 Service Unavailable\r\n\r\nmaintenance");
        CurlUrlReader reader("qvestra");
        const core::AbortSwitch never;
        QCOMPARE(
            Seen(reader.ReadAll(toHttp.Address("/q_vestra/execute.asp?yuzaaidhi=A-12"), never)),
            "whole:moved page");
        const QString request = QString::fromStdString(toHttp.Request());
        QVERIFY(request.startsWith("GET /q_vestra/execute.asp?yuzaaidhi=A-12 HTTP/1.1\r\n"));
        QVERIFY(request.contains("\r\nCache-Control: no-cache\r\n"));
        QCOMPARE(Seen(reader.ReadAll(toFile.Address("/old"), never)), "part:");
        QCOMPARE(Seen(reader.ReadAll(loop.Address("/"), never)), "part:");
        QCOMPARE(loop.Connections(), 1 + int(CurlUrlReader::kMaxRedirects));
        QCOMPARE(Seen(reader.ReadAll(cut.Address("/"), never)), "part:first");
        QCOMPARE(Seen(reader.ReadAll(maintenance.Address("/"), never)), "part:maintenance");
        // The program's route, not the environment's; the route through the
        // program's proxy with its user is the proxy end-to-end run's.
        qputenv("http_proxy",
                "http://127.0.0.1:" + QByteArray::number(ScriptedServer::ClosedPort()));
        QCOMPARE(Seen(reader.ReadAll(moved.Address("/again"), never)), "whole:moved page");
        qunsetenv("http_proxy");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("q folder"));
        const std::string bytes = "Contents_VALUE\r\n\x82\xa0\r\n";
        WriteFile(dir.path().toStdString() + "/q folder/A-12.html", bytes);
        const std::string mixed = "file://" + dir.path().toStdString() + "\\q folder/A-12.html";
        QCOMPARE(Seen(reader.ReadAll(mixed, never)), "whole:" + bytes);
        QCOMPARE(CurlAddress("file://C:\\q/A-12.html"), "file:///C:/q/A-12.html");
        // Letters and digits as they stand, their neighbours escaped.
        QCOMPARE(CurlAddress("file:///@AZ[`az{09-._~ "), "file:///%40AZ%5B%60az%7B09-._~%20");
    }

    // A host that keeps silent: an exchange, whether the switch trips before
    // the connection or during the wait for the reply, and a page read. Its
    // 20 s of silence outlast the exchange's 10 s time-out and fall short of
    // the page reader's 30 s: a switch that ended nothing shows as a time-out
    // or a whole page.
    void aTrippedSwitchEndsEveryWait_data() {
        Columns<QString>();
        for (const char* wait : {"exchange, tripped before", "exchange", "page read"})
            QTest::newRow(wait) << QString(wait);
    }
    void aTrippedSwitchEndsEveryWait() {
        const auto [wait] = Fetch<QString>();
        const core::AbortSwitch abort;
        if (wait.endsWith("before")) abort.Trip();
        Loopback x("<pause 20000>HTTP/1.0 200 OK\r\n\r\nx", &abort);
        ShortAnswerSink sink;
        PageRead page{"not read"};
        {
            // Tripped from another thread once the host has the request, as a
            // signal arriving during the wait would.
            const std::jthread trip([&](std::stop_token done) {
                while (x.server.Requests() == 0 && !done.stop_requested())
                    std::this_thread::sleep_for(1ms);
                abort.Trip();
            });
            if (wait == "page read")
                page = CurlUrlReader("qvestra").ReadAll(x.server.Address("/"), abort);
            else
                x.Run(sink, 10);
        }
        if (wait == "page read")
            QCOMPARE(Seen(page), "part:");
        else
            QCOMPARE(wait == "exchange" ? x.result.SockResult : x.result.ConnectResult,
                     int(kAborted));
    }
};

QTEST_GUILESS_MAIN(TestPlainGet)
#include "test_plain_get.moc"
