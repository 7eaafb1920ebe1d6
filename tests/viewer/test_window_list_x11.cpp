// The X11 window list against real windows on an X server (run under Xvfb).
#include <QtTest>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "viewer/window_list_x11.h"

using namespace qvestra::viewer;

class TestWindowListX11 : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void listsTopFirstWithTitlesAndActivatesByTitle() {
        Display* d = XOpenDisplay(nullptr);
        if (d == nullptr) QSKIP("no X server");
        const auto closeDisplay = qScopeGuard([d] { XCloseDisplay(d); });
        // The last window is never mapped: no viewer to bring forward.
        std::vector<std::uint64_t> ours;
        for (const char* title :
             {"Document Reader - 1", "", "教材 m01.pdf", "Document Reader", "Unmapped Reader"}) {
            const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 50, 50, 0, 0, 0);
            if (*title != '\0')
                Xutf8SetWMProperties(d, w, title, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
            if (ours.size() < 4) XMapRaised(d, w);
            ours.push_back(w);
        }
        XSync(d, False);
        X11WindowList list;
        const auto titles = [&] {
            QStringList shown;
            for (const auto& w : list.TopFirst())
                if (std::ranges::find(ours, w.id) != ours.end()) shown << w.title;
            return shown;
        };
        QCOMPARE(titles(),
                 (QStringList{"Document Reader", "教材 m01.pdf", "", "Document Reader - 1"}));
        QVERIFY(ActivateByTitle(list, "Document Reader - 1"));
        QCOMPARE(titles().front(), QStringLiteral("Document Reader - 1"));
        QVERIFY(ActivateByTitle(list, "教材"));
        QCOMPARE(titles().front(), QStringLiteral("教材 m01.pdf"));
        // A title met exactly wins over one that only begins with it.
        QVERIFY(ActivateByTitle(list, "Document Reader"));
        QCOMPARE(titles().front(), QStringLiteral("Document Reader"));
        // An empty title, as a search that found nothing leaves, brings nothing forward.
        QVERIFY(!ActivateByTitle(list, "Nothing") && !ActivateByTitle(list, ""));
        // Without an X server (a desktop without X11) nothing is listed or brought forward.
        qputenv("DISPLAY", ":4095");
        X11WindowList none;
        QVERIFY(none.TopFirst().empty() && !none.Activate(ours[0]));
    }
};

QTEST_GUILESS_MAIN(TestWindowListX11)
#include "test_window_list_x11.moc"
