// What the program's web views let a page do, in the real web engine: where
// the window may go and what a page asks of the desktop; and which desktops
// get the software scene graph for them.
#include <QApplication>
#include <QQuickWindow>

#include "fakes/name_server.h"
#include "fakes/support.h"

#include "webengine/engine_environment.h"
#include "webengine/local_fence.h"
#include "webengine/scene_graph.h"
#include "webengine/webengine_view.h"

using namespace qvestra;
using namespace qvestra::webview;
using namespace qvestra::testing;
using namespace Qt::StringLiterals;
using enum qvestra::webview::Navigation;

namespace {

const net::ServiceEndpoint kService{"svc.test", 80};

// The route to the service outside the proxy's own test.
std::optional<net::HttpProxy> kRefusingProxy;

// What the desktop browser was handed.
QStringList browser;

// The program's views, made once in main: the engine's profile is one for all.
webengine::WebEngineViews* views = nullptr;
ui::TwipsLayout layout{ui::TwipScale(15)};

using View = std::unique_ptr<webengine::WebEngineView>;

// A view of the program's, shown.
View NewView() {
    View view(static_cast<webengine::WebEngineView*>(views->Factory()(nullptr, layout)));
    view->resize(400, 300);
    view->show();
    return view;
}

// A view showing html, once it has loaded: a local page written to a file,
// or a service page (its scripts run).
struct Shown {
    QTemporaryDir dir;
    View view = NewView();

    explicit Shown(const QString& html, PageKind kind = PageKind::kLocal) {
        QSignalSpy loaded(view.get(), &QWebEngineView::loadFinished);
        if (kind == PageKind::kLocal) {
            WriteFile(dir.filePath(u"A-12.html"_s).toStdString(), html.toStdString());
            view->Navigate("file://" + dir.filePath(u"A-12.html"_s));
        } else {
            view->StartEngine();
            view->page()->setHtml(html, QUrl(u"http://svc.test/"_s));
        }
        QVERIFY(loaded.wait(20000) && loaded.first().first().toBool());
    }
    void Run(const QString& script) { view->page()->runJavaScript(script); }
    void Click() {
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(200, 150));
    }
};

}  // namespace

