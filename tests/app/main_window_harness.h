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

// One main window with everything it talks to. Its exchanges wait for the
// test's steps unless a queue with a thread is given.
struct Harness {
    // Real sockets, when given, replace the fake ones and talk to endpoint.
    explicit Harness(bool online, net::ServiceEndpoint endpoint = {"svc.test", 80},
                     net::SocketFactory* realSockets = nullptr,
                     core::ExchangeQueue* queue = nullptr, ScreenInfo screen = {})
        : endpoint(endpoint),
          exchanges(queue != nullptr ? *queue : steps),
          viewerWatch(windows, ui::TwipScale(15),
                      {std::chrono::milliseconds(5), std::chrono::milliseconds(300)}) {
        sockets.connectResult = online ? net::kOk : net::kConnectFailed;
        folder = std::filesystem::path(dir.path().toStdString()) / "qvestrafolder";
        window = std::make_unique<FrmQvestra>(FrmQvestraDeps{
            .endpoint = endpoint,
            .dataFolder = store::DataFolder(folder),
            .sockets =
                realSockets != nullptr ? *realSockets : static_cast<net::SocketFactory&>(sockets),
            .exchanges = exchanges,
            .webViews = &FakeWebView::Create,
            .messages = messages,
            .urls = urls,
            .documents = documents,
            .viewerWatch = viewerWatch,
            .screen = screen,
            .timeOfDay = [this] { return stamp; },
            .helpFolder = QStringLiteral("/usr/share/qvestra"),
            .endProgram =
                [this] {
                    ++programEnds;
                    if (onEnd) onEnd();
                },
            .engineVersion = QStringLiteral("Chrome/102"),
            .recentLog = [] { return QStringList{"the last line"}; },
        });
    }

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

    net::ServiceEndpoint endpoint;
    QTemporaryDir dir;
    std::filesystem::path folder;
    StepQueue steps;
    core::ExchangeQueue& exchanges;
    FakeSocketFactory sockets;
    FakeMessageBoxes messages;
    FakeUrlReader urls;
    FakeDocumentOpener documents;
    FakeWindowList windows;
    viewer::ViewerWatch viewerWatch;
    // The time of day the window reads for a request's stamp.
    QString stamp = QStringLiteral("14-05-07");
    int programEnds = 0;
    // What the program's end does besides: closing the queue of real sockets.
    std::function<void()> onEnd;
    std::unique_ptr<FrmQvestra> window;
};

// The scripted loopback service of a Served window, its real sockets and,
// when asked for, the program's own exchange thread.
struct Service {
    Service(const std::string& reply, int connections, bool threaded)
        : server(reply, connections),
          thread(threaded ? std::make_unique<core::ThreadExchangeQueue>() : nullptr) {}
    ScriptedServer server;
    net::TcpSocketFactory realSockets;
    std::unique_ptr<core::ThreadExchangeQueue> thread;
};

// A member's window (or nobody's, without a record) that talks to a
// scripted loopback service over real sockets, or to another port when
// given; every connection gets the same reply.
struct Served : Service, Harness {
    Served(const std::string& reply, int connections, const std::string& record,
           bool threaded = false, int port = 0)
        : Service(reply, connections, threaded),
          Harness(true, {"127.0.0.1", port != 0 ? port : server.Port()}, &realSockets,
                  thread.get()) {
        if (!record.empty()) WriteUserFile(record);
        onEnd = [this] { exchanges.Close(); };
    }
    // A failed check may leave an exchange waiting: it must not hold the next test.
    ~Served() { exchanges.Close(); }
};

}  // namespace qvestra::testing
