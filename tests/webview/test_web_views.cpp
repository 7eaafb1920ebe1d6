// What the program's web views let a page do, in the real web engine: where
// the window may go and what a page asks of the desktop; and which desktops
// get the software scene graph for them.
#include <QApplication>
#include <QQuickWindow>
#include <QWebEnginePage>
#include <QWebEngineSettings>

#include "fakes/name_server.h"
#include "fakes/support.h"

#include "webengine/engine_environment.h"
#include "webengine/local_fence.h"
#include "webengine/local_pages.h"
#include "webengine/scene_graph.h"
#include "webengine/webengine_view.h"
#include "webview/navigation_rule.h"

using namespace qvestra;
using namespace qvestra::webview;
using namespace qvestra::testing;
using namespace Qt::StringLiterals;
using namespace std::string_literals;
Q_DECLARE_METATYPE(qvestra::webview::Navigation)
Q_DECLARE_METATYPE(qvestra::webview::PageKind)
Q_DECLARE_METATYPE(qvestra::webview::Asker)

namespace {

const net::ServiceEndpoint kService{"svc.test", 80};

// The route to the service outside the proxy's own test.
std::optional<net::HttpProxy> kRefusingProxy;

// What the desktop browser was handed.
QStringList browser;

// The program's views, made once in main: the engine's profile is one for all.
webengine::WebEngineViews* views = nullptr;

// A view of the program's showing a page written to a local file, once it
// has loaded.
struct LocalView {
    QTemporaryDir dir;
    ui::TwipsLayout layout{ui::TwipScale(15)};
    std::unique_ptr<webengine::WebEngineView> view{
        static_cast<webengine::WebEngineView*>(views->Factory()(nullptr, layout))};

    explicit LocalView(const std::string& page) {
        WriteFile(dir.path().toStdString() + "/A-12.html", page);
        view->resize(400, 300);
        view->show();
        QSignalSpy loaded(view.get(), &QWebEngineView::loadFinished);
        view->Navigate("file://" + dir.path() + "/A-12.html");
        QVERIFY(loaded.wait(20000) && loaded.first().first().toBool());
    }
};

// A view of the program's showing a service page (its scripts run), once
// it has loaded.
struct ServiceView {
    ui::TwipsLayout layout{ui::TwipScale(15)};
    std::unique_ptr<webengine::WebEngineView> view{
        static_cast<webengine::WebEngineView*>(views->Factory()(nullptr, layout))};

    explicit ServiceView(const QString& html) {
        view->resize(400, 300);
        view->show();
        view->StartEngine();
        QSignalSpy loaded(view.get(), &QWebEngineView::loadFinished);
        view->page()->setHtml(html, QUrl(u"http://svc.test/"_s));
        QVERIFY(loaded.wait(20000));
    }
    void Run(const QString& script) { view->page()->runJavaScript(script); }
};

// What a hostile local page tries besides its scripts: an image and a frame
// that would reach the listener.
std::string Attempts(const std::string& listener) {
    return "<title>loaded</title><img src=\"" + listener + "/img\"><iframe src=\"" + listener +
           "/frame\"></iframe>";
}

}  // namespace

