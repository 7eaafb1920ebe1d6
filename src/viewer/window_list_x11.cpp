#include "viewer/window_list_x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace qvestra::viewer {

namespace {

// Windows come and go while they are listed; an error about one that just
// vanished must not end the program (Xlib's default handler exits). Xlib
// has one error handler for the whole process, and other parts of it (the
// toolkit's OpenGL, say) use Xlib too: the handler is installed once, never
// swapped per call, ignores errors on the list's own connections only and
// hands every other error to the handler it replaced.
class OwnErrorsIgnored {
  public:
    static void Add(Display* d) {
        static std::once_flag installed;
        std::call_once(installed, [] { previous_ = XSetErrorHandler(Handle); });
        const std::lock_guard lock(mutex_);
        displays_.push_back(d);
    }
    static void Remove(Display* d) {
        const std::lock_guard lock(mutex_);
        std::erase(displays_, d);
    }

  private:
    static int Handle(Display* d, XErrorEvent* error) {
        {
            const std::lock_guard lock(mutex_);
            if (std::ranges::find(displays_, d) != displays_.end()) return 0;
        }
        return previous_ != nullptr ? previous_(d, error) : 0;
    }
    static inline std::mutex mutex_;
    static inline std::vector<Display*> displays_;
    static inline XErrorHandler previous_ = nullptr;
};

std::vector<Window> StackingList(Display* d, Window root, Atom stacking) {
    std::vector<Window> out;
    if (stacking == None) return out;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, root, stacking, 0, 1 << 16, False, XA_WINDOW, &type, &format, &count,
                           &after, &data) == Success &&
        type == XA_WINDOW && format == 32 && data != nullptr) {
        const auto* ids = reinterpret_cast<const unsigned long*>(data);
        out.assign(ids, ids + count);
    }
    if (data != nullptr) XFree(data);
    return out;
}

std::vector<Window> MappedChildren(Display* d, Window root) {
    std::vector<Window> out;
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, root, &rootReturn, &parent, &children, &count) == 0) return out;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(d, children[i], &attributes) != 0 &&
            attributes.map_state == IsViewable)
            out.push_back(children[i]);
    }
    if (children != nullptr) XFree(children);
    return out;
}

QString NetWmName(Display* d, Window w, Atom name, Atom utf8) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    QString title;
    if (XGetWindowProperty(d, w, name, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        type == utf8 && format == 8 && data != nullptr)
        title =
            QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
    if (data != nullptr) XFree(data);
    return title;
}

QString WmName(Display* d, Window w) {
    XTextProperty property{};
    if (XGetWMName(d, w, &property) == 0 || property.value == nullptr) return {};
    QString title;
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(d, &property, &list, &count) >= Success && count > 0 && list)
        title = QString::fromUtf8(list[0]);
    if (list != nullptr) XFreeStringList(list);
    XFree(property.value);
    return title;
}

}  // namespace

void X11WindowList::DisplayCloser::operator()(_XDisplay* d) const {
    // Closing may still report errors of the last calls.
    XCloseDisplay(d);
    OwnErrorsIgnored::Remove(d);
}

X11WindowList::X11WindowList() = default;
X11WindowList::~X11WindowList() = default;

bool X11WindowList::Connected() {
    if (display_) return true;
    display_.reset(XOpenDisplay(nullptr));
    if (!display_) return false;
    OwnErrorsIgnored::Add(display_.get());
    // Each look-up is a round trip to the server; a wait looks ten times a second.
    Display* d = display_.get();
    atoms_.stacking = XInternAtom(d, "_NET_CLIENT_LIST_STACKING", False);
    atoms_.name = XInternAtom(d, "_NET_WM_NAME", False);
    atoms_.utf8 = XInternAtom(d, "UTF8_STRING", False);
    atoms_.active = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    return true;
}

std::vector<TopLevelWindow> X11WindowList::TopFirst() {
    std::vector<TopLevelWindow> out;
    if (!Connected()) return out;
    Display* d = display_.get();
    const Window root = DefaultRootWindow(d);
    std::vector<Window> bottomFirst = StackingList(d, root, atoms_.stacking);
    if (bottomFirst.empty()) bottomFirst = MappedChildren(d, root);
    for (auto it = bottomFirst.rbegin(); it != bottomFirst.rend(); ++it) {
        QString title = NetWmName(d, *it, atoms_.name, atoms_.utf8);
        if (title.isEmpty()) title = WmName(d, *it);
        out.push_back({static_cast<std::uint64_t>(*it), title});
    }
    return out;
}

bool X11WindowList::Activate(std::uint64_t id) {
    if (!Connected()) return false;
    Display* d = display_.get();
    const Window root = DefaultRootWindow(d);
    const auto window = static_cast<Window>(id);
    // A window manager moves focus on request; without one, raising and
    // focusing the window ourselves is what there is.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atoms_.active;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // a pager-like request: the member asked for it
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XRaiseWindow(d, window);
    XSetInputFocus(d, window, RevertToParent, CurrentTime);
    XFlush(d);
    return true;
}

std::unique_ptr<WindowList> CreatePlatformWindowList() { return std::make_unique<X11WindowList>(); }

}  // namespace qvestra::viewer
