// The service over TLS against a scripted loopback server with the run's
// own certificates (tls/make-certificates.sh): every kind of request is the
// same bytes inside TLS as without it; a server that does not verify gets
// no request and is reported once; a proxy's tunnel is asked for with its
// credentials and nothing else; page reads verify the same way.
#include <csignal>

#include "fakes/support.h"

#include "contract/record_refresh.h"
#include "documents/download.h"
#include "mirror/mirror.h"
#include "net/protocol.h"
#include "net/tcp_socket.h"
#include "net/url_reader.h"
#include "store/answers.h"

using namespace qvestra;
using namespace qvestra::net;
using namespace qvestra::testing;
using namespace std::string_literals;
Q_DECLARE_METATYPE(std::string)

class TestTls : public QObject {
    Q_OBJECT

    QTemporaryDir certificates_;
    int reports_ = 0;
    TcpSocket socket_{nullptr, {}, [this] { ++reports_; }};

    TlsIdentity Identity(const std::string& name) const {
        const std::string at = certificates_.path().toStdString() + "/" + name;
        return {at + ".pem", at + "-key.pem"};
    }
    // A page read of the server over TLS, by the name its certificate has.
    static PageRead ReadPage(const ScriptedServer& server, UnverifiedReport unverified = {}) {
        return CurlUrlReader("qvestra", std::move(unverified))
            .ReadAll("https://localhost:" + std::to_string(server.Port()) + "/",
                     core::AbortSwitch());
    }

  private Q_SLOTS:
    void initTestCase() {
        const QString make = "bash " QVESTRA_TLS_CERTIFICATES " " + certificates_.path();
        QCOMPARE(std::system((make + " >/dev/null").toLocal8Bit().constData()), 0);
        // The run's trust, as OpenSSL's own variable names it for a run.
        qputenv("SSL_CERT_FILE", certificates_.path().toUtf8() + "/run/ca.pem");
        std::signal(SIGPIPE, SIG_IGN);
    }

    // Every kind of request one after another, the mirror's three copies
    // last: the same bytes inside TLS as without it.
    void requestsInsideTlsAreTheSameBytes() {
        QString seen[2];
        for (const bool tls : {false, true}) {
            QTemporaryDir data;
            const store::DataFolder folder(data.path().toStdString());
            QVERIFY(folder.Create());
            ScriptedServer server(OkReply("x"), 6,
                                  tls ? std::optional(Identity("run/server")) : std::nullopt);
            const ServiceEndpoint at{"localhost", server.Port(), std::nullopt,
                                     tls ? Scheme::kHttps : Scheme::kHttp};
            contract::FetchUserRecord(socket_, at, "A-12");
            store::FetchShortAnswer(socket_, at, protocol::SignInAnswer(at, "1"));
            documents::FetchDocument({socket_, at}, folder, "/a.pdf", {}, {});
            mirror::MirrorPages({socket_, at}, folder, "A-12", "page");
            seen[tls] = QString::fromStdString(server.Request())
                            .replace(QString::number(server.Port()), "PORT");
        }
        QCOMPARE(seen[0].count("GET "), 6);
        QCOMPARE(seen[1], seen[0]);
        QCOMPARE(reports_, 0);
    }

    // The hostile server would answer a cancellation; it never gets the
    // request, and the member is told.
    void aServerThatDoesNotVerify_data() {
        Columns<std::optional<TlsIdentity>>();
        Row("another host's certificate", std::optional(Identity("other-host")));
        Row("a certificate that signed itself", std::optional(Identity("self-signed")));
        Row("plain HTTP on the TLS port", std::optional<TlsIdentity>());
    }
    void aServerThatDoesNotVerify() {
        const auto [identity] = Fetch<std::optional<TlsIdentity>>();
        const std::string cancel = "<no request>"s + OkReply("CANCEL");
        ScriptedServer server(cancel, 1, identity), page(cancel, 1, identity);
        reports_ = 0;
        const auto refresh = contract::FetchUserRecord(
            socket_, {"localhost", server.Port(), std::nullopt, Scheme::kHttps}, "A-12");
        QCOMPARE(refresh.kind, contract::RecordRefresh::kUnanswered);
        QCOMPARE(server.Request(), "");
        QVERIFY(ReadPage(page, [this] { ++reports_; }).bytes.empty());
        QCOMPARE(reports_, 2);
    }

