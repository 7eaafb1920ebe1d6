// The wait for the viewer's window and the notice shown meanwhile.
#include <QtWidgets>
#include "fakes/support.h"

#include "fakes/fakes.h"
#include "viewer/find_acrobat.h"

using namespace qvestra::viewer;
using qvestra::TwipScale;
using qvestra::testing::FakeWindowList;
using namespace std::chrono_literals;

namespace {

void LoseActivation() { Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive); }

}  // namespace

class TestFindAcrobat : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // "Reader" or "Acrobat" anywhere, or the opened document's name.
    void viewerTitles() {
        for (const auto& [title, viewer] :
             std::vector<std::pair<QString, bool>>{{"Adobe Reader - [m01.pdf]", true},
                                                   {"xAcrobatx", true},
                                                   {"adobe reader", false},
                                                   {"", false},
                                                   {"m01.pdf — 文書ビューアー", true},
                                                   {"m02.pdf — 文書ビューアー", false}})
            QVERIFY2(MatchesViewerTitle(title, {"m01.pdf"}) == viewer, qPrintable(title));
    }

    void theTopmostViewerEndsTheFirstPassAndComesForward() {
        FakeWindowList windows;
        windows.windows = {{1, ""}, {2, "Adobe Reader - [m01.pdf]"}, {3, "Document Reader"}};
        FindAcrobat watch(windows, TwipScale(15), {10ms, 5000ms});
        watch.StartViewerWatch("m01.pdf");
        QCOMPARE(windows.passes, 2);  // the search, then the activation by title
        QCOMPARE(watch.FoundTitle(), QStringLiteral("Adobe Reader - [m01.pdf]"));
        QCOMPARE(windows.activated, std::vector<std::uint64_t>{2});
        // Another document while the notice counts down: the same viewer is
        // found and brought forward again.
        watch.StartViewerWatch("m02.pdf");
        QCOMPARE(windows.activated, (std::vector<std::uint64_t>{2, 2}));
    }

    void noticeShowsTopLeftAndClosesTwoSecondsAfterTheViewerCame() {
        FakeWindowList windows;
        FindAcrobat watch(windows, TwipScale(15), {10ms, 10000ms});
        QStringList seen;
        QTimer::singleShot(150, [&] {
            const FrmComment* n = watch.Notice();
            seen << QString::asprintf("%d,%d %dx%d", n->x(), n->y(), n->width(), n->height())
                 << n->windowTitle() << n->Lbl_Cond->text()
                 << QString::number(n->Lbl_Cond->font().pointSizeF())
                 << n->Lbl_Cond->palette().color(QPalette::WindowText).name()
                 << (n->minimumSize() != n->maximumSize() ? "sizable" : "")
                 << (n->Text2->isVisible() || n->Text3->isVisible() ? "boxes shown" : "");
            windows.windows = {{9, "m01.pdf - Viewer"}};
        });
        watch.StartViewerWatch("m01.pdf");
        QVERIFY2(watch.Waiting(), "the opening returns at once, the search goes on");
        QTRY_VERIFY_WITH_TIMEOUT(!watch.Waiting(), 5000);
        QVERIFY2(windows.passes > 3, "the viewer came later, so the search took several passes");
        QCOMPARE(seen,
                 (QStringList{"0,0 283x43", "A c r o b a t 起 動 中", "Acrobat Reader 起動中です。",
                              "11.25", "#0000ff", "sizable", ""}));
        QTest::qWait(1500);
        QVERIFY(watch.Notice() != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(watch.Notice() == nullptr, 2000);
        watch.StartViewerWatch("m01.pdf");
        QVERIFY2(watch.Notice() != nullptr, "the next opening shows a fresh notice");
    }

    void aViewerThatNeverComesEndsTheWaitAndTheNotice() {
        FakeWindowList windows;
        windows.windows = {{1, "Terminal"}};
        FindAcrobat watch(windows, TwipScale(15), {20ms, 300ms});
        watch.StartViewerWatch("m01.pdf");
        QTRY_VERIFY_WITH_TIMEOUT(watch.Notice() == nullptr, 1000);
        QVERIFY(!watch.Waiting());
        QCOMPARE(watch.FoundTitle(), QStringLiteral("Terminal"));
        QVERIFY(windows.activated.empty());
    }

    // Where the window list cannot see the viewer (a Wayland desktop), the
    // program losing the activation is the sign that it came.
    void losingTheActivationEndsTheWaitAndTheNoticeFollows() {
        FakeWindowList windows;
        FindAcrobat watch(windows, TwipScale(15), {10ms, 10000ms});
        QTimer::singleShot(100, [&] { LoseActivation(); });
        QElapsedTimer waited;
        waited.start();
        watch.StartViewerWatch("m01.pdf");
        QTRY_VERIFY_WITH_TIMEOUT(!watch.Waiting(), 2000);
        QVERIFY(windows.activated.empty());
        QVERIFY(watch.Notice() != nullptr && watch.Notice()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(watch.Notice() == nullptr, 3000);
        LoseActivation();
        QTimer::singleShot(300, [&] { LoseActivation(); });
        waited.restart();
        watch.StartViewerWatch("m01.pdf");
        QTRY_VERIFY_WITH_TIMEOUT(!watch.Waiting(), 2000);
        QVERIFY2(waited.elapsed() >= 250, "a loss before the opening ended its wait");
    }

    void aDocumentOpenedDuringTheWaitJoinsIt() {
        FakeWindowList windows;
        FindAcrobat watch(windows, TwipScale(15), {10ms, 5000ms});
        QTimer::singleShot(50, [&] { watch.StartViewerWatch("m02.pdf"); });
        QTimer::singleShot(150, [&] { windows.windows = {{3, "m02.pdf - Viewer"}}; });
        watch.StartViewerWatch("m01.pdf");
        QTRY_COMPARE_WITH_TIMEOUT(windows.activated, std::vector<std::uint64_t>{3}, 3000);
    }
};

QTEST_MAIN(TestFindAcrobat)
#include "test_find_acrobat.moc"
