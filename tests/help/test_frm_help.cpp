// The help window: which page it opens and how it sizes its view.
#include <QtTest>

#include "fakes/fake_web_view.h"
#include "help/frm_help.h"

using namespace qvestra;
using qvestra::testing::FakeWebView;

class TestFrmHelp : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void page_data() {
        QTest::addColumn<bool>("online");
        QTest::addColumn<bool>("notContracted");
        QTest::addColumn<QString>("address");
        QTest::newRow("online") << true << false << "http://svc.test/Q_Vestra/HTML/Help.html";
        QTest::newRow("offline applicant still asks the service")
            << false << true << "http://svc.test/Q_Vestra/HTML/Help.html";
        QTest::newRow("offline member reads the installed copy")
            << false << false << "file:///opt/qvestra/bin/Help.html";
    }
    void page() {
        QFETCH(bool, online);
        QFETCH(bool, notContracted);
        QFETCH(QString, address);
        ProgramState program{online, notContracted};
        auto* help = new help::FrmHelp(
            {{"svc.test", 80}, program, &FakeWebView::Create, TwipScale(15), "/opt/qvestra/bin"});
        QWidget owner;
        owner.setGeometry(200, 100, 900, 700);
        owner.show();
        help->Load(&owner);
        QCOMPARE(static_cast<FakeWebView*>(help->WebBrowser)->navigated, QStringList{address});
        QVERIFY(help->isVisible());
        QVERIFY(
            (help->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <=
            1);
        // Sized at load already, from the outer size.
        const QRect outer = help->frameGeometry();
        QCOMPARE(help->WebBrowser->Geometry().width, 15.f * outer.width() - 300);
        QCOMPARE(help->WebBrowser->Geometry().height, 15.f * outer.height() - 1200);
        help->close();
    }

    void viewFollowsTheWindowsSize_data() {
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::newRow("6000 x 9000 twips") << QSize(400, 600) << 5700.f << 7800.f;
        QTest::newRow("smaller than the margins") << QSize(15, 60) << 0.f << 0.f;
    }
    void viewFollowsTheWindowsSize() {
        QFETCH(QSize, pixels);
        QFETCH(float, width);
        QFETCH(float, height);
        ProgramState program{true, false};
        help::FrmHelp help(
            {{"svc.test", 80}, program, &FakeWebView::Create, TwipScale(15), "/opt"});
        help.setAttribute(Qt::WA_DeleteOnClose, false);
        help.Load(nullptr);
        // The rule is stated for the outer size, frame included.
        const QSize frame = help.frameGeometry().size() - help.geometry().size();
        help.resize(pixels - frame);
        QCoreApplication::processEvents();
        QCOMPARE(help.WebBrowser->Geometry().width, width);
        QCOMPARE(help.WebBrowser->Geometry().height, height);
    }
};

QTEST_MAIN(TestFrmHelp)
#include "test_frm_help.moc"
