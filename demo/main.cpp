// The demo service: what the real service host serves to the client, with a
// built-in data set, for trying the client out and for end-to-end tests.
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "demo_data.h"
#include "pages.h"
#include "pdf.h"
#include "shift_jis.h"

namespace {

httplib::Server* g_server = nullptr;
std::atomic<bool> g_stopping = false;

void Stop(int) {
    g_stopping = true;
    if (g_server != nullptr) g_server->stop();
}

// The server joins its handlers' threads before it ends: a long hold ends
// early once the service is told to end, so that it ends promptly.
void HoldBack(std::chrono::milliseconds hold) {
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + hold;
    for (auto now = Clock::now(); !g_stopping && now < until; now = Clock::now())
        std::this_thread::sleep_for(
            std::min<Clock::duration>(until - now, std::chrono::milliseconds(50)));
}

// Copies up to length bytes of a body from offset into out; returns how many.
using BodyReader = std::function<std::size_t(std::size_t offset, char* out, std::size_t length)>;

// Streams a body in pieces, paced to mibPerSecond (0: as fast as the
// connection takes it); with pauseAt, pause() runs once the body is sent up
// to that offset, before the rest.
void StreamBody(httplib::Response& res, std::size_t size, BodyReader read,
                std::uint64_t mibPerSecond, std::optional<std::size_t> pauseAt,
                std::function<void()> pause) {
    res.set_content_provider(
        size, "application/pdf",
        [size, read = std::move(read), mibPerSecond, pauseAt, pause = std::move(pause)](
            std::size_t offset, std::size_t length, httplib::DataSink& sink) mutable {
            if (pauseAt && offset == *pauseAt) {
                pause();
                pauseAt.reset();
            }
            const std::size_t end = pauseAt && offset < *pauseAt ? *pauseAt : size;
            char buffer[256 * 1024];
            const std::size_t n =
                read(offset, buffer, std::min({length, end - offset, sizeof buffer}));
            // Paced, so the client's progress window stays up long enough to watch.
            if (mibPerSecond > 0)
                std::this_thread::sleep_for(
                    std::chrono::microseconds(n * 1000000 / (mibPerSecond * 1024 * 1024)));
            return sink.write(buffer, n);
        });
}

void SendPage(httplib::Response& res, const std::string& utf8) {
    res.set_content(qvestra::demo::ToShiftJis(utf8), "text/html; charset=Shift_JIS");
}

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The client asks for files in absolute form ("GET http://host/path"), as
// HTTP/1.0 allows; a route takes either form.
std::string AbsoluteOrOrigin(const std::string& pathPattern) {
    return "(?:http://[^/]+)?" + pathPattern;
}

int Usage() {
    std::cerr << "usage: qvestra-demo [--listen ADDRESS] [--port PORT] [--large-mib N]\n"
                 "                    [--large-mib-per-second N] [--reply-delay-ms N]\n"
                 "                    [--stall-document-seconds N] [--status-delay-ms N]\n"
                 "                    [--tls-certificate FILE --tls-key FILE]\n"
                 "                    [--tls-without-closing-alert]\n";
    return 2;
}

// OpenSSL's own words for the last failure, or a fallback when it left none.
std::string OpenSslReason() {
    const unsigned long code = ERR_get_error();
    if (code == 0) return "unknown reason";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return text;
}

// The service's certificate chain and key, and no protocol older than TLS
// 1.2, which is the least the client accepts. A file that does not load
// ends the service: serving plain HTTP instead would hide the mistake.
// Without the closing alert the service ends each connection as many
// servers and load balancers do once a reply's length is sent: with a
// plain close.
std::unique_ptr<httplib::Server> MakeTlsServer(const std::string& certificate,
                                               const std::string& key, bool closingAlert) {
    std::string failure;
    auto server = std::make_unique<httplib::SSLServer>([&](SSL_CTX& context) {
        SSL_CTX_set_quiet_shutdown(&context, closingAlert ? 0 : 1);
        if (SSL_CTX_set_min_proto_version(&context, TLS1_2_VERSION) != 1) {
            failure = "cannot require TLS 1.2: " + OpenSslReason();
        } else if (SSL_CTX_use_certificate_chain_file(&context, certificate.c_str()) != 1) {
            failure = "cannot load the TLS certificate " + certificate + ": " + OpenSslReason();
        } else if (SSL_CTX_use_PrivateKey_file(&context, key.c_str(), SSL_FILETYPE_PEM) != 1) {
            failure = "cannot load the TLS key " + key + ": " + OpenSslReason();
        }
        return failure.empty();
    });
    if (server->is_valid()) return server;
    std::cerr << "qvestra-demo: " << (failure.empty() ? "cannot set up TLS" : failure) << "\n";
    return nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::string listen = "127.0.0.1";
    int port = QVESTRA_SERVICE_PORT;
    std::uint64_t largeMib = 64;
    // 0: as fast as the connection takes it.
    std::uint64_t largeMibPerSecond = 0;
    // Stands in for the round trip to a distant service.
    int replyDelayMs = 0;
    // A host whose connection stops in the middle of a document: the first
    // document body sent pauses this long halfway through.
    int stallDocumentSeconds = 0;
    // A slow status file: its answers are held back this long.
    int statusDelayMs = 0;
    // Both given: the service speaks HTTPS with them.
    std::string tlsCertificate;
    std::string tlsKey;
    bool closingAlert = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--listen" && i + 1 < argc) {
            listen = argv[++i];
        } else if (arg == "--port" && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else if (arg == "--large-mib" && i + 1 < argc) {
            largeMib = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--large-mib-per-second" && i + 1 < argc) {
            largeMibPerSecond = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--reply-delay-ms" && i + 1 < argc) {
            replyDelayMs = std::atoi(argv[++i]);
        } else if (arg == "--stall-document-seconds" && i + 1 < argc) {
            stallDocumentSeconds = std::atoi(argv[++i]);
        } else if (arg == "--status-delay-ms" && i + 1 < argc) {
            statusDelayMs = std::atoi(argv[++i]);
        } else if (arg == "--tls-certificate" && i + 1 < argc) {
            tlsCertificate = argv[++i];
        } else if (arg == "--tls-key" && i + 1 < argc) {
            tlsKey = argv[++i];
        } else if (arg == "--tls-without-closing-alert") {
            closingAlert = false;
        } else {
            return Usage();
        }
    }
    if (tlsCertificate.empty() != tlsKey.empty()) return Usage();
    const bool tls = !tlsCertificate.empty();

