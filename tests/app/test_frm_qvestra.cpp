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
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "app/main_window_harness.h"

using namespace qvestra;
using qvestra::testing::Harness;

class TestFrmQvestra : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void withoutAKnownMemberTheSignInTakesOver_data() {
        QTest::addColumn<bool>("writeFile");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("no user file") << false << QByteArray();
        QTest::newRow("empty user file") << true << QByteArray();
        QTest::newRow("member ID with a path") << true << QByteArray("../A-12|3\r\n");
        QTest::newRow("binary garbage") << true << QByteArray("\x01\xff\xfe|\x00", 5);
    }
    void withoutAKnownMemberTheSignInTakesOver() {
        QFETCH(bool, writeFile);
        QFETCH(QByteArray, content);
        Harness h(true);
        if (writeFile) h.WriteUserFile(content.toStdString());
        QSignalSpy signIn(h.window.get(), &FrmQvestra::signInRequired);
        h.window->Load();
        QCOMPARE(h.sockets.connects.size(), std::size_t{1});
        QCOMPARE(h.sockets.connects[0].host, std::string("svc.test"));
        QCOMPARE(h.sockets.connects[0].port, 80);
        QCOMPARE(h.sockets.connects[0].timeoutSeconds, 120);
        QCOMPARE(signIn.count(), 1);
        QVERIFY(!h.window->isVisible());
        QVERIFY(h.View().navigated.isEmpty());
        QCOMPARE(h.programEnds, 0);
    }

    void knownMemberOpensTheMenuPage_data() {
        QTest::addColumn<bool>("online");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("notContracted");
        QTest::newRow("online applicant")
            << true << QByteArray("A-12|1\r\n")
            << "http://svc.test/q_vestra/execute.asp?yuzaaidhi=A-12" << true;
        QTest::newRow("online member keeps leading zeros in the query")
            << true << QByteArray("A-0012|3\r\n")
            << "http://svc.test/q_vestra/execute.asp?yuzaaidhi=A-0012" << false;
        QTest::newRow("online record without line end")
            << true << QByteArray("A-12|3") << "http://svc.test/q_vestra/execute.asp?yuzaaidhi=A-12"
            << false;
        QTest::newRow("offline member from the local copy")
            << false << QByteArray("A-12|3\r\n") << "file://%1/A-12.html" << false;
    }
    void knownMemberOpensTheMenuPage() {
        QFETCH(bool, online);
        QFETCH(QByteArray, record);
        QFETCH(QString, address);
        QFETCH(bool, notContracted);
        Harness h(online);
        h.WriteUserFile(record.toStdString());
        h.window->Load();
        const QString expected = address.contains(u'%')
                                     ? address.arg(QString::fromStdString(h.folder.string()))
                                     : address;
        QCOMPARE(h.View().navigated, QStringList{expected});
        QCOMPARE(h.window->controls().UrlName->text(), expected);
        QCOMPARE(h.program.OnlineMode, online);
        QCOMPARE(h.program.NotContracted, notContracted);
        QVERIFY(h.window->isVisible());
        QVERIFY(!h.window->controls().Frame1->isEnabled());
        QVERIFY(!h.window->controls().Menu_F_Moshikomi->isEnabled());
        QVERIFY(!h.window->controls().Menu_E_Modify->menuAction()->isEnabled());
        QCOMPARE(h.window->hostHeader(), std::string("Host: svc.test\r\n"));
        QVERIFY(h.messages.shown.isEmpty());
        QCOMPARE(h.programEnds, 0);
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
        QCOMPARE(h.window->SavedFrame1Height(), 3300.f);
        QCOMPARE(h.window->SavedFrame2Width(), 6855.f);
        QCOMPARE(h.window->SavedFrame3Width(), 6735.f);
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
        QCOMPARE(h.sockets.connects.front().timeoutSeconds, 120);
        QCOMPARE(h.View().navigated.size(), 1);
        QVERIFY(h.window->isVisible());
    }
};

QTEST_MAIN(TestFrmQvestra)
#include "test_frm_qvestra.moc"
