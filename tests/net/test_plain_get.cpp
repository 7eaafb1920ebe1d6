// The plain exchange against a scripted loopback server: the exact request
// bytes, how the header is skipped, and what each sink leaves on disk.
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <fstream>
#include <sstream>

#include "fakes/elapsed.h"
#include "fakes/files.h"
#include "fakes/scripted_server.h"
#include "net/http_text.h"
#include "net/receive_buffer.h"
#include "net/sinks.h"
#include "net/tcp_socket.h"

using namespace qvestra::net;
using qvestra::testing::ScriptedServer;
using qvestra::testing::ServerStep;
using qvestra::testing::Since;
using Script = std::vector<ServerStep>;
using qvestra::testing::ReadFile;
using qvestra::testing::WriteFile;

Q_DECLARE_METATYPE(Script)
Q_DECLARE_METATYPE(std::string)

namespace {

const std::string kOkHeader = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";

struct Fixture {
    QTemporaryDir dir;
    std::filesystem::path File(const char* name) const {
        return std::filesystem::path(dir.path().toStdString()) / name;
    }
};

ExchangeState RunExchange(ScriptedServer& server, BodySink& sink, int timeoutSeconds = 5,
                          const std::string& text = "GET /x HTTP/1.0\r\n\r\n",
                          TimeOut rule = TimeOut::kWholeExchange) {
    TcpSocket socket;
    ExchangeState state;
    PlainGet(socket, {"127.0.0.1", server.Port()}, {text, timeoutSeconds, rule}, sink, state);
    return state;
}

// A host that sends each piece of text after a pause.
Script Trickle(const std::string& head, const std::string& each, int count, int pauseMs) {
    Script script{ServerStep::Send(head)};
    for (int i = 0; i < count; ++i) {
        script.push_back(ServerStep::Pause(pauseMs));
        script.push_back(ServerStep::Send(each));
    }
    return script;
}

std::string HeaderLines(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) lines += "X-Line: " + std::to_string(i) + "\r\n";
    return lines;
}

}  // namespace

