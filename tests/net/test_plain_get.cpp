// Exchanges and page reads against a scripted loopback server: how the
// header is read, what each sink leaves on disk, the header-line rules, the
// menu-page reader, and the abort switch ending any of them.
#include <csignal>
#include <thread>
#include "fakes/support.h"

#include "net/abort_switch.h"
#include "net/http_text.h"
#include "net/receive_buffer.h"
#include "net/resolve.h"
#include "net/tcp_socket.h"
#include "net/url_reader.h"
#include "store/sinks.h"

using namespace qvestra::net;
using namespace qvestra::store;
using namespace qvestra::testing;
Q_DECLARE_METATYPE(std::string)

namespace {

const std::string kHttpOk = "HTTP/1.0 200 OK\r\n";
const std::string kOkHeader = kHttpOk + "Content-Type: text/plain\r\n\r\n";

struct Exchange {
    explicit Exchange(const std::string& script) : server(script) { WriteFile(file, "previous"); }
    ExchangeState Run(BodySink& sink, int timeoutSeconds = 5,
                      TimeOut rule = TimeOut::kWholeExchange) {
        TcpSocket socket;
        ExchangeState state;
        PlainGet(socket, {"127.0.0.1", server.Port()},
                 {"GET /x HTTP/1.0\r\n\r\n", timeoutSeconds, rule}, sink, state);
        return state;
    }
    QTemporaryDir dir;
    std::filesystem::path file = dir.path().toStdString() + "/answer.bin";
    ScriptedServer server;
};

// text, count times over.
std::string Times(const std::string& text, int count) {
    std::string all;
    for (int i = 0; i < count; ++i) all += text;
    return all;
}

// Room enough for every reply here, on any disk.
const StoreLimits kRoomy{1 << 20, 0};

// A page read as the tests compare it: whether it came whole, then its bytes.
std::string Seen(const PageRead& read) { return (read.whole ? "whole:" : "part:") + read.bytes; }

std::string Letters(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += static_cast<char>('a' + i % 26);
    return text;
}

}  // namespace

