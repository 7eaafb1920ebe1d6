#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QScreen>
#include <QWebEngineProfile>
#include <cstdio>
#include <string_view>

#include "app/command_line.h"
#include "app/desktop_proxy.h"
#include "app/document_opener.h"
#include "app/frm_qvestra.h"
#include "app/log.h"
#include "app/quit_on_signals.h"
#include "app/single_instance.h"
#include "core/abort_switch.h"
#include "core/exchange_queue.h"
#include "core/log_sink.h"
#include "core/time_stamp.h"
#include "help/frm_help.h"
#include "net/tcp_socket.h"
#include "net/url_reader.h"
#include "signin/computer_name.h"
#include "signin/frm_login.h"
#include "ui/message_boxes.h"
#include "ui/unverified_notice.h"
#include "ui/window_roles.h"
#include "viewer/viewer_watch.h"
#include "viewer/window_list.h"
#include "webengine/engine_environment.h"
#include "webengine/local_pages.h"
#include "webengine/scene_graph.h"
#include "webengine/webengine_view.h"

namespace {
constexpr std::chrono::seconds kExchangeEndBound{10};
}  // namespace

int main(int argc, char* argv[]) {
    // The toolkit hands its arguments on to the web engine, where one such
    // as --remote-debugging-port would open the browser to every local
    // program: what the command line may ask is answered before any window,
    // anything else refused, and the toolkit gets a fixed list.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (const auto answer = qvestra::ReadCommandLine(arguments, QLocale::system()); !answer.run) {
        std::fputs(answer.text.toLocal8Bit().constData(), answer.error ? stderr : stdout);
        return answer.status;
    }
    qvestra::core::LogSink log(qvestra::core::LogSink::DefaultFolder());
    if (const QStringList removed = qvestra::webengine::FixEngineEnvironment(); !removed.isEmpty())
        qCInfo(qvestra::lcApp) << "taken from the environment:" << removed.join(u' ');
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qvestra::webengine::RegisterLocalScheme();
    int fixedArgc = 1;
    char* fixedArgv[] = {argv[0], nullptr};
    QApplication app(fixedArgc, fixedArgv);
    qvestra::ui::InstallWindowRoles();
    // A Wayland desktop matches the windows to the desktop entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.qvestra.Client"));
    qvestra::webengine::PreferSoftwareSceneGraphWithoutGpu();
    // The windows decide when the program ends, not the last one closed: the
    // main window stays loaded and hidden while the sign-in window shows.
    QApplication::setQuitOnLastWindowClosed(false);

    const qvestra::core::AbortSwitch terminationSignal;
    qvestra::core::ThreadExchangeQueue exchanges;
    const auto endProgram = [&exchanges] {
        // No queued exchange starts, every end still to come says
        // cancelled, and the one that runs ends at once.
        exchanges.Close();
        QCoreApplication::exit(0);
    };
    qvestra::EndOnTerminationSignals(terminationSignal, &app, [&endProgram] {
        for (QWidget* window : QApplication::topLevelWidgets()) window->close();
        endProgram();
    });

    qvestra::ui::QtMessageBoxes messages;
    qvestra::net::ServiceEndpoint endpoint{QVESTRA_SERVICE_HOST, QVESTRA_SERVICE_PORT, std::nullopt,
                                           std::string_view(QVESTRA_SERVICE_SCHEME) == "https"
                                               ? qvestra::net::Scheme::kHttps
                                               : qvestra::net::Scheme::kHttp};
    const auto dataFolder = qvestra::store::DataFolder::DefaultRoot();
    qvestra::SingleInstance instance(QString::fromStdString(dataFolder.string()),
                                     qvestra::SingleInstance::PrivateFolder());
    const auto claim = instance.TryClaim();
    if (claim != qvestra::SingleInstance::Claim::kFirst) {
        const QString refusal = qvestra::ClaimRefusal(claim, instance.LockFile());
        if (refusal.isEmpty()) return 0;
        messages.Inform(nullptr, refusal, [] { QCoreApplication::exit(1); });
        return app.exec();
    }
    QObject::connect(&instance, &qvestra::SingleInstance::activationRequested, [] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isVisible() || window->windowType() == Qt::Popup) continue;
            window->showNormal();
            window->raise();
            window->activateWindow();
        }
    });
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/qvestra/icon.png")));

    const QScreen* screen = QGuiApplication::primaryScreen();
    qvestra::ScreenInfo screenInfo{screen->geometry().width(), screen->geometry().height(),
                                   screen->logicalDotsPerInch()};

    // Every channel to the service tells the member the same, once, when
    // the service could not be verified.
    qvestra::ui::UnverifiedNotice unverified(messages);
    const auto reportUnverified = [&unverified] { unverified.Report(); };
    qvestra::net::TcpSocketFactory sockets({}, reportUnverified);
    qvestra::net::CurlUrlReader urls(
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString(),
        reportUnverified);
    qvestra::XdgDocumentOpener documents;
    qvestra::webengine::WebEngineViews views(
        endpoint, [](const QUrl& url) { QDesktopServices::openUrl(url); }, reportUnverified);
    const auto windows = qvestra::viewer::CreatePlatformWindowList();
    qvestra::viewer::ViewerWatch viewerWatch(
        *windows, qvestra::ui::TwipScale::ForLogicalDpi(screenInfo.logicalDpi), {});

    // Every exchange, the page reads and the views take the route the
    // desktop names for the service. A PAC file may take the network's time
    // to read, so the choice is the queue's first exchange and the window
    // follows it.
    // The sign-in window is main's until the member is signed in, when it
    // goes; one still open when the program ends goes with main, its web
    // view with it, before the application object.
    std::unique_ptr<qvestra::signin::FrmLogin> frmLogin;
    std::unique_ptr<qvestra::FrmQvestra> frmQvestra;
    exchanges.Run(
        qvestra::core::Lane::kShort, &app,
        [endpoint](const qvestra::core::AbortSwitch&) {
            return qvestra::DesktopProxyFor(endpoint);
        },
        [&](const qvestra::core::JobResult<std::optional<qvestra::net::HttpProxy>>& route) {
            // The program is ending. A route that could not be read is none.
            if (route.end == qvestra::core::JobEnd::kCancelled) return;
            endpoint.proxy = route.value.value_or(std::nullopt);
            if (endpoint.proxy)
                qCInfo(qvestra::lcApp, "to the service through the proxy %s:%d",
                       endpoint.proxy->host.c_str(), endpoint.proxy->port);
            else
                qCInfo(qvestra::lcApp, "to the service directly");
            urls.UseProxy(endpoint.proxy);
            views.UseProxy(endpoint.proxy);
            frmQvestra = std::make_unique<qvestra::FrmQvestra>(qvestra::FrmQvestraDeps{
                .endpoint = endpoint,
                .dataFolder = qvestra::store::DataFolder(dataFolder),
                .sockets = sockets,
                .exchanges = exchanges,
                .webViews = views.Factory(),
                .messages = messages,
                .urls = urls,
                .documents = documents,
                .viewerWatch = viewerWatch,
                .screen = screenInfo,
                .timeOfDay = [] { return qvestra::core::TimeOfDayStamp(QTime::currentTime()); },
                .helpFolder = qvestra::help::HelpFolder(QCoreApplication::applicationDirPath()),
                .endProgram = endProgram,
                .engineVersion =
                    QWebEngineProfile::defaultProfile()->httpUserAgent().section(u' ', -2, -2),
                .recentLog = [&log] { return log.Recent(); },
            });
            QObject::connect(frmQvestra.get(), &qvestra::FrmQvestra::signInRequired, [&] {
                frmLogin =
                    std::make_unique<qvestra::signin::FrmLogin>(qvestra::signin::FrmLoginDeps{
                        .endpoint = endpoint,
                        .dataFolder = qvestra::store::DataFolder(dataFolder),
                        .sockets = sockets,
                        .exchanges = exchanges,
                        .webViews = views.Factory(),
                        .messages = messages,
                        .scale = qvestra::ui::TwipScale::ForLogicalDpi(screenInfo.logicalDpi),
                        .pcName = qvestra::signin::ComputerName(),
                        .timeOfDay =
                            [] { return qvestra::core::TimeOfDayStamp(QTime::currentTime()); },
                        .handOver =
                            [&frmLogin, &frmQvestra] {
                                frmLogin.release()->deleteLater();
                                frmQvestra->Load();
                            },
                        .endProgram = endProgram,
                    });
                frmLogin->Load();
            });
            frmQvestra->Load();
        });
    // Every end comes from the event loop; a signal before it runs would
    // leave a request to leave the loop that is lost, so main looks itself.
    const int code = terminationSignal.Tripped() ? 0 : app.exec();
    // The exchange that runs uses the windows' parts, which go next. Its
    // waits end at once; one held in the kernel past the bound (a stalled
    // disk) ends with the process instead, leaving at most a part file that
    // the next start removes.
    if (!exchanges.Stop(kExchangeEndBound)) std::_Exit(code);
    return code;
}
