// The X11 window list against real windows on an X server (run under Xvfb).
#include <QtTest>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "viewer/window_list_x11.h"

using namespace qvestra::viewer;

namespace {

class Desktop {
  public:
    Desktop() : display_(XOpenDisplay(nullptr)) {}
    ~Desktop() {
        if (display_ != nullptr) XCloseDisplay(display_);
    }
    bool Open() const { return display_ != nullptr; }

    std::uint64_t Show(const char* title) {
        const Window w =
            XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 50, 50, 0, 0, 0);
        if (title != nullptr)
            Xutf8SetWMProperties(display_, w, title, nullptr, nullptr, 0, nullptr, nullptr,
                                 nullptr);
        XMapRaised(display_, w);
        XSync(display_, False);
        return w;
    }

  private:
    Display* display_;
};

QStringList Titles(const std::vector<TopLevelWindow>& windows,
                   const std::vector<std::uint64_t>& ours) {
    QStringList titles;
    for (const auto& w : windows)
        if (std::find(ours.begin(), ours.end(), w.id) != ours.end()) titles << w.title;
    return titles;
}

}  // namespace

class TestWindowListX11 : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void listsTopFirstWithTitlesAndActivatesByTitle() {
        Desktop desktop;
        if (!desktop.Open()) QSKIP("no X server");
        const std::vector<std::uint64_t> ours = {
            desktop.Show("Document Reader - 1"), desktop.Show(nullptr),
            desktop.Show("教材 m01.pdf"), desktop.Show("Document Reader")};
        X11WindowList list;
        QCOMPARE(Titles(list.TopFirst(), ours),
                 (QStringList{"Document Reader", "教材 m01.pdf", "", "Document Reader - 1"}));

        QVERIFY(ActivateByTitle(list, "Document Reader - 1"));
        QCOMPARE(Titles(list.TopFirst(), ours).front(), QStringLiteral("Document Reader - 1"));
        QVERIFY(ActivateByTitle(list, "教材"));
        QCOMPARE(Titles(list.TopFirst(), ours).front(), QStringLiteral("教材 m01.pdf"));
        // A title met exactly wins over one that only begins with it.
        QVERIFY(ActivateByTitle(list, "Document Reader"));
        QCOMPARE(Titles(list.TopFirst(), ours).front(), QStringLiteral("Document Reader"));
        QVERIFY(!ActivateByTitle(list, "Nothing"));
    }
};

QTEST_GUILESS_MAIN(TestWindowListX11)
#include "test_window_list_x11.moc"