class TestPlainGet : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void wholeBody_data() {
        QTest::addColumn<std::string>("reply");
        QTest::addColumn<QString>("stored");  // empty: the previous file stays
        const std::string length5 = kHttpOk + "Content-Length: 5\r\n";
        const std::string longest(ReceiveBuffer::kMaxLineBytes, 'p');
        Row("status line only", kHttpOk + "\r\nbody", "body");
        Row("empty body", kHttpOk + "\r\n", "");
        Row("body in chunks, in order", kOkHeader + "first-<pause 60>second-<pause 60>third",
            "first-second-third");
        Row("header split across packets", kHttpOk + "Content-<pause 60>Type: x\r\n\r\nrest",
            "rest");
        Row("length met", length5 + "\r\n12345", "12345");
        Row("the same length twice", length5 + "CONTENT-LENGTH:5\r\n\r\n12345", "12345");
        Row("error page", std::string("HTTP/1.1 404 Not Found\r\n\r\n<html>404"), "");
        Row("lower-case length, closed before it", kHttpOk + "content-length: 9\r\n\r\n1234", "");
        Row("more than the length", kHttpOk + "Content-Length: 3\r\n\r\n12345", "");
        Row("a later length that disagrees",
            kHttpOk + "Content-Length: 9\r\n" + length5 + "\r\n12345", "");
        Row("length beyond 64 bits", kHttpOk + "Content-Length: 99999999999999999999\r\n\r\n1", "");
        Row("a name one letter off", kHttpOk + "Xontent-Length: 9\r\n\r\n1234", "1234");
        Row("length no number", kHttpOk + "Content-Length: 5 bytes\r\n\r\n12345", "");
        Row("reset mid-body", kOkHeader + "partial<pause 60><reset>", "");
        Row("closed inside the header", kHttpOk + "Content-Le", "");
        Row("no status line", std::string("just text\r\n\r\nbody"), "");
        Row("line at the limit", kHttpOk + longest + "\r\n\r\nbody", "body");
        // Read on, the rest of such a header would be stored as the document.
        Row("line over the limit", kHttpOk + longest + "p\r\nX: y\r\n\r\nbody", "");
        Row("as many lines as allowed",
            kHttpOk + Times("X-Line: y\r\n", kMaxHeaderLines) + "\r\nbody", "body");
        Row("one line too many", kHttpOk + Times("X-Line: y\r\n", kMaxHeaderLines + 1) + "\r\nbody",
            "");
        Row("NUL and CR LF bytes", kOkHeader + std::string("a\0b\r\n\r\nc", 8),
            QString::fromLatin1("a\0b\r\n\r\nc", 8));
    }
    void wholeBody() {
        QFETCH(std::string, reply);
        QFETCH(QString, stored);
        Exchange x(reply);
        WholeBodySink sink(x.file, kRoomy);
        x.Run(sink);
        QCOMPARE(sink.Stored(), !stored.isEmpty());
        QCOMPARE(QString::fromLatin1(ReadFile(x.file)), stored.isEmpty() ? "previous" : stored);
        QCOMPARE(FilesIn(x.dir.path().toStdString()).size(), 1);
    }

    // A body longer than its limit, or one the disk has no room for beside
    // what it must keep free, is not stored, with a length or without.
    void bodyLimits_data() {
        QTest::addColumn<std::string>("reply");
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<qint64>("keepFree");
        QTest::addColumn<bool>("stored");
        const qint64 all = std::numeric_limits<qint64>::max() / 2;
        const std::string length5 = kHttpOk + "Content-Length: 5\r\n\r\n12345";
        const std::string noLength5 = kOkHeader + "12<pause 40>345";
        Row("length at the limit", length5, qint64{5}, qint64{0}, true);
        Row("length over the limit", length5, qint64{4}, qint64{0}, false);
        Row("no length, at the limit", noLength5, qint64{5}, qint64{0}, true);
        Row("no length, over the limit", noLength5, qint64{4}, qint64{0}, false);
        Row("length, no room on the disk", length5, qint64{5}, all, false);
        Row("no length, no room on the disk", noLength5, qint64{5}, all, false);
    }
    void bodyLimits() {
        QFETCH(std::string, reply);
        QFETCH(qint64, maxBytes);
        QFETCH(qint64, keepFree);
        QFETCH(bool, stored);
        Exchange x(reply);
        WholeBodySink sink(x.file, {maxBytes, keepFree});
        x.Run(sink);
        QCOMPARE(sink.Stored(), stored);
        QCOMPARE(ReadFile(x.file), stored ? "12345" : "previous");
        QCOMPARE(FilesIn(x.dir.path().toStdString()).size(), 1);
    }

    // Two chunks of a body whose order shows; an answer is 1 to 99 bytes.
    void shortAnswer() {
        for (const int bytes : {0, 1, 99, 100, 100 * 1024}) {
            const std::string body = Letters(bytes);
            Exchange x(kOkHeader + body.substr(0, bytes / 2) + "<pause 40>" +
                       body.substr(bytes / 2));
            ShortAnswerSink sink(x.file);
            x.Run(sink);
            const bool stored = bytes > 0 && bytes < 100;
            QCOMPARE(sink.Answer().has_value(), stored);
            QCOMPARE(ReadFile(x.file), stored ? body : std::string("previous"));
        }
    }

    // Every read of a trickling host comes in time; only the exchange as a
    // whole can be late: a header never ended, a body stalled, a header or a
    // body a byte at a time, header lines without end. A document instead
    // fails once its bytes stop.
    void trickleIsBoundedAsAWhole() {
        for (const auto& [script, betweenBytes] : std::vector<std::pair<std::string, bool>>{
                 {kHttpOk + "Content-Le<pause 1600>", false},
                 {kOkHeader + "so far<pause 1600>", false},
                 {"HTTP/1.0 200" + Times("<pause 250>0", 6), false},
                 {kHttpOk + Times("<pause 250>X: y\r\n", 6), false},
                 {kOkHeader + Times("<pause 250>b", 6), false},
                 {kOkHeader + Times("<pause 250>b", 8), true}}) {
            Exchange x(script);
            WholeBodySink sink(x.file, kRoomy);
            const auto started = std::chrono::steady_clock::now();
            const ExchangeState state =
                x.Run(sink, 1, betweenBytes ? TimeOut::kBetweenBytes : TimeOut::kWholeExchange);
            QVERIFY2(state.SockResult == (betweenBytes ? int(kClosed) : int(kTimedOut)),
                     script.c_str());
            QCOMPARE(sink.Stored(), betweenBytes);
            if (!betweenBytes) QVERIFY2(Since(started).count() < 2500, "outlived its time-out");
        }
    }

    // A handled signal (the desktop's opener ending, say) that lands in a
    // wait interrupts it; the exchange goes on.
    void aSignalDuringAWaitIsNoFailure() {
        struct sigaction ignore {};
        ignore.sa_handler = [](int) {};
        QCOMPARE(::sigaction(SIGUSR1, &ignore, nullptr), 0);
        Exchange x(kOkHeader + "<pause 300>body");
        WholeBodySink sink(x.file, kRoomy);
        const std::jthread signal([waiting = ::pthread_self()] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            ::pthread_kill(waiting, SIGUSR1);
        });
        QCOMPARE(x.Run(sink).ChunkCount, std::int64_t{1});
        QCOMPARE(ReadFile(x.file), std::string("body"));
    }

    // Once a reply can no longer be used, the rest of it is not waited for.
    void unusableReplyIsNotReadOn() {
        for (const bool shortAnswer : {true, false}) {
            Exchange x((shortAnswer ? kOkHeader + std::string(100, 'x')
                                    : kHttpOk + "Content-Length: 3\r\n\r\n12345") +
                       "<pause 2200>" + std::string(50, 'y'));
            ShortAnswerSink answer(x.file);
            WholeBodySink whole(x.file, kRoomy);
            const auto started = std::chrono::steady_clock::now();
            x.Run(shortAnswer ? static_cast<BodySink&>(answer) : whole);
            QVERIFY2(Since(started).count() < 2000, "the rest of the reply was waited for");
            QCOMPARE(ReadFile(x.file), std::string("previous"));
            QVERIFY(!answer.Answer());
        }
    }

    // One read may bring more than a chunk: it is handed out in chunks, in
    // order, none lost. A stream may end without a line end.
    void aLargeReadIsHandedOutInOrder() {
        const std::string body = Letters(300 * 1024);
        std::string stream = kHttpOk + "\r\n" + body;
        ReceiveBuffer received;
        const ReceiveBuffer::Fill fill = [&stream](std::string& buffer) {
            buffer += stream;
            return std::exchange(stream, {}).empty() ? int(kClosed) : int(kOk);
        };
        std::string line, chunk, got;
        QCOMPARE(received.ReadLine(fill, line), int(kOk));
        QCOMPARE(received.ReadLine(fill, line), int(kOk));
        while (received.Read(fill, chunk) == kOk) got += chunk;
        QVERIFY(got == body);
        // A last line without its end, at the limit.
        stream = std::string(ReceiveBuffer::kMaxLineBytes, 'x');
        QCOMPARE(received.ReadLine(fill, line), int(kOk));
        QCOMPARE(line.size(), ReceiveBuffer::kMaxLineBytes);
    }

    // A request is written whole, and the exchange closes its connection.
    // Without a connection (nothing listens, no such host, an address the
    // system refuses at once) the exchange yields nothing and touches
    // nothing, and every later call on the socket fails at once, even on a
    // socket that served an exchange before, as the mirroring's does.
    void noConnection() {
        ScriptedServer listening("");
        TcpSocket connected;
        QCOMPARE(connected.Connect("127.0.0.1", listening.Port(), 3, TimeOut::kWholeExchange),
                 int(kOk));
        QCOMPARE(connected.Write("GET / HTTP/1.0\r\n\r\n"), int(kOk));
        for (const std::string host : {"127.0.0.1", "no-such-host.invalid", "255.255.255.255"}) {
            Exchange x(kOkHeader + "ok");
            TcpSocket socket;
            ExchangeState state;
            ShortAnswerSink answer;
            PlainGet(socket, {"127.0.0.1", x.server.Port()}, {"GET / HTTP/1.0\r\n\r\n", 3}, answer,
                     state);
            QVERIFY(answer.Answer());
            std::string out;
            QCOMPARE(socket.Read(out), int(kNotConnected));
            std::filesystem::remove(x.file);
            WholeBodySink sink(x.file, kRoomy);
            PlainGet(socket, {host, ScriptedServer::ClosedPort()}, {"GET / HTTP/1.0\r\n\r\n", 3},
                     sink, state);
            QVERIFY(state.ConnectResult != kOk && state.SockResult != kOk);
            QCOMPARE(state.BodyBytes, std::int64_t{0});
            QVERIFY(FilesIn(x.dir.path().toStdString()).isEmpty());
            QCOMPARE(socket.Write("GET / HTTP/1.0\r\n\r\n"), int(kNotConnected));
            QCOMPARE(socket.ReadLine(out), int(kNotConnected));
            QCOMPARE(socket.Read(out), int(kNotConnected));
        }
        // A reply cut off inside a line leaves nothing for the socket's next exchange.
        ScriptedServer cut(kHttpOk + "Content-Le<pause 1500>"), next(kOkHeader + "ok");
        TcpSocket socket;
        ExchangeState state;
        ShortAnswerSink first, second;
        PlainGet(socket, {"127.0.0.1", cut.Port()}, {"GET / HTTP/1.0\r\n\r\n", 1}, first, state);
        PlainGet(socket, {"127.0.0.1", next.Port()}, {"GET / HTTP/1.0\r\n\r\n", 3}, second, state);
        QCOMPARE(state.StatusCode, 200);
        QCOMPARE(second.Answer().value_or(""), "ok");
        // A host's address is tried once, not once for each kind of socket.
        QCOMPARE(ResolveTcp("127.0.0.1", 80, std::chrono::seconds(1)).size(), std::size_t{1});
    }

    // The progress window's rule: the exact key anywhere in the line, a
    // whole number after it.
    void announcedLength() {
        for (const auto& [line, length] : std::vector<std::pair<std::string, std::int64_t>>{
                 {"X-Content-Length:5000000000 ", 5000000000},
                 {"content-length: 5", -1},
                 {"Content-Length: -5", -1},
                 {"Content-Length: 12abc", -1},
                 {"Content-Length: ", -1},
                 {"Content-Length: 99999999999999999999", -1}})
            QCOMPARE(AnnouncedLength(line).value_or(-1), length);
        QCOMPARE(StatusCodeOf("HTTP/1.1 100 Continue"), 100);
        QCOMPARE(StatusCodeOf("USERID=A-12|1"), 0);
        QCOMPARE(StatusCodeOf("HTTP/1.1 2x0 OK"), 0);
    }

    // The menu-page reader: the page's own address with the program as agent
    // and nothing from a cache; a move followed within http, never to a local
    // file, and not round in circles; what arrived of a read cut short; a
    // local copy given with mixed separators. Only a page that came whole
    // with a success status is whole.
    void pageReads() {
        const auto found = [](const std::string& to) {
            return "HTTP/1.0 302 Found\r\nLocation: " + to + "\r\nContent-Length: 0\r\n\r\n";
        };
        ScriptedServer moved(kHttpOk + "\r\nmoved page");
        ScriptedServer toHttp(found(moved.Address("/new"))), toFile(found("file:///etc/hostname"));
        ScriptedServer loop(found("/again"), 10);
        const std::string cut = kHttpOk + "Content-Length: 1000\r\n\r\nfirst<pause 100>";
        ScriptedServer closed(cut), reset(cut + "<reset>");
        ScriptedServer maintenance("HTTP/1.0 503 Service Unavailable\r\n\r\nmaintenance");
        CurlUrlReader reader("qvestra");
        QCOMPARE(Seen(reader.ReadAll(toHttp.Address("/q_vestra/execute.asp?yuzaaidhi=A-12"))),
                 "whole:moved page");
        const QString request = QString::fromStdString(toHttp.Request());
        QVERIFY(request.startsWith("GET /q_vestra/execute.asp?yuzaaidhi=A-12 HTTP/1.1\r\n"));
        QVERIFY(request.contains("\r\nUser-Agent: qvestra\r\n"));
        QVERIFY(request.contains("\r\nCache-Control: no-cache\r\n"));
        QCOMPARE(Seen(reader.ReadAll(toHttp.Address("/"))), "part:");
        QCOMPARE(Seen(reader.ReadAll(toFile.Address("/old"))), "part:");
        QCOMPARE(Seen(reader.ReadAll(loop.Address("/"))), "part:");
        QCOMPARE(loop.Connections(), 1 + int(CurlUrlReader::kMaxRedirects));
        QCOMPARE(Seen(reader.ReadAll(closed.Address("/"))), "part:first");
        QCOMPARE(Seen(reader.ReadAll(reset.Address("/"))), "part:first");
        QCOMPARE(Seen(reader.ReadAll(maintenance.Address("/"))), "part:maintenance");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("q folder"));
        const std::string bytes = "Contents_VALUE\r\n\x82\xa0\r\n";
        WriteFile(dir.path().toStdString() + "/q folder/A-12.html", bytes);
        QCOMPARE(
            Seen(reader.ReadAll("file://" + dir.path().toStdString() + "\\q folder/A-12.html")),
            "whole:" + bytes);
        QCOMPARE(Seen(reader.ReadAll("file:///no/such/folder/A-12.html")), "part:");
        QCOMPARE(CurlAddress("file://C:\\q/A-12.html"), "file:///C:/q/A-12.html");
        // Letters and digits as they stand, their neighbours escaped.
        QCOMPARE(CurlAddress("file:///@AZ[`az{09-._~ "), "file:///%40AZ%5B%60az%7B09-._~%20");
    }

    // A host that keeps silent: an exchange, whether the switch trips before
    // the connection or during the wait for the reply, and a page read.
    void aTrippedSwitchEndsEveryWait() {
        for (const QString wait : {"exchange, tripped before", "exchange", "page read"}) {
            const AbortSwitch abort;
            if (wait.endsWith("before")) abort.Trip();
            ScriptedServer server("<pause 2600>HTTP/1.0 200 OK\r\n\r\nx");
            TcpSocket socket(&abort);
            ShortAnswerSink sink;
            ExchangeState state;
            std::string page = "not read";
            const auto started = std::chrono::steady_clock::now();
            {
                // Tripped from another thread, as a signal arriving during the wait would.
                const std::jthread trip([&abort] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                    abort.Trip();
                });
                if (wait == "page read")
                    page = CurlUrlReader("qvestra", &abort).ReadAll(server.Address("/")).bytes;
                else
                    PlainGet(socket, {"127.0.0.1", server.Port()}, {"GET / HTTP/1.0\r\n\r\n", 10},
                             sink, state);
            }
            QVERIFY2(Since(started).count() < 2000, qPrintable(wait));
            if (wait == "page read")
                QCOMPARE(page, std::string());
            else
                QCOMPARE(wait == "exchange" ? state.SockResult : state.ConnectResult,
                         int(kAborted));
        }
    }
};

QTEST_GUILESS_MAIN(TestPlainGet)
#include "test_plain_get.moc"