class TestWebViews : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // First, as in the program before any view: desktops whose OpenGL runs
    // on the CPU (Xvfb's Mesa llvmpipe here, Chromium's SwiftShader) get the
    // software scene graph; a GPU driver built with LLVM is none.
    void softwareSceneGraphUnderXvfb() {
        QVERIFY(webengine::IsSoftwareRasterizer("Google SwiftShader"));
        QVERIFY(!webengine::IsSoftwareRasterizer("AMD Radeon RX 6600 (navi23, LLVM 15.0.6)"));
        webengine::PreferSoftwareSceneGraphWithoutGpu();
        QCOMPARE(QQuickWindow::sceneGraphBackend(), QStringLiteral("software"));
    }

    // Through the program's proxy, whose user the view offers once a load:
    // a proxy that refuses it is not asked again and again. A page through a
    // proxy that takes the user is the proxy end-to-end run's. Before the first
    // page, as in the program: the engine reads the route when it starts.
    void pagesComeThroughTheProgramsProxy() {
        ScriptedServer proxy(
            "HTTP/1.0 407 X\r\nProxy-Authenticate: Basic realm=s\r\nContent-Length: 0\r\n\r\n", 5);
        views->UseProxy(net::HttpProxy{"127.0.0.1", proxy.Port(), "u", "p"});
        const View view = NewView();
        QSignalSpy loaded(view.get(), &QWebEngineView::loadFinished);
        view->Navigate("http://svc.test/q_vestra/Entry.asp");
        QVERIFY(loaded.wait(20000));
        // Time for a third try, which must not come.
        QTest::qWait(300);
        views->UseProxy(kRefusingProxy);
        QCOMPARE(QByteArray::fromStdString(proxy.Request()).count("Basic dTpw"), 1);
        QCOMPARE(proxy.Connections(), 2);
    }

    // A local page is read only as a plain file inside its folder, up to
    // its limit, through no link on the way.
    void localFiles() {
        QTemporaryDir dir;
        const std::filesystem::path folder = dir.path().toStdString();
        WriteFile(folder / "A-12.html", "12345678");
        WriteFile(folder / "big.html", "123456789");
        std::filesystem::create_symlink(folder / "A-12.html", folder / "link.html");
        QVERIFY(webengine::ReadInside(folder, "A-12.html", 8) == "12345678");
        for (const char* refused : {"big.html", "link.html", "."})
            QVERIFY(!webengine::ReadInside(folder, refused, 8));
    }

    // Where the window's own page may go, by who asked and from which kind
    // of page: a row a branch of the rule. A popup follows the service
    // page's rule, on a click only.
    void mainFrame_data() {
        Columns<QString, PageKind, Asker, Navigation>();
        const auto S = PageKind::kService, L = PageKind::kLocal;
        const auto program = Asker::kProgram, click = Asker::kClick, page = Asker::kPage;
        const QString local = "qvestra-local://page0/A-12.html";
        Row("the service, in capitals", "http://SVC.TEST/KHenko.asp", S, page, kStay);
        Row("the host as a prefix", "http://svc.test.evil.example/", S, page, kDesktopBrowser);
        Row("the same host, another port", "http://svc.test:8080/", S, page, kDesktopBrowser);
        Row("https on the service host", "https://svc.test/", S, page, kDesktopBrowser);
        Row("ftp", "ftp://svc.test/", S, click, kRefuse);
        Row("http without a host", "http:///etc/hostname", S, click, kRefuse);
        Row("a local page from a service page", local, S, click, kRefuse);
        Row("the program's local page", local, L, program, kStay);
        Row("the program's service page", "http://svc.test/", S, program, kStay);
        Row("the program's page of the other kind", local, S, program, kRefuse);
        Row("a clicked link from a local page", "http://evil.example/", L, click, kDesktopBrowser);
        Row("a clicked link to the service", "http://svc.test/", L, click, kSwitch);
        Row("a refresh, a redirect or a form", "http://evil.example/", L, page, kRefuse);
    }
    void mainFrame() {
        const auto [url, from, asker, navigation] = Fetch<QString, PageKind, Asker, Navigation>();
        QCOMPARE(MainFrameNavigation(QUrl(url), kService, from, asker), navigation);
        if (from == PageKind::kLocal || asker == Asker::kProgram) return;
        QCOMPARE(PopupNavigation(QUrl(url), true),
                 navigation == kRefuse ? kRefuse : kDesktopBrowser);
        QCOMPARE(PopupNavigation(QUrl(url), false), kRefuse);
    }

    void browserHandOffsKeepTheirInterval() {
        BrowserHandOff handOff;
        const std::chrono::steady_clock::time_point start{std::chrono::hours(1)};
        QVERIFY(handOff.Allow(start));
        QVERIFY(!handOff.Allow(start + BrowserHandOff::kInterval - std::chrono::milliseconds(1)));
        QVERIFY(handOff.Allow(start + BrowserHandOff::kInterval));
        QVERIFY(!handOff.Allow(start + BrowserHandOff::kInterval + std::chrono::milliseconds(1)));
    }

    // A local page's requests stay on the local scheme and data:, whichever
    // of its page, its top page or the request's initiator tells that the
    // request comes from a local page; the window's own navigation was
    // judged by the navigation rule already.
    void localPagesRequestNothingElse_data() {
        Columns<QString, QString, QString, bool, QString, bool>();
        const QString L = "qvestra-local://page0/A-12.html", S = "http://svc.test/";
        Row("its logo", L, L, L, false, "qvestra-local://page0/images/LOGO_Movei.gif", true);
        Row("a data: image", L, L, L, false, "data:image/gif;base64,R0lGOD", true);
        Row("known by its page alone", L, S, "null", false, "http://127.0.0.1:8081/beacon", false);
        Row("known by its top page alone", S, L, "null", false, S, false);
        Row("known by its initiator alone", S, S, L, false, S, false);
        Row("going to the service", L, L, L, true, S, true);
        Row("a service page's image", S, S, S, false, S + "logo.gif", true);
    }
    void localPagesRequestNothingElse() {
        const auto [page, top, initiator, mainFrame, request, may] =
            Fetch<QString, QString, QString, bool, QString, bool>();
        const webengine::RequestOrigin origin{QUrl(page), QUrl(top), QUrl(initiator), mainFrame};
        QCOMPARE(webengine::MayRequest(origin, QUrl(request)), may);
    }

    // The policy comes before every byte of the page, only a plain document
    // type line at its start (within the first 256 bytes) repeated in front
    // of it: nothing a hostile page starts with keeps it from being read.
    void localPolicyComesFirst_data() {
        Columns<QByteArray, QByteArray>();
        const QByteArray old = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">",
                         longType = "<!DOCTYPE " + QByteArray(199, 'a') + ">";
        Row("an old document type", "\r\n" + old + "<html>", old);
        Row("a document type ending at byte 256", QByteArray(46, ' ') + longType, longType);
        Row("one byte further", QByteArray(47, ' ') + longType, QByteArray());
        Row("a charset switch", QByteArray("<!DOCTYPE html \x1b$B>"), QByteArray());
    }
    void localPolicyComesFirst() {
        const auto [page, before] = Fetch<QByteArray, QByteArray>();
        const QByteArray policed = webengine::WithLocalPolicy(page);
        QVERIFY(policed.startsWith(before + "<meta http-equiv=\"Content-Security-Policy\"") &&
                policed.endsWith(page));
    }

    // In the real engine a local page runs no script, neither its own nor
    // one in a frame it declares or points at javascript:, whatever it
    // starts with or its own weaker policy says, and its images and frames
    // reach no other program; a refresh of its own is the last test's. A
    // page number past those handed out names nothing.
    void localPagesInTheEngine() {
        // A view closed as its page starts to load takes the page's request
        // along while the file is read: the answer finds nobody. The next
        // page comes after it, as the files are read one at a time.
        auto* gone = NewView().release();
        const QPointer<QObject> closed(gone);
        QObject::connect(gone, &QWebEngineView::loadStarted, gone, &QObject::deleteLater);
        gone->Navigate("file:///nowhere/A-12.html");
        QTRY_VERIFY_WITH_TIMEOUT(!closed, 10000);
        ScriptedServer listener(OkReply("x"), 4);
        // Every way a script could run names the page "ran"; every address reaches the listener.
        QString page =
            "<!DOCTYPE html \x1b$B><meta charset=ISO-2022-JP><meta http-equiv=Content-Security-"
            "Policy content=\"default-src * 'unsafe-inline'; form-action *\"><img src=L:/img>"
            "<iframe src=L:/frame></iframe><script>document.title='ran';fetch('L:/fetch')</script>"
            "<div><template shadowroot=open><iframe srcdoc=\"<script>parent.document.title='ran'"
            "</script>\"></iframe></template></div><iframe "
            "src=\"javascript:parent.document.title='ran'\"></iframe><title>loaded</title>";
        const Shown shown(page.replace("L:", QString::fromStdString(listener.Address(""))));
        // What a page does after its load has its moment too.
        QTest::qWait(500);
        QCOMPARE(shown.view->title(), u"loaded"_s);
        QCOMPARE(listener.Connections(), 0);
        QSignalSpy loaded(shown.view.get(), &QWebEngineView::loadFinished);
        const int past = shown.view->url().host().mid(4).toInt() + 1;
        shown.view->load(QUrl(u"qvestra-local://page%1/A-12.html"_s.arg(past)));
        QVERIFY(loaded.wait(20000) && !loaded.last().first().toBool());
    }

    // A service page runs its scripts, but one that tries to send the window
    // elsewhere stays: web addresses go to the desktop browser, popups only
    // on a click, a loop of address changes once an interval at most, and
    // what a page asks of the desktop is refused at once.
    void aServicePageCannotTakeTheWindowElsewhere() {
        browser.clear();
        NameServer stun(false);
        const QString page =
            "<!DOCTYPE html><button style=\"position:fixed;inset:0\" onclick=\"window.open('http://"
            "clicked.example/')\">menu</button><script>const p = new RTCPeerConnection({iceServers:"
            " [{urls: 'stun:127.0.0.1:%1'}]}); p.createDataChannel('d'); p.createOffer().then(o => "
            "p.setLocalDescription(o));</script>";
        Shown service(page.arg(stun.Port()), PageKind::kService);
        service.Run("location.href = 'http://evil.example/login'");
        QTRY_COMPARE_WITH_TIMEOUT(browser, QStringList{"http://evil.example/login"}, 10000);
        service.Run(
            "for (let i = 0; i < 20; ++i) window.open('http://popup.example/' + i); "
            "window.open('file:///etc/hostname'); let n = 0; const loop = setInterval(() => { "
            "location.href = 'http://flood.example/' + n; if (++n == 200) { clearInterval(loop); "
            "document.title = 'flooded'; } }, 5);");
        QTRY_COMPARE_WITH_TIMEOUT(service.view->title(), u"flooded"_s, 10000);
        QVERIFY(browser.filter("popup").isEmpty() && browser.size() <= 2);
        service.Click();
        QTRY_COMPARE_WITH_TIMEOUT(browser.last(), QStringLiteral("http://clicked.example/"), 10000);
        const qsizetype handedOver = browser.size();
        service.Run("location.href = 'file:///etc/hostname'");
        service.Run(
            "Notification.requestPermission().then(p => document.title = 'notifications ' + p);");
        QTRY_COMPARE_WITH_TIMEOUT(service.view->title(), u"notifications denied"_s, 10000);
        QCOMPARE(service.view->url(), QUrl(u"http://svc.test/"_s));
        QCOMPARE(browser.size(), handedOver);
        // Its peer connection sent no UDP but through a proxy, as the
        // program's engine switch has it: without it the STUN server is asked.
        QVERIFY(!stun.Asked());
    }

    // From a local page only the member's click leaves: a refresh never
    // reaches the browser, a clicked link does, and a clicked link to the
    // service shows it in the window. The service is out of reach here: the
    // program's own page shows in its place, never the engine's, and its
    // 再試行, taken from the keyboard as a member without a mouse would,
    // asks the service again. An error status and a refused certificate are
    // the end-to-end runs'.
    void onlyAClickLeavesALocalPage() {
        browser.clear();
        const QString link = "<a style=\"position:fixed;inset:0\" href=\"";
        Shown local("<meta http-equiv=\"refresh\" content=\"0; url=http://refresh.example/\">" +
                    link + "http://clicked.example/\">menu</a>");
        local.Click();
        QTRY_COMPARE_WITH_TIMEOUT(browser, QStringList{"http://clicked.example/"}, 10000);
        Shown toService(link + "http://svc.test/q_vestra/execute.asp\">menu</a>");
        QWebEngineView& view = *toService.view;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("svc.test.*could not be shown"));
        toService.Click();
        QTRY_COMPARE_WITH_TIMEOUT(view.title(), u"QVestra に接続できません"_s, 20000);
        QCOMPARE(browser.size(), 1);
        const QWebEnginePage* old = view.page();
        QTest::keyClick(view.focusProxy(), Qt::Key_Tab);
        QTest::keyClick(view.focusProxy(), Qt::Key_Return);
        // The service's page, then the program's again, each a page anew.
        QTRY_VERIFY_WITH_TIMEOUT(view.page() != old && view.page()->url().host() == u"made", 20000);
    }
};

int main(int argc, char* argv[]) {
    webengine::FixEngineEnvironment();
    webengine::RegisterLocalScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    webengine::WebEngineViews programViews(kService, [](auto& url) { browser << url.toString(); });
    views = &programViews;
    // The service's name is known to nobody here: it is asked for through a
    // proxy that refuses at once, never through a name server that may
    // make a test wait.
    kRefusingProxy = net::HttpProxy{"127.0.0.1", ScriptedServer::ClosedPort(), "", ""};
    views->UseProxy(kRefusingProxy);
    TestWebViews test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_web_views.moc"