class TestWebViews : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // First, as in the program before any view: desktops whose OpenGL runs
    // on the CPU (Xvfb's Mesa llvmpipe here, Chromium's SwiftShader) get the
    // software scene graph; a GPU driver built with LLVM is none.
    void softwareSceneGraphUnderXvfb() {
        QVERIFY(webengine::IsSoftwareRasterizer("Google SwiftShader"));
        QVERIFY(
            !webengine::IsSoftwareRasterizer("AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49)"));
        webengine::PreferSoftwareSceneGraphWithoutGpu();
        QCOMPARE(QQuickWindow::sceneGraphBackend(), QStringLiteral("software"));
    }

    // Through the program's proxy, whose user the view offers once a load:
    // a proxy that refuses it is not asked again and again. A page through a
    // proxy that takes the user is the proxy end-to-end run's. Before the first
    // page, as in the program: the engine reads the route when it starts.
    void pagesComeThroughTheProgramsProxy() {
        ScriptedServer proxy(
            "HTTP/1.0 407 Proxy Authentication Required\r\n"
            "Proxy-Authenticate: Basic realm=\"school\"\r\n"
            "Content-Length: 0\r\n\r\n",
            5);
        views->UseProxy(net::HttpProxy{"127.0.0.1", proxy.Port(), "u", "p"});
        ui::TwipsLayout layout{ui::TwipScale(15)};
        const std::unique_ptr<webengine::WebEngineView> view(
            static_cast<webengine::WebEngineView*>(views->Factory()(nullptr, layout)));
        QSignalSpy loaded(view.get(), &QWebEngineView::loadFinished);
        view->Navigate("http://svc.test/q_vestra/Entry.asp");
        QVERIFY(loaded.wait(20000));
        // Time for a third try, which must not come.
        QTest::qWait(300);
        views->UseProxy(kRefusingProxy);
        QCOMPARE(QString::fromStdString(proxy.Request()).count("Proxy-Authorization: Basic dTpw"),
                 1);
        QCOMPARE(proxy.Connections(), 2);
    }

    // A page that cannot be shown gives way to the program's own, never
    // the engine's: here the service is out of reach. Its 再試行, taken from the keyboard as a
    // member without a mouse would, asks the service again. An error status
    // and a refused certificate are the end-to-end runs'.
    void aFailureShowsTheProgramsPage() {
        ui::TwipsLayout layout{ui::TwipScale(15)};
        const std::unique_ptr<webengine::WebEngineView> view(
            static_cast<webengine::WebEngineView*>(views->Factory()(nullptr, layout)));
        view->resize(400, 300);
        view->show();
        const QString service = u"http://svc.test/q_vestra/execute.asp"_s;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("svc.test.*could not be shown"));
        view->Navigate(service);
        const QString title = u"QVestra に接続できません"_s;
        QTRY_COMPARE_WITH_TIMEOUT(view->title(), title, 20000);
        QCOMPARE(view->url().scheme(), kLocalScheme);
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("svc.test.*could not be shown"));
        const QWebEnginePage* shown = view->page();
        QTest::keyClick(view->focusProxy(), Qt::Key_Tab);
        QTest::keyClick(view->focusProxy(), Qt::Key_Return);
        // The service's page, then the program's again, each a page anew.
        QTRY_VERIFY_WITH_TIMEOUT(view->page() != shown && view->page()->url().host() == u"made"_s,
                                 20000);
    }

    // A local page is read only as a plain file inside its folder, up to
    // its limit, through no link on the way.
    void localFiles_data() {
        Columns<QString, bool>();
        Row("a page at the limit", "A-12.html", true);
        Row("one byte over", "big.html", false);
        Row("a link to a page", "link.html", false);
        Row("a page through a linked folder", "linked/A-12.html", false);
        Row("a folder", ".", false);
    }
    void localFiles() {
        const auto [relative, read] = Fetch<QString, bool>();
        QTemporaryDir dir;
        const std::filesystem::path folder = dir.path().toStdString();
        WriteFile(folder / "A-12.html", "12345678");
        WriteFile(folder / "big.html", "123456789");
        std::filesystem::create_symlink(folder / "A-12.html", folder / "link.html");
        std::filesystem::create_directory_symlink(folder, folder / "linked");
        const auto bytes = webengine::ReadInside(folder, relative.toStdString(), 8);
        QCOMPARE(bytes.has_value(), read);
    }

    // Where the window's own page may go, by who asked and from which kind
    // of page. A popup follows the service page's rule, on a click only.
    void mainFrame_data() {
        Columns<QString, PageKind, Asker, Navigation>();
        const auto S = PageKind::kService, L = PageKind::kLocal;
        const auto program = Asker::kProgram, click = Asker::kClick, page = Asker::kPage;
        const QString local = "qvestra-local://page0/A-12.html";
        Row("the service's page", "http://svc.test/q_vestra/execute.asp?yuzaaidhi=A-12", S, page,
            Navigation::kStay);
        Row("the host in capitals", "http://SVC.TEST/q_vestra/KHenko.asp", S, click,
            Navigation::kStay);
        Row("the service's port written out", "http://svc.test:80/", S, page, Navigation::kStay);
        Row("another host", "http://evil.example/login", S, page, Navigation::kDesktopBrowser);
        Row("the host as a prefix", "http://svc.test.evil.example/", S, click,
            Navigation::kDesktopBrowser);
        Row("the same host, another port", "http://svc.test:8080/", S, page,
            Navigation::kDesktopBrowser);
        Row("https on the service host", "https://svc.test/", S, page, Navigation::kDesktopBrowser);
        Row("a file", "file:///home/member/qvestrafolder/qvuser.txt", S, click,
            Navigation::kRefuse);
        Row("javascript", "javascript:alert(1)", S, page, Navigation::kRefuse);
        Row("ftp", "ftp://svc.test/", S, click, Navigation::kRefuse);
        Row("a local page from a service page", local, S, click, Navigation::kRefuse);
        Row("the program's local page", local, L, program, Navigation::kStay);
        Row("the program's service page", "http://svc.test/", S, program, Navigation::kStay);
        Row("the program's page of the other kind", local, S, program, Navigation::kRefuse);
        Row("a clicked link from a local page", "http://evil.example/", L, click,
            Navigation::kDesktopBrowser);
        Row("a clicked link to the service", "http://svc.test/q_vestra/execute.asp", L, click,
            Navigation::kSwitch);
        Row("a refresh, a redirect or a form", "http://evil.example/", L, page,
            Navigation::kRefuse);
        Row("the service, not clicked", "http://svc.test/", L, page, Navigation::kRefuse);
        Row("another local page", "qvestra-local://page1/Help.html", L, click, Navigation::kRefuse);
        Row("a clicked file link", "file:///etc/hostname", L, click, Navigation::kRefuse);
    }
    void mainFrame() {
        const auto [url, from, asker, navigation] = Fetch<QString, PageKind, Asker, Navigation>();
        QCOMPARE(MainFrameNavigation(QUrl(url), kService, from, asker), navigation);
        if (from == PageKind::kLocal || asker == Asker::kProgram) return;
        QCOMPARE(PopupNavigation(QUrl(url), true), navigation != Navigation::kRefuse
                                                       ? Navigation::kDesktopBrowser
                                                       : Navigation::kRefuse);
        QCOMPARE(PopupNavigation(QUrl(url), false), Navigation::kRefuse);
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
    // address tells that the request comes from a local page; the window's
    // own navigation was judged by the navigation rule already.
    void localPagesRequestNothingElse_data() {
        Columns<QString, QString, bool, QString, bool>();
        const QString local = "qvestra-local://page0/A-12.html", service = "http://svc.test/";
        Row("its logo", local, local, false, "qvestra-local://page0/images/LOGO_Movei.gif", true);
        Row("a data: image", local, local, false, "data:image/gif;base64,R0lGOD", true);
        Row("an image elsewhere", local, "null", false, "http://127.0.0.1:8081/beacon", false);
        Row("known by its initiator alone", service, local, false, service, false);
        Row("going to the service", local, local, true, service, true);
        Row("a service page's image", service, service, false, service + "logo.gif", true);
    }
    void localPagesRequestNothingElse() {
        const auto [page, initiator, mainFrame, request, may] =
            Fetch<QString, QString, bool, QString, bool>();
        QCOMPARE(webengine::MayRequest({QUrl(page), QUrl(page), QUrl(initiator), mainFrame},
                                       QUrl(request)),
                 may);
    }

    // The policy comes before every byte of the page, only a plain document
    // type line repeated in front of it; in the real engine, pages that try to
    // keep it from being read reach no other program and send no form out.
    void hostilePagesReachNothing_data() {
        Columns<std::string, std::string>();
        Row("a plain page", "<!DOCTYPE html><html><head></head><body>"s, "<!DOCTYPE html>"s);
        Row("an old document type",
            "\r\n<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">"s,
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">"s);
        Row("no document type", ""s, ""s);
        Row("a vertical tab before the document type", "\v<!DOCTYPE html><html><body>"s, ""s);
        Row("a document type inside a comment", "<!--<!DOCTYPE html>--><html><body>"s, ""s);
        Row("a charset switch inside the document type",
            "<!DOCTYPE html \x1b$B>\x1b(B<html><head><meta charset=\"ISO-2022-JP\"></head><body>"s,
            ""s);
        Row("the page's own weaker policy",
            "<!DOCTYPE html><html><head><meta http-equiv=\"Content-Security-Policy\" "
            "content=\"default-src * 'unsafe-inline'; form-action *\"></head><body>"s,
            "<!DOCTYPE html>"s);
    }
    void hostilePagesReachNothing() {
        const auto [start, before] = Fetch<std::string, std::string>();
        const QByteArray page = QByteArray::fromStdString(start),
                         policed = webengine::WithLocalPolicy(page);
        QCOMPARE(policed.indexOf("<meta http-equiv=\"Content-Security-Policy\""),
                 qsizetype(before.size()));
        QVERIFY(policed.startsWith(before.c_str()) && policed.endsWith(page));
        ScriptedServer listener(OkReply("GIF89a"), 4);
        LocalView local(start + Attempts(listener.Address("")));
        QCOMPARE(local.view->title(), QStringLiteral("loaded"));
        QCOMPARE(listener.Connections(), 0);
    }

    // A local page runs no script, neither its own nor one in a frame it
    // declares, writes or points at javascript:, and whatever it tries
    // reaches neither another program by TCP nor a STUN or TURN server; a
    // refresh takes it nowhere. Service pages run theirs, and a peer
    // connection of theirs sends no UDP but through a proxy (which the
    // program's engine switch does: without it the STUN server is asked).
    void scriptsOfLocalPages_data() {
        Columns<QString, bool>();
        const QString ran = "document.title = 'ran';";
        const QString peers =
            "const p = new RTCPeerConnection({iceServers: [{urls: 'stun:STUN_AT'}, "
            "{urls: 'turn:TURN_AT?transport=tcp', username: 'u', credential: 'c'}]});"
            "p.createDataChannel('d');"
            "p.createOffer().then(o => p.setLocalDescription(o));";
        Row("its own script", "<script>" + ran + peers + "fetch('LISTENER/fetch')</script>", true);
        Row("a frame declared in a shadow root",
            "<div><template shadowroot=\"open\"><iframe srcdoc=\"<script>parent." + ran +
                "</script>\"></iframe><iframe src=\"LISTENER/shadow\"></iframe></template></div>",
            true);
        Row("a frame made in a shadow root",
            "<div id=\"h\"></div><script>const f = document.getElementById('h').attachShadow("
            "{mode: 'open'}).appendChild(document.createElement('iframe'));"
            "f.contentWindow.eval(\"" +
                peers + "parent." + ran + "\")</script>",
            true);
        Row("a frame written by document.write",
            "<script>document.write('<iframe src=\"LISTENER/written\"></iframe>');" + ran +
                "</script>",
            true);
        Row("a javascript: frame",
            "<iframe src=\"javascript:parent." + ran + "fetch('LISTENER/js')\"></iframe>", true);
        Row("document.open with an address",
            "<script>document.open('LISTENER/opened', 'w', 'width=9');" + ran + "</script>", true);
        Row("TURN over TCP", "<script>" + peers + ran + "</script>", true);
        Row("a refresh", "<meta http-equiv=\"refresh\" content=\"0; url=LISTENER/refresh\">", true);
        Row("a service page's peer connection", "<script>" + peers + "</script>", false);
    }
    void scriptsOfLocalPages() {
        const auto [body, local] = Fetch<QString, bool>();
        ScriptedServer listener(OkReply("x"), 4), turn("<pause 5000>");
        NameServer stun(false);
        QString page = "<title>loaded</title>" + body;
        page.replace("LISTENER", QString::fromStdString(listener.Address("")))
            .replace("STUN_AT", "127.0.0.1:" + QString::number(stun.Port()))
            .replace("TURN_AT", "127.0.0.1:" + QString::number(turn.Port()));
        browser.clear();
        if (local) {
            LocalView shown(page.toStdString());
            QCOMPARE(shown.view->title(), QStringLiteral("loaded"));
            // What a page does after its load has its moment too.
            QTest::qWait(500);
        } else {
            ServiceView shown(page);
            QTest::qWait(1500);
        }
        QVERIFY(!stun.Asked());
        // A service page is the member's trusted one: its peer connections
        // may go through a TURN server by TCP.
        if (!local) return;
        QCOMPARE(listener.Connections() + turn.Connections(), 0);
        QCOMPARE(browser, QStringList());
    }

    // A view closed as its page starts to load takes the page's request
    // along while the file is read: the answer finds nobody. The next page
    // comes after it, as the files are read one at a time.
    void aRequestGoneBeforeItsFileIsRead() {
        QTemporaryDir dir;
        WriteFile(dir.path().toStdString() + "/A-12.html", "<title>gone</title>");
        ui::TwipsLayout layout{ui::TwipScale(15)};
        auto* view = static_cast<webengine::WebEngineView*>(views->Factory()(nullptr, layout));
        const QPointer<QObject> gone(view);
        QObject::connect(view, &QWebEngineView::loadStarted, view, &QObject::deleteLater);
        view->Navigate("file://" + dir.path() + "/A-12.html");
        QTRY_VERIFY_WITH_TIMEOUT(!gone, 10000);
        const LocalView after("<title>after</title>");
    }

    // A service page that tries to send the window elsewhere stays: web
    // addresses go to the desktop browser, popups only on a click, a loop of
    // address changes once an interval at most, and what a page asks of the
    // desktop is refused at once.
    void aServicePageCannotTakeTheWindowElsewhere() {
        browser.clear();
        ServiceView service(
            "<!DOCTYPE html><button style=\"position:fixed;inset:0\" "
            "onclick=\"window.open('http://clicked.example/')\">menu</button>");
        QWebEngineView& view = *service.view;
        const QUrl start = view.url();
        service.Run("location.href = 'http://evil.example/login'");
        QTRY_COMPARE_WITH_TIMEOUT(browser, QStringList{"http://evil.example/login"}, 10000);
        service.Run(
            "for (let i = 0; i < 20; ++i) window.open('http://popup.example/' + i);"
            "window.open('file:///etc/hostname'); let n = 0; const loop = setInterval(() => {"
            "  location.href = 'http://flood.example/' + n;"
            "  if (++n == 200) { clearInterval(loop); document.title = 'flooded'; } }, 5);");
        QTRY_COMPARE_WITH_TIMEOUT(view.title(), QStringLiteral("flooded"), 10000);
        QVERIFY2(browser.filter("popup").isEmpty() && browser.size() <= 2,
                 qPrintable(browser.join(u' ')));
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::mouseClick(view.focusProxy(), Qt::LeftButton, {}, QPoint(200, 150));
        QTRY_COMPARE_WITH_TIMEOUT(browser.last(), QStringLiteral("http://clicked.example/"), 10000);
        const qsizetype handedOver = browser.size();
        service.Run("location.href = 'file:///etc/hostname'");
        service.Run("location.href = 'qvestra-local://page0/A-12.html'");
        service.Run(
            "Notification.requestPermission().then(p => document.title = 'notifications ' + p);");
        QTRY_COMPARE_WITH_TIMEOUT(view.title(), QStringLiteral("notifications denied"), 10000);
        QCOMPARE(view.url(), start);
        QCOMPARE(browser.size(), handedOver);
    }

    // From a local page only the member's click leaves: a refresh never
    // reaches the browser, a clicked link does, and a clicked link to the
    // service shows it in the window.
    void onlyAClickLeavesALocalPage() {
        browser.clear();
        const std::string link = "<a style=\"position:fixed;inset:0\" href=\"";
        LocalView local("<meta http-equiv=\"refresh\" content=\"0; url=http://refresh.example/\">" +
                        link + "http://clicked.example/\">menu</a>");
        QWebEngineView& view = *local.view;
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::mouseClick(view.focusProxy(), Qt::LeftButton, {}, QPoint(200, 150));
        QTRY_COMPARE_WITH_TIMEOUT(browser, QStringList{"http://clicked.example/"}, 10000);
        LocalView toService(link + "http://svc.test/q_vestra/execute.asp\">menu</a>");
        QVERIFY(QTest::qWaitForWindowExposed(toService.view.get()));
        // It cannot be reached here: the program's page follows it.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("svc.test.*could not be shown"));
        QTest::mouseClick(toService.view->focusProxy(), Qt::LeftButton, {}, QPoint(200, 150));
        QTRY_COMPARE_WITH_TIMEOUT(toService.view->title(), u"QVestra に接続できません"_s, 10000);
        QCOMPARE(browser.size(), 1);
        // A page number beyond those handed out names nothing.
        QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
        QUrl unknown = view.url();
        unknown.setHost(u"page999"_s);
        view.load(unknown);
        QVERIFY(loaded.wait(20000) && !loaded.last().first().toBool());
    }
};

int main(int argc, char* argv[]) {
    webengine::FixEngineEnvironment();
    webengine::RegisterLocalScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    webengine::WebEngineViews programViews(kService,
                                           [](const QUrl& url) { browser << url.toString(); });
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
