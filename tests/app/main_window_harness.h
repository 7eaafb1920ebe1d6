#pragma once

// One main window with fakes for everything it talks to.
#include <QtWidgets>

#include "app/frm_qvestra.h"
#include "common/cp932.h"
#include "fakes/fakes.h"
#include "fakes/support.h"
#include "mirror/frm_cond.h"
#include "net/tcp_socket.h"
#include "viewer/find_acrobat.h"

namespace qvestra {
inline char* toString(const TwipRect& r) {
    return QTest::toString(QStringLiteral("TwipRect(%1, %2, %3, %4)")
                               .arg(r.left)
                               .arg(r.top)
                               .arg(r.width)
                               .arg(r.height));
}
}  // namespace qvestra

namespace qvestra::testing {

// One main window with everything it talks to.
struct Harness {
    // Real sockets, when given, replace the fake ones and talk to endpoint.
    explicit Harness(bool online, ScreenInfo screen = {},
                     net::ServiceEndpoint endpoint = {"svc.test", 80},
                     net::SocketFactory* realSockets = nullptr, bool backgroundExchanges = false)
        : viewerWatch(windows, TwipScale(15),
                      {std::chrono::milliseconds(5), std::chrono::milliseconds(300)}) {
        sockets.connectResult = online ? net::kOk : net::kConnectFailed;
        folder = std::filesystem::path(dir.path().toStdString()) / "qvestrafolder";
        window = std::make_unique<FrmQvestra>(FrmQvestraDeps{
            .endpoint = endpoint,
            .dataFolder = store::DataFolder(folder),
            .sockets =
                realSockets != nullptr ? *realSockets : static_cast<net::SocketFactory&>(sockets),
            .webViews = &FakeWebView::Create,
            .messages = messages,
            .urls = urls,
            .documents = documents,
            .viewerWatch = viewerWatch,
            .program = program,
            .screen = screen,
            .timeOfDay = [this] { return stamp; },
            .programFolder = QStringLiteral("/opt/qvestra/bin"),
            .endProgram = [this] { ++programEnds; },
            .backgroundExchanges = backgroundExchanges,
        });
    }

    void WriteUserFile(const std::string& bytes) {
        std::filesystem::create_directories(folder);
        WriteFile(folder / "qvuser.txt", bytes);
    }

    FakeWebView& View() { return *static_cast<FakeWebView*>(window->controls().WebBrowser); }
    const FrmQvestra::Controls& ui() const { return window->controls(); }
    TwipRect Of(const QWidget* w) const { return window->layout().Of(w); }
    bool Shown(const QWidget* w) const { return w->isVisibleTo(window.get()); }

    QTemporaryDir dir;
    std::filesystem::path folder;
    FakeSocketFactory sockets;
    FakeMessageBoxes messages;
    FakeUrlReader urls;
    FakeDocumentOpener documents;
    FakeWindowList windows;
    viewer::FindAcrobat viewerWatch;
    ProgramState program;
    // The time of day the window reads for a request's stamp.
    QString stamp = QStringLiteral("14-05-07");
    int programEnds = 0;
    std::unique_ptr<FrmQvestra> window;
};

// The scripted loopback service of a Served window and its real sockets.
struct Service {
    Service(const std::string& reply, int connections) : server(reply, connections) {}
    ScriptedServer server;
    net::TcpSocketFactory realSockets;
};

// A member's window that talks to a scripted loopback service over real
// sockets; every connection gets the same reply.
struct Served : Service, Harness {
    Served(const std::string& reply, int connections, const std::string& record,
           bool backgroundExchanges = false)
        : Service(reply, connections),
          Harness(true, {}, {"127.0.0.1", server.Port()}, &realSockets, backgroundExchanges) {
        WriteUserFile(record);
    }
    std::string MenuAddress() const {
        return server.Address("/q_vestra/execute.asp?yuzaaidhi=A-12");
    }
};

}  // namespace qvestra::testing
