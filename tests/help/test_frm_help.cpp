// The help window: which page it opens and how it sizes its view.
#include <QtTest>

#include "fakes/fake_web_view.h"
#include "help/frm_help.h"

using namespace qvestra;
using qvestra::testing::FakeWebView;

class TestFrmHelp : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // An offline applicant still asks the service; an offline member reads
    // the installed copy. The window opens centred on its owner, its view
    // sized from the outer size already.
    void page() {
        const QString service = QStringLiteral("http://svc.test/Q_Vestra/HTML/Help.html");
        for (const auto& [online, notContracted, address] :
             std::vector<std::tuple<bool, bool, QString>>{
                 {true, false, service},
                 {false, true, service},
                 {false, false, QStringLiteral("file:///opt/qvestra/bin/Help.html")}}) {
            ProgramState program{online, notContracted};
            auto* help = new help::FrmHelp({{"svc.test", 80},
                                            program,
                                            &FakeWebView::Create,
                                            TwipScale(15),
                                            "/opt/qvestra/bin"});
            QWidget owner;
            owner.setGeometry(200, 100, 900, 700);
            owner.show();
            help->Load(&owner);
            QCOMPARE(static_cast<FakeWebView*>(help->WebBrowser)->navigated, QStringList{address});
            QVERIFY(help->isVisible());
            const QRect outer = help->frameGeometry();
            QVERIFY((outer.center() - owner.frameGeometry().center()).manhattanLength() <= 1);
            QCOMPARE(help->WebBrowser->Geometry().width, 15.f * outer.width() - 300);
            QCOMPARE(help->WebBrowser->Geometry().height, 15.f * outer.height() - 1200);
            help->close();
        }
    }

    // The rule is stated for the outer size, frame included; a window
    // smaller than the margins leaves no view.
    void viewFollowsTheWindowsSize() {
        ProgramState program{true, false};
        help::FrmHelp help({{"svc.test", 80}, program, &FakeWebView::Create, TwipScale(15), "/"});
        help.setAttribute(Qt::WA_DeleteOnClose, false);
        help.Load(nullptr);
        const QSize frame = help.frameGeometry().size() - help.geometry().size();
        for (const auto& [pixels, width, height] : std::vector<std::tuple<QSize, float, float>>{
                 {{400, 600}, 5700.f, 7800.f}, {{15, 60}, 0.f, 0.f}}) {
            help.resize(pixels - frame);
            QCoreApplication::processEvents();
            QCOMPARE(help.WebBrowser->Geometry().width, width);
            QCOMPARE(help.WebBrowser->Geometry().height, height);
        }
    }
};

QTEST_MAIN(TestFrmHelp)
#include "test_frm_help.moc"
