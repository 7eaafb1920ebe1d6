// The X11 window list against real windows on an X server (run under Xvfb).
#include "fakes/support.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "viewer/window_list_x11.h"

using namespace qvestra::viewer;

// A new top-level window, with a WM_NAME.
static Window NewWindow(Display* d, const char* name = "") {
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 50, 50, 0, 0, 0);
    Xutf8SetWMProperties(d, w, name, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
    return w;
}

class TestWindowListX11 : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Before any list installed its handler: the list ignores errors on its
    // own connection only, with one handler installed once. Another
    // connection's errors reach the handler that was there before, and a
    // handler set later stays through the list's calls.
    void windowsOfTheServerAndItsManager() {
        // The test's own connection, closed with the test.
        const std::unique_ptr<Display, int (*)(Display*)> own(XOpenDisplay(nullptr), XCloseDisplay);
        Display* d = own.get();
        qvestra::testing::SkipWholeUnless(d != nullptr, "no X server");
        static int othersErrors = 0;
        const XErrorHandler counting = [](Display*, XErrorEvent*) { return ++othersErrors, 0; };
        XSetErrorHandler(counting);
        X11WindowList list;
        list.TopFirst();
        const XErrorHandler ours = XSetErrorHandler(counting);
        XSetErrorHandler(ours);
        QVERIFY2(ours != counting, "the list's handler did not stay installed");
        const Window gone = NewWindow(d);
        XDestroyWindow(d, gone);
        XSync(d, False);
        list.Activate(gone);
        // Without a window manager: the mapped windows with their names.
        const Window shown = NewWindow(d, "教材 m01.pdf"), unmapped = NewWindow(d, "教材 m01.pdf");
        XMapRaised(d, shown);
        XSync(d, False);
        auto listed = list.TopFirst();
        QCOMPARE(listed.front().id, std::uint64_t{shown});
        QCOMPARE(listed.front().title, QStringLiteral("教材 m01.pdf"));
        QVERIFY(std::ranges::none_of(listed, [&](const auto& w) { return w.id == unmapped; }));
        QCOMPARE(othersErrors, 0);
        XWindowAttributes attributes;
        XGetWindowAttributes(d, gone, &attributes);
        QCOMPARE(othersErrors, 1);
        XSetErrorHandler(counting);
        list.TopFirst();
        QVERIFY2(XSetErrorHandler(ours) == counting, "the list swapped the handler");
        // With a window manager (the test plays one) its stacking list and the
        // windows' UTF-8 names count over their WM_NAME, and a window is
        // brought forward by asking it. A window the list names that is gone
        // meanwhile (the first one here) has no name.
        const auto atom = [d](const char* name) { return XInternAtom(d, name, False); };
        XSelectInput(d, DefaultRootWindow(d), SubstructureRedirectMask);
        const Window top = NewWindow(d, "old name"), below = NewWindow(d);
        const QByteArray name = QStringLiteral("教材 m01.pdf").toUtf8();
        XChangeProperty(d, top, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(name.data()), int(name.size()));
        const unsigned long bottomFirst[] = {below, gone, top};
        XChangeProperty(d, DefaultRootWindow(d), atom("_NET_CLIENT_LIST_STACKING"), XA_WINDOW, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(bottomFirst), 3);
        XSync(d, False);
        listed = list.TopFirst();
        QCOMPARE(listed.size(), std::size_t{3});
        QCOMPARE(listed[0].id, std::uint64_t{top});
        QCOMPARE(listed[0].title, QStringLiteral("教材 m01.pdf"));
        QCOMPARE(listed[1].title, QString());
        QCOMPARE(listed[2].id, std::uint64_t{below});
        list.Activate(below);
        XEvent event{};
        // Asked again by QTRY until it holds, and once more after: it keeps the answer.
        auto asked = [&, seen = false]() mutable {
            return XSync(d, False), seen = seen || XCheckTypedEvent(d, ClientMessage, &event);
        };
        QTRY_VERIFY_WITH_TIMEOUT(asked(), 2000);
        QCOMPARE(event.xclient.message_type, atom("_NET_ACTIVE_WINDOW"));
        QCOMPARE(event.xclient.window, below);
        QCOMPARE(event.xclient.data.l[0], 2L);
    }
};

QTEST_GUILESS_MAIN(TestWindowListX11)
#include "test_window_list_x11.moc"
