// Start-up paths of the main window with fakes for the network, the view and
// the message boxes.
#include "fakes/support.h"

#include "app/main_window_harness.h"

using namespace qvestra;
using namespace qvestra::testing;

namespace {

const QString kMenuAddress = QStringLiteral("http://svc.test/q_vestra/execute.asp?yuzaaidhi=");

QList<int> ConnectTimeouts(const Harness& h) {
    QList<int> timeouts;
    for (const auto& c : h.sockets.connects) timeouts << c.timeoutSeconds;
    return timeouts;
}

}  // namespace

class TestFrmQvestra : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Which exchanges a start makes, with the time-outs the program passes
    // (probe, record, document, mirror copies), and where it leads (nowhere:
    // the sign-in takes over). The menu page lists one document not yet stored.
    void startUp() {
        const QList<int> member{120, 10, 1200, 120, 120, 10};
        const QString a12 = kMenuAddress + "A-12";
        for (const auto& [online, userFile, timeouts, address] :
             std::vector<std::tuple<bool, std::string, QList<int>, QString>>{
                 {true, "A-12|3\r\n", member, a12},
                 {true, "A-0012|3\r\n", member, kMenuAddress + "A-0012"},
                 {true, "A-12|3", member, a12},
                 {true, "A-12|1\r\n", {120, 10, 1200}, a12},  // an applicant: no mirroring
                 {false, "A-12|3\r\n", {120, 1200}, "file://%1/A-12.html"},
                 {true, "", {120}, ""},
                 {true, "../A-12|3\r\n", {120}, ""},
                 {true, std::string("\x01\xff\xfe|\x00", 5), {120}, ""}}) {
            Harness h(online);
            if (!userFile.empty()) h.WriteUserFile(userFile);
            // A folder an earlier version left open to all is closed.
            if (!userFile.empty())
                std::filesystem::permissions(h.folder, std::filesystem::perms(0755));
            const QString expected = address.arg(QString::fromStdString(h.folder.string()));
            h.urls.pages[expected.toStdString()] =
                "Contents_VALUE\r\nCont;c;/d/c.pdf\r\nContents_End\r\n";
            QSignalSpy signIn(h.window.get(), &FrmQvestra::signInRequired);
            h.window->Load();
            QVERIFY2(ConnectTimeouts(h) == timeouts, userFile.c_str());
            QCOMPARE(h.sockets.connects[0].host + ':' + std::to_string(h.sockets.connects[0].port),
                     "svc.test:80");
            QCOMPARE(signIn.count(), address.isEmpty() ? 1 : 0);
            QCOMPARE(h.window->isVisible(), !address.isEmpty());
            QCOMPARE(h.programEnds, 0);
            QVERIFY(h.messages.shown.isEmpty());
            if (!userFile.empty())
                QCOMPARE(std::filesystem::status(h.folder).permissions(),
                         std::filesystem::perms(0700));
            QCOMPARE(h.View().navigated, address.isEmpty() ? QStringList{} : QStringList{expected});
            if (address.isEmpty()) continue;
            QCOMPARE(h.ui().UrlName->text(), expected);
            QVERIFY(h.View().fullScreen);
            QCOMPARE(h.program.OnlineMode, online);
            QVERIFY(!h.ui().Frame1->isEnabled());
            QVERIFY(h.Shown(h.ui().Frame2));
            if (!online) continue;
            // A request's status poll.
            h.window->PollChangeStatus();
            QCOMPARE(h.sockets.connects.back().timeoutSeconds, 10);
        }
    }

    // Captions and states at load, in menu-bar order; 終了 ends the program.
    void captions() {
        Harness h(true);
        const auto& ui = h.ui();
        QStringList bar;
        for (const QAction* a : h.window->menuBar()->actions())
            bar << a->text() + (a->isEnabled() ? "" : " (off)");
        QCOMPARE(bar, (QStringList{"ﾌｧｲﾙ", "契約申込み (off)", "契約変更 (off)", "ヘルプ"}));
        QCOMPARE((QStringList{ui.Menu_F_End->text(), ui.Menu_E_Base->text(), ui.Menu_E_Cont->text(),
                              ui.Menu_Version->text(), ui.Menu_shosai->text(),
                              h.window->windowTitle(), ui.Frame2->title(), ui.Frame3->title()}),
                 (QStringList{"終了", "基本情報", "コンテンツ", "ﾊﾞｰｼﾞｮﾝ", "詳細",
                              "Q_Vestraメニュー", "教材一覧", "詳細一覧"}));
        QVERIFY(!h.Shown(ui.Frame2) && !h.Shown(ui.Frame3) && !ui.Frame1->isEnabled());
        QVERIFY(ui.Frame2->font().bold() && !ui.Frame3->font().bold());
        QCOMPARE(ui.Cmd[0]->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
        QVERIFY2(!h.Shown(ui.UrlName), "the address box only holds the address");
        QVERIFY(!h.window->windowIcon().isNull());
        h.WriteUserFile("A-12|3\r\n");
        h.window->Load();
        // 詳細 opens the help window once; asked again, it comes forward.
        ui.Menu_shosai->trigger();
        h.window->activateWindow();
        ui.Menu_shosai->trigger();
        QWidgetList helps;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == "ヘルプ") helps << w;
        QCOMPARE(helps.size(), 1);
        QTRY_COMPARE(QApplication::activeWindow(), helps[0]);
        qDeleteAll(helps);
        ui.Menu_F_End->trigger();
        QCOMPARE(h.programEnds, 1);
        QVERIFY(!h.window->isVisible());
    }

    void offlineApplicantIsRefusedAndTheProgramEnds() {
        Harness h(false);
        h.WriteUserFile("A-12|1\r\n");
        h.window->Load();
        QCOMPARE(h.messages.shown, QStringList{"インターネットが接続されtません！"});
        QCOMPARE(h.programEnds, 1);
        QVERIFY(h.View().navigated.isEmpty());
        QVERIFY(!h.window->isVisible());
    }

    // 96 dpi is 15 twips a pixel, 144 dpi 10.
    void layoutFillsTheScreen() {
        for (const int dpi : {96, 144}) {
            Harness h(false, ScreenInfo{1024, 768, static_cast<double>(dpi)});
            h.WriteUserFile("A-12|3\r\n");
            h.window->Load();
            const auto& ui = h.ui();
            const TwipsLayout& layout = h.window->layout();
            const float twips = dpi == 96 ? 15 : 10;
            const float width = 1024 * twips - 480;
            QCOMPARE(layout.Of(h.window.get()), (TwipRect{0, 0, 1024 * twips, 768 * twips}));
            QCOMPARE(layout.Of(ui.Frame1).width, width);
            QCOMPARE(ui.Frame1->width(), dpi == 96 ? 992 : 976);
            QCOMPARE(h.View().Geometry(), (TwipRect{0, -30, width, 3300}));
            QCOMPARE(layout.Of(ui.Image1), (TwipRect{width - 1055, 768 * twips - 1770, 1335, 570}));
            QCOMPARE(layout.Of(ui.Cmd[7]), (TwipRect{3600, 480, 3000, 375}));
            QCOMPARE(layout.Of(ui.CmdSub[15]), (TwipRect{3480, 480 + 480 * 7, 3000, 375}));
        }
    }

    // Where an address handed to the view leads: local copies in the main
    // window's mixed form become files, pages of the service stay as they are.
    void viewUrl() {
        QCOMPARE(webview::ViewUrl("file:///home/m m\\q/A-12.html"),
                 QUrl::fromLocalFile("/home/m m/q/A-12.html"));
        QCOMPARE(webview::ViewUrl("file://C:\\q/A-12.html"), QUrl::fromLocalFile("C:/q/A-12.html"));
        const QString page = kMenuAddress + "A-12";
        QCOMPARE(webview::ViewUrl(page), QUrl(page));
    }
};

QTEST_MAIN(TestFrmQvestra)
#include "test_frm_qvestra.moc"
