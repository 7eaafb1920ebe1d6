// Start-up paths of the main window with fakes for the network, the view and
// the message boxes.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "app/main_window_harness.h"

using namespace qvestra;
using qvestra::testing::Harness;

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
    // Which exchanges a start makes, with the time-outs the program passes,
    // and where it leads. The menu page lists one document not yet stored.
    void startUp_data() {
        QTest::addColumn<bool>("online");
        QTest::addColumn<QByteArray>("userFile");  // empty: none
        QTest::addColumn<QList<int>>("timeouts");  // probe, record, document, mirror copies
        QTest::addColumn<QString>("address");      // empty: the sign-in takes over
        QTest::addColumn<bool>("notContracted");
        const QList<int> member{120, 10, 1200, 120, 120, 10};
        QTest::newRow("online member")
            << true << QByteArray("A-12|3\r\n") << member << kMenuAddress + "A-12" << false;
        QTest::newRow("member ID keeps its leading zeros")
            << true << QByteArray("A-0012|3\r\n") << member << kMenuAddress + "A-0012" << false;
        QTest::newRow("record without line end")
            << true << QByteArray("A-12|3") << member << kMenuAddress + "A-12" << false;
        QTest::newRow("online applicant: no mirroring")
            << true << QByteArray("A-12|1\r\n") << QList<int>{120, 10, 1200}
            << kMenuAddress + "A-12" << true;
        QTest::newRow("offline member: the local copy, no record, no mirroring")
            << false << QByteArray("A-12|3\r\n") << QList<int>{120, 1200} << "file://%1/A-12.html"
            << false;
        QTest::newRow("no user file") << true << QByteArray() << QList<int>{120} << "" << false;
        QTest::newRow("member ID with a path")
            << true << QByteArray("../A-12|3\r\n") << QList<int>{120} << "" << false;
        QTest::newRow("binary garbage")
            << true << QByteArray("\x01\xff\xfe|\x00", 5) << QList<int>{120} << "" << false;
    }
    void startUp() {
        QFETCH(bool, online);
        QFETCH(QByteArray, userFile);
        QFETCH(QList<int>, timeouts);
        QFETCH(QString, address);
        QFETCH(bool, notContracted);
        Harness h(online);
        if (!userFile.isEmpty()) h.WriteUserFile(userFile.toStdString());
        for (const QString& page :
             {kMenuAddress + "A-12", kMenuAddress + "A-0012",
              "file://" + QString::fromStdString(h.folder.string()) + "/A-12.html"})
            h.urls.pages[page.toStdString()] =
                "Contents_VALUE\r\nCont;c;/d/c.pdf\r\nContents_End\r\n";
        QSignalSpy signIn(h.window.get(), &FrmQvestra::signInRequired);
        h.window->Load();
        QCOMPARE(ConnectTimeouts(h), timeouts);
        QCOMPARE(h.sockets.connects[0].host, std::string("svc.test"));
        QCOMPARE(h.sockets.connects[0].port, 80);
        QCOMPARE(signIn.count(), address.isEmpty() ? 1 : 0);
        QCOMPARE(h.window->isVisible(), !address.isEmpty());
        QCOMPARE(h.programEnds, 0);
        QVERIFY(h.messages.shown.isEmpty());
        if (address.isEmpty()) {
            QVERIFY(h.View().navigated.isEmpty());
            return;
        }

        const QString expected = address.arg(QString::fromStdString(h.folder.string()));
        QCOMPARE(h.View().navigated, QStringList{expected});
        QCOMPARE(h.window->controls().UrlName->text(), expected);
        QVERIFY(h.View().fullScreenSets > 0);
        QCOMPARE(h.program.OnlineMode, online);
        QCOMPARE(h.program.NotContracted, notContracted);
        QVERIFY(!h.window->controls().Frame1->isEnabled());
        QVERIFY(h.window->controls().Frame2->isVisibleTo(h.window.get()));
        QCOMPARE(h.window->hostHeader(), std::string("Host: svc.test\r\n"));
        if (!online) return;
        // A request's status poll.
        h.window->PollChangeStatus();
        QCOMPARE(h.sockets.connects.back().timeoutSeconds, 10);
    }

    // Captions and states at load, in menu-bar order.
    void captions() {
        Harness h(true);
        const auto& ui = h.window->controls();
        QStringList bar;
        for (const QAction* a : h.window->menuBar()->actions())
            bar << a->text() + (a->isEnabled() ? "" : " (off)");
        QCOMPARE(bar, (QStringList{"ﾌｧｲﾙ", "契約申込み (off)", "契約変更 (off)", "ヘルプ"}));
        QCOMPARE((QStringList{ui.Menu_F_End->text(), ui.Menu_E_Base->text(), ui.Menu_E_Cont->text(),
                              ui.Menu_Version->text(), ui.Menu_shosai->text()}),
                 (QStringList{"終了", "基本情報", "コンテンツ", "ﾊﾞｰｼﾞｮﾝ", "詳細"}));
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Q_Vestraメニュー"));
        QCOMPARE(ui.Frame2->title(), QStringLiteral("教材一覧"));
        QCOMPARE(ui.Frame3->title(), QStringLiteral("詳細一覧"));
        QVERIFY(!ui.Frame2->isVisibleTo(h.window.get()));
        QVERIFY(!ui.Frame3->isVisibleTo(h.window.get()));
        QVERIFY(!ui.Frame1->isEnabled());
        QVERIFY(!h.window->windowIcon().isNull());
    }

    void offlineApplicantIsRefusedAndTheProgramEnds() {
        Harness h(false);
        h.WriteUserFile("A-12|1\r\n");
        h.window->Load();
        QCOMPARE(h.messages.shown,
                 QStringList{QStringLiteral("インターネットが接続されtません！")});
        QCOMPARE(h.programEnds, 1);
        QVERIFY(h.View().navigated.isEmpty());
        QVERIFY(!h.window->isVisible());
    }

    void layoutFillsTheScreen_data() {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<float>("windowWidth");
        QTest::addColumn<float>("windowHeight");
        QTest::addColumn<float>("frame1Width");
        QTest::addColumn<float>("logoLeft");
        QTest::addColumn<float>("logoTop");
        QTest::addColumn<int>("frame1WidthPixels");
        QTest::newRow("96 dpi, 15 twips a pixel")
            << 96 << 15360.f << 11520.f << 14880.f << 13825.f << 9750.f << 992;
        QTest::newRow("144 dpi, 10 twips a pixel")
            << 144 << 10240.f << 7680.f << 9760.f << 8705.f << 5910.f << 976;
    }
    void layoutFillsTheScreen() {
        QFETCH(int, dpi);
        QFETCH(float, windowWidth);
        QFETCH(float, windowHeight);
        QFETCH(float, frame1Width);
        QFETCH(float, logoLeft);
        QFETCH(float, logoTop);
        QFETCH(int, frame1WidthPixels);
        Harness h(false, ScreenInfo{1024, 768, static_cast<double>(dpi)});
        h.WriteUserFile("A-12|3\r\n");
        h.window->Load();
        const auto& ui = h.window->controls();
        const TwipsLayout& layout = h.window->layout();
        QCOMPARE(layout.Of(h.window.get()), (TwipRect{0, 0, windowWidth, windowHeight}));
        QCOMPARE(layout.Of(ui.Frame1).width, frame1Width);
        QCOMPARE(ui.Frame1->width(), frame1WidthPixels);
        QCOMPARE(h.View().Geometry(), (TwipRect{0, -30, frame1Width, 3300}));
        QCOMPARE(layout.Of(ui.Image1), (TwipRect{logoLeft, logoTop, 1335, 570}));
        QCOMPARE(layout.Of(ui.Cmd[7]), (TwipRect{3600, 480, 3000, 375}));
        QCOMPARE(layout.Of(ui.CmdSub[15]), (TwipRect{3480, 480 + 480 * 7, 3000, 375}));
    }

    void endCommandEndsTheProgram() {
        Harness h(true);
        h.WriteUserFile("A-12|3\r\n");
        h.window->Load();
        h.window->controls().Menu_F_End->trigger();
        QCOMPARE(h.programEnds, 1);
        QVERIFY(!h.window->isVisible());
    }

    void startUpRunsAfreshAfterTheSignIn() {
        Harness h(true);
        h.window->Load();
        QVERIFY(!h.window->isVisible());
        h.WriteUserFile("A-12|3\r\n");
        h.window->Load();
        QCOMPARE(ConnectTimeouts(h).mid(0, 3), (QList<int>{120, 120, 10}));
        QCOMPARE(h.View().navigated.size(), 1);
        QVERIFY(h.window->isVisible());
    }
};

QTEST_MAIN(TestFrmQvestra)
#include "test_frm_qvestra.moc"
