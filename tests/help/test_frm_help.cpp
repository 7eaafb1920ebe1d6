// The help window: which page it opens and how it sizes its view.
#include <QtWidgets>
#include "fakes/support.h"

#include "fakes/fakes.h"
#include "help/frm_help.h"

using namespace qvestra;
using namespace qvestra::testing;
Q_DECLARE_METATYPE(qvestra::ProgramState)

class TestFrmHelp : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // An offline applicant still asks the service; an offline member reads
    // the installed copy. The view follows the window's outer size (frame
    // included) on every resize, to nothing when the window is smaller than
    // the margins.
    void page_data() {
        Columns<ProgramState, QString>({"program", "address"});
        const QString service = QStringLiteral("http://svc.test/Q_Vestra/HTML/Help.html");
        Row("online", ProgramState{true, false}, service);
        Row("an offline applicant", ProgramState{false, true}, service);
        Row("an offline member", ProgramState{false, false},
            QStringLiteral("file:///opt/qvestra/bin/Help.html"));
    }
    void page() {
        const auto [program, address] = Fetch<ProgramState, QString>({"program", "address"});
        help::FrmHelp help(
            {{"svc.test", 80}, program, &FakeWebView::Create, TwipScale(15), "/opt/qvestra/bin"});
        help.setAttribute(Qt::WA_DeleteOnClose, false);
        help.Load(nullptr);
        const auto* view = static_cast<FakeWebView*>(help.WebBrowser);
        QCOMPARE(view->navigated, QStringList{address});
        QVERIFY(view->fullScreen && help.isVisible() && !help.UrlName->isVisible());
        const auto viewSize = [&] {
            return QPointF(help.WebBrowser->Geometry().width, help.WebBrowser->Geometry().height);
        };
        const QSize frame = help.frameGeometry().size() - help.geometry().size();
        help.resize(QSize(400, 600) - frame);
        QCoreApplication::processEvents();
        QCOMPARE(viewSize(), QPointF(5700, 7800));
        help.resize(QSize(15, 60) - frame);
        QCoreApplication::processEvents();
        QCOMPARE(viewSize(), QPointF(0, 0));
        help.Cmd閉じる->click();
        QVERIFY(!help.isVisible());
    }
};

QTEST_MAIN(TestFrmHelp)
#include "test_frm_help.moc"
