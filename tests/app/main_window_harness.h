#pragma once

// One main window with fakes for everything it talks to.
#include <QtWidgets>

#include "app/frm_qvestra.h"
#include "core/cp932.h"
#include "documents/frm_cond.h"
#include "fakes/fakes.h"
#include "fakes/step_queue.h"
#include "fakes/support.h"
#include "net/tcp_socket.h"
#include "viewer/viewer_watch.h"

namespace qvestra::testing {

// The scripted loopback service a window may talk to over real sockets:
// every connection gets the same reply; another port (one that swallows
// packets, say) when given; the program's own exchange thread when asked.
struct LoopbackService {
    std::string reply;
    int connections = 1;
    bool threaded = false;
    int port = 0;
};

// One main window with everything it talks to: fake sockets that connect
// or not, or a loopback service. Its exchanges wait for the test's steps
// unless the service asks for the program's thread.
struct Harness {
    explicit Harness(bool online, net::ServiceEndpoint at = {"svc.test", 80},
                     ScreenInfo screen = {})
        : endpoint(at), exchanges(steps) {
        sockets.connectResult = online ? net::kOk : net::kConnectFailed;
        Make(sockets, screen);
    }
    // A member's window (or nobody's, without a record) with a loopback service.
    Harness(const LoopbackService& loopback, const std::string& record)
        : server(std::in_place, loopback.reply, loopback.connections),
          thread(loopback.threaded ? std::make_unique<core::ThreadExchangeQueue>() : nullptr),
          endpoint{"127.0.0.1", loopback.port != 0 ? loopback.port : server->Port()},
          exchanges(thread ? *thread : static_cast<core::ExchangeQueue&>(steps)) {
        if (!record.empty()) WriteUserFile(record);
        Make(realSockets, {});
    }
    // A failed check may leave an exchange waiting: it must not hold the next test.
    ~Harness() { exchanges.Close(); }

    // The start-up with every exchange it leads to.
    void Load() {
        window->Load();
        steps.Settle();
    }

    void WriteUserFile(const std::string& bytes) {
        std::filesystem::create_directories(folder);
        WriteFile(folder / "qvuser.txt", bytes);
    }

    std::string MenuAddress() const {
        return endpoint.PageAddress("/q_vestra/execute.asp?yuzaaidhi=A-12");
    }
    // The member A-12's menu page, listing lines.
    void MenuLists(const QStringList& lines) {
        urls.pages[MenuAddress()] = core::EncodeCp932(MenuPage(lines)).toStdString();
    }

    FakeWebView& View() { return *static_cast<FakeWebView*>(window->controls().WebBrowser); }
    const FrmQvestra::Controls& ui() const { return window->controls(); }
    bool Shown(const QWidget* w) const { return w->isVisibleTo(window.get()); }

    std::optional<ScriptedServer> server;
    net::TcpSocketFactory realSockets;
    std::unique_ptr<core::ThreadExchangeQueue> thread;
    net::ServiceEndpoint endpoint;
    QTemporaryDir dir;
    std::filesystem::path folder = dir.path().toStdString() + "/qvestrafolder";
    StepQueue steps;
    core::ExchangeQueue& exchanges;
    FakeSocketFactory sockets;
    FakeMessageBoxes messages;
    FakeUrlReader urls;
    FakeDocumentOpener documents;
    FakeWindowList windows;
    viewer::ViewerWatch viewerWatch{
        windows, ui::TwipScale(15), {std::chrono::milliseconds(5), std::chrono::milliseconds(300)}};
    // The time of day the window reads for a request's stamp.
    QString stamp = QStringLiteral("14-05-07");
    int programEnds = 0;
    std::unique_ptr<FrmQvestra> window;

  private:
    void Make(net::SocketFactory& socketFactory, ScreenInfo screen) {
        window = std::make_unique<FrmQvestra>(FrmQvestraDeps{
            .endpoint = endpoint,
            .dataFolder = store::DataFolder(folder),
            .sockets = socketFactory,
            .exchanges = exchanges,
            .webViews = &FakeWebView::Create,
            .messages = messages,
            .urls = urls,
            .documents = documents,
            .viewerWatch = viewerWatch,
            .screen = screen,
            .timeOfDay = [this] { return stamp; },
            .helpFolder = QStringLiteral("/usr/share/qvestra"),
            // As in the program, no exchange starts once it ends.
            .endProgram =
                [this] {
                    ++programEnds;
                    exchanges.Close();
                },
            .engineVersion = QStringLiteral("Chrome/102"),
            .recentLog = [] { return QStringList{"the last line"}; },
        });
    }
};

}  // namespace qvestra::testing
