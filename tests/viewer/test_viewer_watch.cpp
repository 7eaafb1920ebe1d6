// The wait for the viewer's window and the notice shown meanwhile.
#include <QApplication>
#include "fakes/support.h"

#include "fakes/fakes.h"
#include "viewer/viewer_watch.h"

using namespace qvestra;
using namespace qvestra::viewer;
using namespace qvestra::testing;
using namespace std::chrono_literals;
using Windows = std::vector<TopLevelWindow>;
using Ids = std::vector<std::uint64_t>;
Q_DECLARE_METATYPE(Windows)
Q_DECLARE_METATYPE(Ids)

static void LoseActivation() { Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive); }

class TestViewerWatch : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // The topmost viewer's window comes forward: "Acrobat", "Adobe" or
    // "Reader" in its title, in that letter case, or the name of a document
    // being opened, one opened during the wait included. A window without a
    // title never counts. A viewer that never comes ends the wait and takes
    // the notice along.
    void viewerWindow_data() {
        Columns<Windows, Windows, QString, Ids>();
        Row("the topmost viewer", Windows{{1, ""}, {2, "xAcrobatx"}, {3, "Document Reader"}},
            Windows{}, QString(), Ids{2});
        Row("one that comes later", Windows{}, Windows{{9, "Adobe PDF"}}, QString(), Ids{9});
        Row("opened during the wait", Windows{}, Windows{{7, "m02.pdf"}}, "m02.pdf", Ids{7});
        Row("none", Windows{{1, "adobe reader"}, {2, "m02.pdf - Viewer"}}, Windows{}, "", Ids{});
    }
    void viewerWindow() {
        const auto [atOnce, later, alsoOpened, activated] = Fetch<Windows, Windows, QString, Ids>();
        FakeWindowList windows;
        windows.windows = atOnce;
        // A limit far past the later windows' 150 ms: a loaded machine still
        // shows them in time. Where none comes, a short one ends the wait.
        ViewerWatch watch(windows, ui::TwipScale(15), {10ms, later.empty() ? 300ms : 5000ms});
        if (!alsoOpened.isEmpty())
            QTimer::singleShot(50, [&watch, d = alsoOpened] { watch.StartViewerWatch(d); });
        if (!later.empty()) QTimer::singleShot(150, [&windows, w = later] { windows.windows = w; });
        watch.StartViewerWatch("m01.pdf");
        QVERIFY2(later.empty() || watch.Waiting(), "the opening returns at once");
        QTRY_VERIFY_WITH_TIMEOUT(!watch.Waiting(), 30000);
        QCOMPARE(windows.activated, activated);
        // Found, the notice counts down to its close; else it went already.
        QCOMPARE(watch.Notice() && watch.Notice()->CloseTimer->isActive(), !activated.empty());
    }

    // Where the window list cannot see the viewer (a Wayland desktop), the
    // program losing the activation is the sign that it came; a loss before
    // the opening is none.
    void losingTheActivationEndsTheWaitAndTheNoticeFollows() {
        FakeWindowList windows;
        ViewerWatch watch(windows, ui::TwipScale(15), {10ms, 10000ms});
        QTimer::singleShot(100, LoseActivation);
        watch.StartViewerWatch("m01.pdf");
        QTRY_VERIFY_WITH_TIMEOUT(!watch.Waiting(), 30000);
        QVERIFY(windows.activated.empty());
        QVERIFY(watch.Notice() && watch.Notice()->isVisible() &&
                watch.Notice()->CloseTimer->isActive());
        LoseActivation();
        bool lostLater = false;
        QTimer::singleShot(300, [&] { lostLater = true, LoseActivation(); });
        watch.StartViewerWatch("m01.pdf");
        QTRY_VERIFY_WITH_TIMEOUT(!watch.Waiting(), 30000);
        QVERIFY2(lostLater, "a loss before the opening ended the wait");
    }
};

QTEST_MAIN(TestViewerWatch)
#include "test_viewer_watch.moc"