    // Only the tunnel's request goes to the proxy, with its credentials; an
    // answer other than 2xx, or bytes after it, and TLS never starts.
    void aProxysTunnel_data() {
        Columns<std::string, int>();
        Row("refused", "HTTP/1.0 407 Proxy Authentication Required\r\n\r\n"s, int(kConnectFailed));
        Row("just past a success", "HTTP/1.0 300 Multiple Choices\r\n\r\n"s, int(kConnectFailed));
        Row("more than its answer", "HTTP/1.0 200 OK\r\n\r\nHTTP/1.0 200 OK"s, int(kIoError));
        Row("no answer", "<reset>"s, int(kIoError));
    }
    void aProxysTunnel() {
        const auto [reply, result] = Fetch<std::string, int>();
        ScriptedServer proxy(reply);
        const ServiceEndpoint endpoint(
            "svc.test", 443, HttpProxy{"127.0.0.1", proxy.Port(), "m", "p"}, Scheme::kHttps);
        QCOMPARE(OpenRoute(socket_, endpoint, 5, TimeOut::kWholeExchange), result);
        QCOMPARE(proxy.Request(),
                 "CONNECT svc.test:443 HTTP/1.0\r\nHost: svc.test:443\r\n"
                 "Proxy-Authorization: Basic bTpw\r\n\r\n");
    }

    // Many servers close TLS without its closing alert once they have sent
    // the length they announced: that reply is whole on every channel, the
    // page read's included. Without a length only the alert ends a reply,
    // and one cut short never counts.
    void anEndWithoutTheClosingAlert_data() {
        Columns<std::string, bool>();
        Row("the whole announced length", OkReply("K_CANCEL"), true);
        Row("no length", "HTTP/1.0 200 OK\r\n\r\nK_CANCEL"s, false);
        Row("cut short", "HTTP/1.0 200 OK\r\nContent-Length: 20\r\n\r\nK_CANCEL"s, false);
    }
    void anEndWithoutTheClosingAlert() {
        const auto [reply, whole] = Fetch<std::string, bool>();
        QTemporaryDir data;
        const store::DataFolder folder(data.path().toStdString());
        QVERIFY(folder.Create());
        // The end comes a moment after the bytes, once a read found nothing
        // yet (EAGAIN): that read's errno must not make the end "try again".
        ScriptedServer server(reply + "<pause 100><close>", 6, Identity("run/server"));
        const ServiceEndpoint at{"localhost", server.Port(), std::nullopt, Scheme::kHttps};
        const auto answer = store::FetchShortAnswer(socket_, at, protocol::RequestStatus(at, "1"));
        QCOMPARE(answer.field.has_value(), whole);
        // Within a time-out of 1 s, which must work as any other. A reply cut
        // short ends at once as broken off: a wait for more bytes would time
        // out, and pass for too slow.
        const auto document = documents::FetchDocument({socket_, at}, folder, "/a.pdf", {1}, {});
        QCOMPARE(document.stored, whole);
        QCOMPARE(document.failure, whole ? documents::DownloadFailure::kNone
                                         : documents::DownloadFailure::kBrokenOff);
        mirror::MirrorPages({socket_, at}, folder, "A-12", "");
        for (const char* copy : {"A-12.html", "Help.html", "images/LOGO_Movei.gif"})
            QCOMPARE(std::filesystem::exists(folder.Root() / copy), whole);
        QCOMPARE(ReadPage(server).whole, whole);
    }

    // A page read over TLS trusts what the exchanges trust (the page reads
    // above), and follows a move only within TLS. A chunked page ends by
    // its own framing: whole without the closing alert.
    void aPageReadStaysInsideTls() {
        ScriptedServer chunked(
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n<close>", 1,
            Identity("run/server"));
        QVERIFY(ReadPage(chunked).whole);
        ScriptedServer plain(OkReply("plain page"));
        ScriptedServer moved("HTTP/1.0 302 Found\r\nLocation: " + plain.Address("/") + "\r\n\r\n",
                             1, Identity("run/server"));
        QVERIFY(!ReadPage(moved).whole);
        QCOMPARE(plain.Connections(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTls)
#include "test_tls.moc"
