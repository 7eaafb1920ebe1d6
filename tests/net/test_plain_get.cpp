// Exchanges and page reads against a scripted loopback server: how the
// header is read, what each sink leaves on disk, the header-line rules, the
// menu-page reader, and the abort switch ending any of them.
#include <netinet/in.h>

#include <csignal>
#include "fakes/name_server.h"
#include "fakes/support.h"

#include "net/probe.h"
#include "net/protocol.h"
#include "net/tcp_socket.h"
#include "net/url_reader.h"
#include "store/sinks.h"

using namespace qvestra;
using namespace qvestra::net;
using namespace qvestra::store;
using namespace qvestra::testing;
using namespace std::chrono_literals;
using namespace std::string_literals;
using std::this_thread::sleep_for;
Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(qvestra::store::StoreLimits)

namespace {

const std::string kHttpOk = "HTTP/1.0 200 OK\r\n";
const std::string kOkHeader = kHttpOk + "Content-Type: text/plain\r\n\r\n";

// Room enough for every reply here, on any disk.
const StoreLimits kRoomy{1 << 20, 0};

// The rest of a reply that can no longer be used: a client that waits for
// it gets it long before its exchange's time-out.
const std::string kNotWaitedFor = "<pause 30000>" + std::string(50, 'y');

// A scripted server, an answer file's place in a folder of its own, and a
// socket that serves one exchange after another, as the window's do.
struct Loopback {
    explicit Loopback(const std::string& script, const core::AbortSwitch* abort = nullptr,
                      Pace pace = {})
        : server(script), socket(abort, pace) {}
    // The scripted server as the service, or as a proxy to svc.test with the
    // user given.
    ServiceEndpoint Endpoint(bool viaProxy, const std::string& user = "",
                             const std::string& password = "") const {
        if (!viaProxy) return {"127.0.0.1", server.Port()};
        return {"svc.test", 80, HttpProxy{"127.0.0.1", server.Port(), user, password}};
    }
    // With the scripted server unless another host is given.
    ExchangeResult Run(BodySink& sink, int timeoutSeconds = 5,
                       TimeOut rule = TimeOut::kWholeExchange, ServiceEndpoint at = {}) {
        if (at.host.empty()) at = Endpoint(false);
        return PlainGet(socket, at, {"GET /x HTTP/1.0\r\n\r\n", timeoutSeconds, rule}, sink);
    }
    QTemporaryDir dir;
    std::filesystem::path file = dir.path().toStdString() + "/answer.bin";
    ScriptedServer server;
    TcpSocket socket;
};

std::string Times(const std::string& text, int count) {
    return QByteArray::fromStdString(text).repeated(count).toStdString();
}

// A page read as the tests compare it: whether it came whole, then its bytes.
std::string Seen(const PageRead& read) { return (read.whole ? "whole:" : "part:") + read.bytes; }

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
        // Stored by the whole-body sink (a document's), by the short-answer
        // sink (a poll's).
        const auto rows = [](bool shortAnswer) {
            return
                [=](const char* name, std::string reply, std::string stored = "",
                    StoreLimits limits = kRoomy) { Row(name, reply, shortAnswer, limits, stored); };
        };
        const auto whole = rows(false), answer = rows(true);
        const std::string length5 = kHttpOk + "Content-Length: 5\r\n";
        const std::string body5 = length5 + "\r\n12345", noLength5 = kOkHeader + "12<pause 40>345";
        const std::string longest(ReceiveBuffer::kMaxLineBytes, 'p');
        const auto lines = [](int n) { return kHttpOk + Times("X: y\r\n", n) + "\r\nbody"; };
        whole("empty body", kHttpOk + "\r\n");
        whole("header split across packets", kHttpOk + "X<pause 60>: y\r\n\r\nrest", "rest");
        whole("the same length twice", length5 + "CONTENT-LENGTH:5\r\n\r\n12345", "12345");
        whole("a later length that disagrees", kHttpOk + "Content-Length: 9\r\n" + body5);
        whole("reset mid-body", kOkHeader + "partial<pause 60><reset>");
        // The reply ends with its length; the host need not close first, and
        // what follows is not the reply's, as HTTP has it.
        whole("more than the length, the connection held", body5 + "678" + kNotWaitedFor, "12345");
        whole("no status line", "just text\r\n\r\nbody");
        whole("line at the limit", kHttpOk + longest + "\r\n\r\nbody", "body");
        // Read on, the rest of such a header would be stored as the document.
        whole("line over the limit", kHttpOk + longest + "p\r\nX: y\r\n\r\nbody");
        whole("as many lines as allowed", lines(kMaxHeaderLines), "body");
        whole("one line too many", lines(kMaxHeaderLines + 1));
        whole("NUL and CR LF bytes", kOkHeader + "a\0b\r\n\r\nc"s, "a\0b\r\n\r\nc"s);
        whole("length at the limit", body5, "12345", {5, 0});
        whole("length over the limit", body5, "", {4, 0});
        whole("no length, at the limit", noLength5, "12345", {5, 0});
        whole("no length, over the limit", noLength5, "", {4, 0});
        whole("length, no room on the disk", body5, "", {5, INT64_MAX / 2});
        whole("no length, no room on the disk", noLength5, "", {5, INT64_MAX / 2});
        // Bytes whose order shows.
        const std::string letters = Times("abcdefghijklmnopqrstuvwxyz", 4).substr(0, 99);
        answer("99 bytes in two chunks",
               kOkHeader + letters.substr(0, 50) + "<pause 40>" + letters.substr(50), letters);
        answer("100 bytes are no answer", kOkHeader + letters + "z" + kNotWaitedFor);
        // An error page or a cut-off answer never cancels a contract.
        answer("an error page's answer is none", "HTTP/1.0 404 Not Found\r\n\r\nK_CANCEL");
        answer("an answer shorter than its length is none", kHttpOk + "Content-Length: 9\r\n\r\nX");
        answer("an unreadable length is no answer", kHttpOk + "Content-Length: x\r\n\r\nX");
    }
    void sinks() {
        const auto [reply, shortAnswer, limits, stored] =
            Fetch<std::string, bool, StoreLimits, std::string>();
        Loopback x(reply);
        WriteFile(x.file, "previous");
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
    // well past the 2 s time-out, a piece every 250 ms unless told. A
    // handled signal (the desktop's opener ending, say) that lands in a wait
    // interrupts it, and changes nothing.
    void trickle_data() {
        Columns<std::string, bool, int, bool>();
        const auto row = [](const char* name, const std::string& script, bool document, int result,
                            bool tls = false) { Row(name, script, document, result, tls); };
        row("endless header lines", kHttpOk + Times("<pause 250>X: y\r\n", 40), false, kTimedOut);
        // The slowest link a member reads over, GPRS at its worst, at two
        // and a half times the minimum.
        row("a document over the slowest link",
            kOkHeader + Times("<pause 100>" + std::string(256, 'a'), 30), true, kClosed);
        row("a document a byte at a time", kOkHeader + Times("<pause 250>b", 12), true, kTooSlow);
        row("a document that stops", kOkHeader + "so far<pause 10000>", true, kTooSlow);
        row("a status line a byte at a time", Times("<pause 250>H", 20), true, kTimedOut);
        row("a handshake that never ends", "<no request><pause 10000>", true, kTimedOut, true);
    }
    void trickle() {
        const auto [script, document, result, tls] = Fetch<std::string, bool, int, bool>();
        // Other exchanges keep the program's pace: its bounds are longer
        // than their time-out.
        Loopback x(script, nullptr, document ? Pace{1s, 1024, 1s} : Pace{});
        WholeBodySink sink(x.file, kRoomy);
        struct sigaction handled {};
        handled.sa_handler = [](int) {};
        QCOMPARE(::sigaction(SIGUSR1, &handled, nullptr), 0);
        const std::jthread signal(
            [self = ::pthread_self()] { sleep_for(100ms), ::pthread_kill(self, SIGUSR1); });
        const ServiceEndpoint at("127.0.0.1", x.server.Port(), {}, tls ? Scheme::kHttps : Scheme{});
        const auto got = x.Run(sink, 2, document ? TimeOut::kBetweenBytes : TimeOut{}, at);
        QCOMPARE(got.SockResult, result);
        QCOMPARE(sink.Stored(), result == kClosed);
    }

    // What goes out on each route, and what of the reply counts. Directly
    // the scripted server is the service; through a proxy with a user it is
    // the proxy, and the service is svc.test. A proxy's refusal is never an
    // answer; the copies that come through a proxy with its user are the
    // proxy end-to-end run's.
    void routes() {
        for (const bool viaProxy : {false, true}) {
            Loopback x(viaProxy ? "HTTP/1.0 502 Bad Gateway\r\n\r\nno route"s : OkReply("END"));
            const ServiceEndpoint endpoint = x.Endpoint(viaProxy, "member", "pa55");
            ShortAnswerSink sink;
            PlainGet(x.socket, endpoint, {protocol::HelpCopy(endpoint)}, sink);
            QCOMPARE(x.server.Request(),
                     viaProxy
                         ? "GET http://svc.test/q_Vestra/HTML/Help.html HTTP/1.0\r\n"
                           "Proxy-Authorization: Basic bWVtYmVyOnBhNTU=\r\nHost: svc.test\r\n\r\n"s
                         : "GET /q_Vestra/HTML/Help.html HTTP/1.0\r\nHost: 127.0.0.1:" +
                               std::to_string(x.server.Port()) + "\r\n\r\n");
            QCOMPARE(sink.Answer().value_or(""), viaProxy ? "" : "END");
        }
    }

    // Directly, a connection is enough and nothing is sent. Through a proxy
    // only the service's answer counts, whatever its status; the proxy's
    // refusals do not, nor does a proxy that is not there (the proxy
    // end-to-end run's, once its proxy is gone).
    void probe_data() {
        Columns<bool, std::string, bool>();
        Row("directly", false, ""s, true);
        Row("the service's page", true, OkReply("x"), true);
        Row("the service's 404", true, "HTTP/1.0 404 Not Found\r\n\r\n"s, true);
        Row("just short of a success", true, "HTTP/1.0 199 Early\r\n\r\n"s, false);
        Row("the proxy wants a user", true, "HTTP/1.0 407 Proxy Auth\r\n\r\n"s, false);
        Row("the proxy cannot connect", true, "HTTP/1.0 500 Unable\r\n\r\n"s, false);
    }
    void probe() {
        const auto [viaProxy, reply, reached] = Fetch<bool, std::string, bool>();
        Loopback x(reply);
        QCOMPARE(ReachService(x.socket, x.Endpoint(viaProxy), 3), reached);
        QCOMPARE(x.server.Request(),
                 viaProxy ? "HEAD http://svc.test/ HTTP/1.0\r\nHost: svc.test\r\n\r\n"s : ""s);
    }

    // A stream may end without a line end, or with a CR alone: its last line
    // is handed out as a line, without the CR, never left to turn up as body
    // bytes.
    void aLastLineWithoutItsEnd() {
        std::string stream = "HTTP/1.0 200 OK\r\nX: y\r", line;
        ReceiveBuffer received;
        const ReceiveBuffer::Fill fill = [&stream](std::string& buffer) {
            return stream.empty() ? int(kClosed) : (buffer += std::exchange(stream, {}), int(kOk));
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
    void noConnection() {
        for (const char* host : {"127.0.0.1", "no-such-host.invalid", "255.255.255.255"}) {
            Loopback x(kOkHeader + "ok");
            ShortAnswerSink answer;
            x.Run(answer);
            WholeBodySink sink(x.file, kRoomy);
            const auto got = x.Run(sink, 3, {}, {host, ScriptedServer::ClosedPort()});
            QVERIFY2(got.ConnectResult != kOk && got.SockResult != kOk, host);
            QVERIFY(FilesIn(x.dir.path().toStdString()).isEmpty());
            std::string out;
            QCOMPARE(x.socket.Write("GET / HTTP/1.0\r\n\r\n"), int(kNotConnected));
            QCOMPARE(x.socket.ReadLine(out), int(kNotConnected));
            QCOMPARE(x.socket.Read(out), int(kNotConnected));
        }
    }

    // Names are looked up without a thread of their own: a numeric address
    // at once, even with no time left; a name from the hosts file; a name
    // the name server answers after a while. One that never answers holds a
    // look-up until its deadline, or until its cancel; the channel serves
    // the next one.
    void lookUps() {
        NameServer answering(true), silent(false);
        NameResolver slow(answering.Address()), hung(silent.Address());
        QElapsedTimer took;
        const auto resolve = [&took](NameResolver& resolver, const char* host, auto within,
                                     const core::AbortSwitch* cancel = nullptr) {
            took.start();
            return resolver.Resolve(host, 80, std::chrono::steady_clock::now() + within, cancel);
        };
        QCOMPARE(resolve(hung, "127.0.0.1", 0s).size(), std::size_t{1});
        const auto found = resolve(slow, "svc.test", 10s);
        QCOMPARE(found.size(), std::size_t{1});
        QCOMPARE(reinterpret_cast<const sockaddr_in&>(found[0].address).sin_addr.s_addr,
                 htonl(INADDR_LOOPBACK));
        QVERIFY(resolve(hung, "svc.test", 300ms).empty() && took.elapsed() >= 290);
        core::AbortSwitch cancel;
        const std::jthread trip([&cancel] { sleep_for(100ms), cancel.Trip(); });
        QVERIFY(resolve(hung, "svc.test", 60s, &cancel).empty() && took.elapsed() < 30000);
        QVERIFY(!resolve(hung, "localhost", 10s).empty());
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
        ScriptedServer moved(kHttpOk + "\r\nmoved page", 2), loop(found("/again"), 10);
        ScriptedServer toHttp(found(moved.Address("/new"))), toFile(found("file:///etc/hostname"));
        // Cut short after two pieces, both of which are kept.
        ScriptedServer cut(kHttpOk + "Content-Length: 1000\r\n\r\nfi<pause 50>rst<pause 100>");
        ScriptedServer maintenance("HTTP/1.0 503 Service Unavailable\r\n\r\nmaintenance");
        auto read = [reader = CurlUrlReader("qvestra")](const std::string& at) mutable {
            return Seen(reader.ReadAll(at, core::AbortSwitch()));
        };
        QCOMPARE(read(toHttp.Address("/q_vestra/execute.asp?yuzaaidhi=A-12")), "whole:moved page");
        const QString request = QString::fromStdString(toHttp.Request());
        QVERIFY(request.startsWith("GET /q_vestra/execute.asp?yuzaaidhi=A-12 HTTP/1.1\r\n"));
        QVERIFY(request.contains("\r\nCache-Control: no-cache\r\n"));
        QCOMPARE(read(toFile.Address("/old")), "part:");
        QCOMPARE(read(loop.Address("/")), "part:");
        QCOMPARE(loop.Connections(), 1 + int(CurlUrlReader::kMaxRedirects));
        QCOMPARE(read(cut.Address("/")), "part:first");
        QCOMPARE(read(maintenance.Address("/")), "part:maintenance");
        // The program's route, not the environment's: directly, or through
        // the program's proxy with its user.
        qputenv("http_proxy",
                "http://127.0.0.1:" + QByteArray::number(ScriptedServer::ClosedPort()));
        QCOMPARE(read(moved.Address("/again")), "whole:moved page");
        ScriptedServer proxy(OkReply("via proxy"));
        CurlUrlReader proxied("qvestra");
        proxied.UseProxy(HttpProxy{"127.0.0.1", proxy.Port(), "member", "pa55"});
        QCOMPARE(Seen(proxied.ReadAll("http://svc.test/p", {})), "whole:via proxy");
        qunsetenv("http_proxy");
        const QByteArray asked = QByteArray::fromStdString(proxy.Request());
        QVERIFY(asked.startsWith("GET http://svc.test/p HTTP/1.1\r\n") &&
                asked.contains("\r\nProxy-Authorization: Basic bWVtYmVyOnBhNTU=\r\n"));
        QTemporaryDir dir;
        WriteFile(dir.path().toStdString() + "/q page.html", "Contents_VALUE\r\n\x82\xa0");
        QCOMPARE(read("file://" + dir.path().toStdString() + "\\q page.html"),
                 "whole:Contents_VALUE\r\n\x82\xa0");
        // Letters and digits as they stand, their neighbours escaped.
        QCOMPARE(CurlAddress("file:///@AZ[`az{09-._~ "), "file:///%40AZ%5B%60az%7B09-._~%20");
    }

    // A host that keeps silent: an exchange, whether the switch trips before
    // the connection or during the wait for the reply, and a page read. Its
    // 20 s of silence outlast the exchange's 10 s time-out and fall short of
    // the page reader's 30 s: a switch that ended nothing shows as a time-out
    // or a whole page.
    void aTrippedSwitchEndsEveryWait() {
        for (const QString wait : {"exchange, tripped before", "exchange", "page read"}) {
            const core::AbortSwitch abort;
            if (wait.endsWith("before")) abort.Trip();
            Loopback x("<pause 20000>HTTP/1.0 200 OK\r\n\r\nx", &abort);
            // Tripped from another thread once the host has the request, as a
            // signal arriving during the wait would.
            const std::jthread trip([&](std::stop_token done) {
                while (x.server.Requests() == 0 && !done.stop_requested()) sleep_for(1ms);
                abort.Trip();
            });
            ShortAnswerSink sink;
            if (wait == "page read")
                QVERIFY(!CurlUrlReader("qvestra").ReadAll(x.server.Address("/"), abort).whole);
            else
                QCOMPARE(x.Run(sink, 10).SockResult, int(kAborted));
        }
    }
};

QTEST_GUILESS_MAIN(TestPlainGet)
#include "test_plain_get.moc"
