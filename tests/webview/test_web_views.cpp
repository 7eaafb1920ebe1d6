// What the program's web views let a page do, in the real web engine: where
// the window may go and what a page asks of the desktop; and which desktops
// get the software scene graph for them.
#include <QApplication>
#include <QQuickWindow>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include "fakes/support.h"

#include "webview/local_pages.h"
#include "webview/navigation_rule.h"
#include "webview/scene_graph.h"
#include "webview/webengine_view.h"

using namespace qvestra;
using namespace qvestra::webview;
using namespace qvestra::testing;
using namespace Qt::StringLiterals;
Q_DECLARE_METATYPE(qvestra::webview::Navigation)

namespace {

const ServiceOrigin kService{QStringLiteral("svc.test"), 80};

// What the desktop browser was handed.
QStringList browser;

// The program's views, made once in main: the engine's profile is one for all.
WebEngineViews* views = nullptr;

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
    // a proxy that refuses it is not asked again and again. Before the first
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
        const QString asked = QString::fromStdString(proxy.Request());
        QVERIFY2(asked.startsWith("GET http://svc.test/q_vestra/Entry.asp HTTP/1.1\r\n"),
                 qPrintable(asked));
        QCOMPARE(asked.count("\r\nProxy-Authorization: Basic dTpw\r\n"), 1);
        QCOMPARE(proxy.Connections(), 2);
    }

    // A local page is read only as a plain file inside its folder, up to
    // its limit, through no link on the way.
    void localFiles_data() {
        Columns<QString, bool>({"relative", "read"});
        Row("a page at the limit", "A-12.html", true);
        Row("one byte over", "big.html", false);
        Row("a link to a page", "link.html", false);
        Row("a page through a linked folder", "linked/A-12.html", false);
        Row("a folder", ".", false);
    }
    void localFiles() {
        const auto [relative, read] = Fetch<QString, bool>({"relative", "read"});
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
        Columns<QString, Navigation>({"url", "navigation"});
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
        const auto [url, navigation] = Fetch<QString, Navigation>({"url", "navigation"});
        QCOMPARE(MainFrameNavigation(QUrl(url), kService), navigation);
        QCOMPARE(PopupNavigation(QUrl(url)),
                 navigation != Navigation::kRefuse && url.startsWith("http")
                     ? Navigation::kDesktopBrowser
                     : Navigation::kRefuse);
    }

    // The window stays where it is when a page in the data folder tries to
    // send it elsewhere; web addresses go to the desktop browser, popups too;
    // what a page asks of the desktop is refused at once. What a planted
    // script in such a page can reach is tried by the offline end-to-end run.
    void aPageCannotTakeTheWindowElsewhere() {
        QTemporaryDir dir;
        WriteFile(dir.path().toStdString() + "/A-12.html",
                  "<!DOCTYPE html><html><body><p>menu</p></body></html>");
        TwipsLayout layout{TwipScale(15)};
        const std::unique_ptr<WebEngineView> view(
            static_cast<WebEngineView*>(views->Factory()(nullptr, layout)));
        view->resize(400, 300);
        view->show();
        QSignalSpy loaded(view.get(), &QWebEngineView::loadFinished);
        view->Navigate("file://" + dir.path() + "/A-12.html");
        QVERIFY(loaded.wait(20000) && loaded.first().first().toBool());
        const QUrl start = view->url();
        const auto run = [&view](const QString& script) { view->page()->runJavaScript(script); };
        run("location.href = 'http://evil.example/login'");
        QTRY_COMPARE_WITH_TIMEOUT(browser, QStringList{"http://evil.example/login"}, 10000);
        run("window.open('http://popup.example/'); window.open('file:///etc/hostname');");
        QTRY_COMPARE_WITH_TIMEOUT(browser.size(), 2, 10000);
        QCOMPARE(browser.last(), QStringLiteral("http://popup.example/"));
        run("location.href = 'file:///etc/hostname'");
        run("location.href = 'data:text/html,<title>moved</title>'");
        run("Notification.requestPermission().then(p => document.title = 'notifications ' + p);");
        QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("notifications denied"), 10000);
        QCOMPARE(view->url(), start);
        QCOMPARE(browser.size(), 2);
        // A page number beyond those handed out (this one is the only one)
        // names nothing.
        view->load(QUrl(start.toString().replace(u"//page0/"_s, u"//page1/"_s)));
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