    const qvestra::demo::DemoData data = qvestra::demo::BuiltInData();
    const qvestra::demo::DemoData reducedData = qvestra::demo::ReducedContents(data);
    // Members who reduced their contents on the contents change page.
    std::mutex reducedMutex;
    std::set<std::string> reduced;
    const auto menuPage = [&](const qvestra::demo::DemoMember& member) {
        std::lock_guard lock(reducedMutex);
        return qvestra::demo::MenuPage(reduced.count(member.memberId) ? reducedData : data, member);
    };
    // The TLS server is the plain one with TLS around each connection: the
    // routes below serve both alike.
    const std::unique_ptr<httplib::Server> ownServer =
        tls ? MakeTlsServer(tlsCertificate, tlsKey, closingAlert)
            : std::make_unique<httplib::Server>();
    if (!ownServer) return 1;
    httplib::Server& server = *ownServer;
    g_server = &server;
    // One line a request, so a test can tell who asked for what.
    std::mutex logMutex;
    server.set_logger([&logMutex](const httplib::Request& req, const httplib::Response& res) {
        std::lock_guard lock(logMutex);
        std::cout << "request: " << req.method << " " << req.target << " " << res.status
                  << " agent=" << req.get_header_value("User-Agent") << std::endl;
    });
    // Every request waits before its handler runs, each on its own thread,
    // so replies are held back alike however many are in flight.
    server.set_pre_routing_handler([replyDelayMs](const httplib::Request&, httplib::Response&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(replyDelayMs));
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // httplib's default adds SO_REUSEPORT, which lets a second service bind
    // the same port and take half the requests; this one must fail instead.
    server.set_socket_options([](int sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    std::signal(SIGTERM, Stop);
    std::signal(SIGINT, Stop);

    // Lets a script tell this service from whatever else may answer on the port.
    server.Get("/qvestra-demo/identity", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("qvestra-demo " + std::to_string(::getpid()) + "\n", "text/plain");
    });

    server.Get("/q_vestra/execute.asp", [&](const httplib::Request& req, httplib::Response& res) {
        const std::string id = req.get_param_value("yuzaaidhi");
        for (const auto& member : data.members) {
            if (member.memberId == id) return SendPage(res, menuPage(member));
        }
        res.status = 404;
        SendPage(res, qvestra::demo::UnknownMemberPage(id));
    });

    // What a script waits for besides the request lines: a stall's start and end, a hold.
    const auto say = [&logMutex](const std::string& line) {
        std::lock_guard lock(logMutex);
        std::cout << "qvestra-demo: " << line << std::endl;
    };

    const auto* workbook = qvestra::demo::FindDocument(data, qvestra::demo::kLargeDocument);
    const qvestra::demo::LargePdf largePdf =
        qvestra::demo::MakeLargePdf({"QVestra", workbook->lesson}, largeMib * 1024 * 1024);
    std::atomic<bool> stallTaken = false;
    server.Get(AbsoluteOrOrigin(R"(/qv_contents/([^/]+))"), [&](const httplib::Request& req,
                                                                httplib::Response& res) {
        const std::string name = req.matches[1];
        const auto* document = qvestra::demo::FindDocument(data, name);
        if (document == nullptr) {
            res.status = 404;
            return SendPage(res, qvestra::demo::UnknownDocumentPage());
        }
        const bool stalls = stallDocumentSeconds > 0 && !stallTaken.exchange(true);
        // A client continues a cut transfer with Range and If-Range: the
        // server answers the range, unless the validator is another than
        // the document's, when the whole document comes. cpp-httplib knows
        // no If-Range and answers a range whatever the status, so the range
        // of a changed document is dropped before the answer is made.
        const auto validate = [&req, &res, &name](std::size_t size) {
            const std::string etag = "\"" + name + "-" + std::to_string(size) + "\"";
            res.set_header("ETag", etag);
            if (req.has_header("If-Range") && req.get_header_value("If-Range") != etag)
                const_cast<httplib::Request&>(req).ranges.clear();
        };
        if (document != workbook && !stalls) {
            std::string pdf = qvestra::demo::MakePdf({"QVestra", document->lesson});
            validate(pdf.size());
            return res.set_content(std::move(pdf), "application/pdf");
        }
        // The large document is streamed, so it costs the service no memory;
        // a small one only when it has to stop halfway.
        std::size_t size = largePdf.Size();
        BodyReader read = [&largePdf](std::size_t offset, char* out, std::size_t length) {
            return largePdf.Read(offset, out, length);
        };
        if (document != workbook) {
            auto body = std::make_shared<const std::string>(
                qvestra::demo::MakePdf({"QVestra", document->lesson}));
            size = body->size();
            read = [body](std::size_t offset, char* out, std::size_t length) {
                return body->copy(out, length, offset);
            };
        }
        validate(size);
        const std::size_t middle = size / 2;
        StreamBody(res, size, std::move(read), document == workbook ? largeMibPerSecond : 0,
                   stalls ? std::optional(middle) : std::nullopt,
                   [name, size, middle, stallDocumentSeconds, &say] {
                       say(name + " stalls " + std::to_string(stallDocumentSeconds) + " s after " +
                           std::to_string(middle) + " of " + std::to_string(size) + " bytes");
                       HoldBack(std::chrono::seconds(stallDocumentSeconds));
                       say(name + " sends again");
                   });
    });

    // The service's own copies of the member's page, the help page and the logo.
    server.Get(R"(/q_Vestra/HTML/([^/]+)\.txt)",
               [&](const httplib::Request& req, httplib::Response& res) {
                   for (const auto& member : data.members) {
                       if (member.memberId == req.matches[1])
                           return SendPage(res, menuPage(member));
                   }
                   res.status = 404;
                   SendPage(res, qvestra::demo::UnknownMemberPage(req.matches[1]));
               });
    server.Get(R"(/[qQ]_[vV]estra/HTML/Help\.html)",
               [&](const httplib::Request&, httplib::Response& res) {
                   SendPage(res, qvestra::demo::HelpPage());
               });
    const std::string logo = ReadFile(QVESTRA_DEMO_ASSETS "/Logo_Movei.gif");
    server.Get("/q_Vestra/images/Logo_Movei.gif",
               [&](const httplib::Request&, httplib::Response& res) {
                   res.set_content(logo, "image/gif");
               });

    // Sign-in: the page, its form, and the answer file the client polls.
    std::mutex answersMutex;
    std::map<std::string, std::string> signInAnswers;
    server.Get("/q_vestra/Entry.asp", [&](const httplib::Request& req, httplib::Response& res) {
        SendPage(res, qvestra::demo::SignInPage(data, req.get_param_value("LTIME"), ""));
    });
    server.Post("/q_vestra/Entry.asp", [&](const httplib::Request& req, httplib::Response& res) {
        const std::string loginTime = req.get_param_value("LTIME");
        std::lock_guard lock(answersMutex);
        if (req.get_param_value("action") == "cancel") {
            signInAnswers[loginTime] = "CANCEL";
            return SendPage(res, qvestra::demo::SignInDonePage("ログインをキャンセルしました。"));
        }
        const auto* member = qvestra::demo::FindMember(data, req.get_param_value("member"));
        if (member == nullptr || req.get_param_value("password") != qvestra::demo::kDemoPassword) {
            return SendPage(res, qvestra::demo::SignInPage(data, loginTime,
                                                           "会員番号またはパスワードが違います。"));
        }
        signInAnswers[loginTime] = "USERID=" + member->Record() + "\r\n";
        SendPage(res,
                 qvestra::demo::SignInDonePage("ログインしました。まもなくメニューが開きます。"));
    });
    server.Get(AbsoluteOrOrigin(R"(/q_vestra/LOG_O/qvuser(.+)\.txt)"),
               [&](const httplib::Request& req, httplib::Response& res) {
                   std::lock_guard lock(answersMutex);
                   const auto answer = signInAnswers.find(req.matches[1]);
                   if (answer == signInAnswers.end()) {
                       res.status = 404;
                       return SendPage(res, qvestra::demo::UnknownDocumentPage());
                   }
                   res.set_content(answer->second, "text/plain");
               });

    // The member's record, as the service keeps it.
    server.Get(AbsoluteOrOrigin(R"(/q_vestra/LOG_K/qvuser(\d+)\.txt)"),
               [&](const httplib::Request& req, httplib::Response& res) {
                   const auto* member = qvestra::demo::FindMemberByNumber(data, req.matches[1]);
                   if (member == nullptr) {
                       res.status = 404;
                       return SendPage(res, qvestra::demo::UnknownDocumentPage());
                   }
                   res.set_content(
                       member->cancelled ? "K_CANCEL\r\n" : "USERID=" + member->Record() + "\r\n",
                       "text/plain");
               });

    // Contract requests: the pages, their buttons, and the status file the
    // client polls ("EXEC" while the page is open, then the word of the
    // button pressed, each followed by the request's stamp).
    std::mutex statusMutex;
    std::map<std::string, std::string> statusByNumber;
    const auto contractPage = [&](const std::string& title,
                                  std::vector<qvestra::demo::ContractAction> actions) {
        return [&, title, actions](const httplib::Request& req, httplib::Response& res) {
            const auto* member = qvestra::demo::FindMember(data, req.get_param_value("yuzaaidhi"));
            if (member == nullptr) {
                res.status = 404;
                return SendPage(res,
                                qvestra::demo::UnknownMemberPage(req.get_param_value("yuzaaidhi")));
            }
            const std::string stamp = req.get_param_value("TSMP");
            {
                std::lock_guard lock(statusMutex);
                statusByNumber[member->Number()] = "EXEC" + stamp;
            }
            SendPage(res, qvestra::demo::ContractPage(title, member->memberId, stamp, actions));
        };
    };
    server.Get("/q_vestra/Mousikomi_inp1.asp",
               contractPage("契約申込み", {{"申込みを完了する", "END"},
                                           {"申込みをやめる", "CANCEL"},
                                           {"契約を解除する", "K_CANCEL"}}));
    server.Get("/q_vestra/mousikomi_inp1.asp",
               contractPage("契約変更（基本情報）",
                            {{"変更を完了する", "END"}, {"変更をやめる", "CANCEL"}}));
    server.Get("/q_vestra/KHenko.asp",
               contractPage("契約変更（コンテンツ）", {{"変更を完了する", "END"},
                                                       {"変更をやめる", "CANCEL"},
                                                       {"第2章だけにする", "END", "reduced"}}));
    server.Post("/q_vestra/keika_set", [&](const httplib::Request& req, httplib::Response& res) {
        const auto* member = qvestra::demo::FindMember(data, req.get_param_value("yuzaaidhi"));
        const std::string word = req.get_param_value("word");
        if (member == nullptr || (word != "END" && word != "CANCEL" && word != "K_CANCEL")) {
            res.status = 400;
            return SendPage(res,
                            qvestra::demo::SignInDonePage("手続きを受け付けられませんでした。"));
        }
        if (req.get_param_value("contents") == "reduced") {
            std::lock_guard lock(reducedMutex);
            reduced.insert(member->memberId);
        }
        std::lock_guard lock(statusMutex);
        statusByNumber[member->Number()] = word + req.get_param_value("TSMP");
        SendPage(res, qvestra::demo::SignInDonePage(
                          "手続きを受け付けました。まもなく会員メニューに戻ります。"));
    });
    server.Get(AbsoluteOrOrigin(R"(/q_vestra/LOG_K/keika(\d+)\.txt)"),
               [&](const httplib::Request& req, httplib::Response& res) {
                   if (statusDelayMs > 0) {
                       say("status file " + req.matches[1].str() + " held " +
                           std::to_string(statusDelayMs) + " ms");
                       HoldBack(std::chrono::milliseconds(statusDelayMs));
                   }
                   std::lock_guard lock(statusMutex);
                   const auto status = statusByNumber.find(req.matches[1]);
                   if (status == statusByNumber.end()) {
                       res.status = 404;
                       return SendPage(res, qvestra::demo::UnknownDocumentPage());
                   }
                   res.set_content(status->second + "\r\n", "text/plain");
               });

    if (!server.bind_to_port(listen.c_str(), port)) {
        std::cerr << "qvestra-demo: cannot listen on " << listen << ":" << port << "\n";
        return 1;
    }
    std::cout << "qvestra-demo: serving on " << (tls ? "https" : "http") << "://" << listen << ":"
              << port << "/" << std::endl;
    server.listen_after_bind();
    return 0;
}