class TestPlainGet : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void requestBytes_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<bool>("withHost");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("absolute form with Host line")
            << "absolute" << true
            << QByteArray(
                   "GET http://svc.example/q_vestra/LOG_K/keika12.txt HTTP/1.0\r\n"
                   "Host: svc.example\r\n\r\n");
        QTest::newRow("absolute form before the Host line exists")
            << "absolute" << false
            << QByteArray("GET http://svc.example/q_vestra/LOG_K/keika12.txt HTTP/1.0\r\n\r\n");
        QTest::newRow("origin form")
            << "origin" << true
            << QByteArray("GET /q_Vestra/HTML/Help.html HTTP/1.0\r\nHost: svc.example\r\n\r\n");
    }
    void requestBytes() {
        QFETCH(QString, form);
        QFETCH(bool, withHost);
        QFETCH(QByteArray, expected);
        const ServiceEndpoint named{"svc.example", 80};
        const std::string line = form == "absolute"
                                     ? AbsoluteRequestLine(named, "/q_vestra/LOG_K/keika12.txt")
                                     : OriginRequestLine("/q_Vestra/HTML/Help.html");
        const std::string text = RequestText(line, withHost ? HostHeader(named) : "");
        ScriptedServer server({ServerStep::Send(kOkHeader + "ok")});
        ShortAnswerSink sink;
        RunExchange(server, sink, 5, text);
        QCOMPARE(QByteArray::fromStdString(server.Request()), expected);
    }

    void wholeBody_data() {
        QTest::addColumn<Script>("script");
        QTest::addColumn<int>("bodyBytes");
        QTest::addColumn<QByteArray>("stored");  // empty: the previous file stays
        QTest::addColumn<int>("status");
        QTest::newRow("header of the status line only")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\n\r\nbody")} << 4 << QByteArray("body")
            << 200;
        QTest::newRow("body in several chunks, in order")
            << Script{ServerStep::Send(kOkHeader + "first-"), ServerStep::Pause(60),
                      ServerStep::Send("second-"), ServerStep::Pause(60), ServerStep::Send("third")}
            << 18 << QByteArray("first-second-third") << 200;
        QTest::newRow("header split across packets")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\nContent-"), ServerStep::Pause(60),
                      ServerStep::Send("Type: x\r\n\r\nrest")}
            << 4 << QByteArray("rest") << 200;
        QTest::newRow("announced length met")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n12345")} << 5
            << QByteArray("12345") << 200;
        QTest::newRow("error page is not stored, status kept aside")
            << Script{ServerStep::Send("HTTP/1.1 404 Not Found\r\n\r\n<html>404</html>")} << 16
            << QByteArray() << 404;
        QTest::newRow("closed before the announced length")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\npartial"),
                      ServerStep::Pause(30), ServerStep::Close()}
            << 7 << QByteArray() << 200;
        QTest::newRow("more than the announced length")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n12345")} << 5
            << QByteArray() << 200;
        QTest::newRow("reset mid-body") << Script{ServerStep::Send(kOkHeader + "partial"),
                                                  ServerStep::Pause(60), ServerStep::Reset()}
                                        << 7 << QByteArray() << 200;
        QTest::newRow("closed inside the header")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Le")} << 0 << QByteArray()
            << 200;
        QTest::newRow("no status line at all")
            << Script{ServerStep::Send("just text\r\n\r\nbody")} << 4 << QByteArray() << 0;
        QTest::newRow("header line at the line limit")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\n" +
                                       std::string(ReceiveBuffer::kMaxLineBytes, 'p') +
                                       "\r\n\r\nbody")}
            << 4 << QByteArray("body") << 200;
        // Read on, the rest of such a header would be stored as the document.
        QTest::newRow("header line over the line limit")
            << Script{ServerStep::Send(
                   "HTTP/1.0 200 OK\r\nX-Padding: " + std::string(100 * 1024, 'p') +
                   "\r\nContent-Type: x\r\n\r\nbody")}
            << 0 << QByteArray() << 200;
        QTest::newRow("header of as many lines as allowed")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\n" + HeaderLines(kMaxHeaderLines) +
                                       "\r\nbody")}
            << 4 << QByteArray("body") << 200;
        QTest::newRow("header of one line too many")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\n" + HeaderLines(kMaxHeaderLines + 1) +
                                       "\r\nbody")}
            << 0 << QByteArray() << 200;
        QTest::newRow("lower-case length, closed before it")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\ncontent-length: 100\r\n\r\npartial")}
            << 7 << QByteArray() << 200;
        QTest::newRow("lower-case length met")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\ncontent-length: 5\r\n\r\n12345")} << 5
            << QByteArray("12345") << 200;
        QTest::newRow("a later length that disagrees")
            << Script{ServerStep::Send(
                   "HTTP/1.0 200 OK\r\nContent-Length: 9\r\nContent-Length: 5\r\n\r\n12345")}
            << 5 << QByteArray() << 200;
        QTest::newRow("the same length twice")
            << Script{ServerStep::Send(
                   "HTTP/1.0 200 OK\r\nContent-Length: 5\r\nCONTENT-LENGTH: 5\r\n\r\n12345")}
            << 5 << QByteArray("12345") << 200;
        QTest::newRow("length too large for 64 bits")
            << Script{ServerStep::Send(
                   "HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n12345")}
            << 5 << QByteArray() << 200;
        QTest::newRow("length that is no number")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Length: 5 bytes\r\n\r\n12345")}
            << 5 << QByteArray() << 200;
        // Nothing in such a reply sets it apart from a document: it is kept as sent.
        QTest::newRow("HTML page with status 200 and no length")
            << Script{ServerStep::Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n"
                                       "<html>maintenance</html>")}
            << 24 << QByteArray("<html>maintenance</html>") << 200;
        QTest::newRow("binary body with NUL and CR LF bytes")
            << Script{ServerStep::Send(kOkHeader + std::string("a\0b\r\n\r\nc", 8))} << 8
            << QByteArray("a\0b\r\n\r\nc", 8) << 200;
    }
    void wholeBody() {
        QFETCH(Script, script);
        QFETCH(int, bodyBytes);
        QFETCH(QByteArray, stored);
        QFETCH(int, status);
        Fixture f;
        const auto file = f.File("answer.bin");
        WriteFile(file, "previous");
        ScriptedServer server(script);
        WholeBodySink sink(file);
        const ExchangeState state = RunExchange(server, sink);
        QCOMPARE(state.BodyBytes, static_cast<std::int64_t>(bodyBytes));
        QCOMPARE(state.StatusCode, status);
        QCOMPARE(sink.Stored(), !stored.isEmpty());
        QCOMPARE(QByteArray::fromStdString(ReadFile(file)),
                 stored.isEmpty() ? QByteArray("previous") : stored);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void shortAnswer_data() {
        QTest::addColumn<int>("bodyBytes");
        QTest::addColumn<bool>("stored");
        QTest::newRow("empty body") << 0 << false;
        QTest::newRow("1 byte") << 1 << true;
        QTest::newRow("99 bytes") << 99 << true;
        QTest::newRow("100 bytes") << 100 << false;
        QTest::newRow("100 KB") << 100 * 1024 << false;
    }
    void shortAnswer() {
        QFETCH(int, bodyBytes);
        QFETCH(bool, stored);
        Fixture f;
        const auto file = f.File("keika.txt");
        WriteFile(file, "previous");
        // Two chunks of a body whose order shows.
        std::string body;
        for (int i = 0; i < bodyBytes; ++i) body += static_cast<char>('a' + i % 26);
        ScriptedServer server({ServerStep::Send(kOkHeader + body.substr(0, body.size() / 2)),
                               ServerStep::Pause(40),
                               ServerStep::Send(body.substr(body.size() / 2))});
        ShortAnswerSink sink(file);
        RunExchange(server, sink);
        QCOMPARE(sink.Answer().has_value(), stored);
        QCOMPARE(ReadFile(file), stored ? body : std::string("previous"));
    }

    // Every read of a trickling host comes in time; only the exchange as a
    // whole can be late. A document instead fails once its bytes stop.
    void trickleIsBoundedAsAWhole_data() {
        QTest::addColumn<Script>("script");
        QTest::addColumn<bool>("betweenBytes");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("stored");
        QTest::newRow("header never ended")
            << Script{ServerStep::Send("HTTP/1.0 200 OK\r\nContent-Le"), ServerStep::Pause(1600)}
            << false << int(kTimedOut) << false;
        QTest::newRow("stalled inside the body")
            << Script{ServerStep::Send(kOkHeader + "so far"), ServerStep::Pause(1600)} << false
            << int(kTimedOut) << false;
        QTest::newRow("header sent a byte at a time")
            << Trickle("HTTP/1.0 200", "0", 6, 250) << false << int(kTimedOut) << false;
        QTest::newRow("header lines sent without end")
            << Trickle("HTTP/1.0 200 OK\r\n", "X: y\r\n", 6, 250) << false << int(kTimedOut)
            << false;
        QTest::newRow("body sent a byte at a time")
            << Trickle(kOkHeader, "b", 6, 250) << false << int(kTimedOut) << false;
        QTest::newRow("document sent a byte at a time")
            << Trickle(kOkHeader, "b", 8, 250) << true << int(kClosed) << true;
    }
    void trickleIsBoundedAsAWhole() {
        QFETCH(Script, script);
        QFETCH(bool, betweenBytes);
        QFETCH(int, result);
        QFETCH(bool, stored);
        Fixture f;
        ScriptedServer server(script);
        WholeBodySink sink(f.File("answer.bin"));
        const auto started = std::chrono::steady_clock::now();
        const ExchangeState state =
            RunExchange(server, sink, 1, "GET /x HTTP/1.0\r\n\r\n",
                        betweenBytes ? TimeOut::kBetweenBytes : TimeOut::kWholeExchange);
        QCOMPARE(state.SockResult, result);
        QCOMPARE(sink.Stored(), stored);
        if (!betweenBytes)
            QVERIFY2(Since(started).count() < 2500, "the exchange outlived its time-out");
    }

    // Once a reply can no longer be used, the rest of it is not waited for.
    void unusableReplyIsNotReadOn_data() {
        QTest::addColumn<std::string>("head");
        QTest::addColumn<bool>("shortAnswer");
        QTest::newRow("short answer already too long") << kOkHeader + std::string(100, 'x') << true;
        QTest::newRow("body past its length")
            << std::string("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n12345") << false;
    }
    void unusableReplyIsNotReadOn() {
        QFETCH(std::string, head);
        QFETCH(bool, shortAnswer);
        Fixture f;
        const auto file = f.File("answer.bin");
        WriteFile(file, "previous");
        ScriptedServer server({ServerStep::Send(head), ServerStep::Pause(2200),
                               ServerStep::Send(std::string(50, 'y'))});
        ShortAnswerSink answer(file);
        WholeBodySink whole(file);
        const auto started = std::chrono::steady_clock::now();
        RunExchange(server, shortAnswer ? static_cast<BodySink&>(answer) : whole);
        QVERIFY2(Since(started).count() < 2000, "the rest of the reply was waited for");
        QCOMPARE(ReadFile(file), std::string("previous"));
        QVERIFY(!answer.Answer());
    }

    // One read may bring more than a chunk: it is handed out in chunks, in
    // order, none lost.
    void aLargeReadIsHandedOutInOrder() {
        std::string body;
        for (int i = 0; i < 300 * 1024; ++i) body += static_cast<char>('a' + i % 26);
        std::string stream = "HTTP/1.0 200 OK\r\n\r\n" + body;
        ReceiveBuffer received;
        const ReceiveBuffer::Fill fill = [&stream](std::string& buffer) {
            if (stream.empty()) return int(kClosed);
            buffer += stream;
            stream.clear();
            return int(kOk);
        };
        std::string line, chunk, got;
        QCOMPARE(received.ReadLine(fill, line), int(kOk));
        QCOMPARE(received.ReadLine(fill, line), int(kOk));
        while (received.Read(fill, chunk) == kOk) got += chunk;
        QVERIFY(got == body);
    }

    // Without a connection the exchange yields nothing and touches nothing,
    // and every later call on the socket fails at once.
    void noConnection_data() {
        QTest::addColumn<QString>("host");
        QTest::newRow("refused") << "127.0.0.1";
        QTest::newRow("unknown host") << "no-such-host.invalid";
    }
    void noConnection() {
        QFETCH(QString, host);
        Fixture f;
        // A socket that served an exchange before, as the mirroring's does.
        TcpSocket socket;
        ExchangeState state;
        ScriptedServer earlier({ServerStep::Send(kOkHeader + "ok")});
        ShortAnswerSink answer;
        PlainGet(socket, {"127.0.0.1", earlier.Port()}, {"GET / HTTP/1.0\r\n\r\n", 3}, answer,
                 state);
        QVERIFY(answer.Answer());
        WholeBodySink sink(f.File("answer.bin"));
        PlainGet(socket, {host.toStdString(), ScriptedServer::ClosedPort()},
                 {"GET / HTTP/1.0\r\n\r\n", 3}, sink, state);
        QVERIFY(state.ConnectResult != kOk && state.SockResult != kOk);
        QCOMPARE(state.BodyBytes, std::int64_t{0});
        QVERIFY(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        std::string out;
        QCOMPARE(socket.Write("GET / HTTP/1.0\r\n\r\n"), int(kNotConnected));
        QCOMPARE(socket.ReadLine(out), int(kNotConnected));
        QCOMPARE(socket.Read(out), int(kNotConnected));
    }
};

QTEST_GUILESS_MAIN(TestPlainGet)
#include "test_plain_get.moc"
