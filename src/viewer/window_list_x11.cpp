#include "viewer/window_list_x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
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

// An answer of the server's, freed as xcb asks.
struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// The answer to a request made before; none when it failed (the window went
// meanwhile), its error handed back here, never to an error handler.
template <typename Cookie, typename T>
Reply<T> Take(xcb_connection_t* c, Cookie cookie,
              T* (*read)(xcb_connection_t*, Cookie, xcb_generic_error_t**)) {
    xcb_generic_error_t* error = nullptr;
    Reply<T> reply(read(c, cookie, &error));
    std::free(error);
    return reply;
}

// The longest title read, in 32-bit words.
constexpr std::uint32_t kTitleWords = 1024;

std::vector<xcb_window_t> StackingList(xcb_connection_t* c, xcb_window_t root,
                                       xcb_atom_t stacking) {
    if (stacking == XCB_NONE) return {};
    const auto list = Take(c, xcb_get_property(c, 0, root, stacking, XCB_ATOM_WINDOW, 0, 1 << 16),
                           xcb_get_property_reply);
    if (!list || list->type != XCB_ATOM_WINDOW || list->format != 32) return {};
    const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
    return {ids, ids + list->value_len};
}

std::vector<xcb_window_t> MappedChildren(xcb_connection_t* c, xcb_window_t root) {
    const auto tree = Take(c, xcb_query_tree(c, root), xcb_query_tree_reply);
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> asked;
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
        asked.push_back(xcb_get_window_attributes(c, children[i]));
    std::vector<xcb_window_t> out;
    for (std::size_t i = 0; i < asked.size(); ++i) {
        const auto attributes = Take(c, asked[i], xcb_get_window_attributes_reply);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            out.push_back(children[i]);
    }
    return out;
}

QString NetWmName(const xcb_get_property_reply_t* name, xcb_atom_t utf8) {
    if (name == nullptr || name->type != utf8 || name->format != 8) return {};
    return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(name)),
                             xcb_get_property_value_length(name));
}

QString WmName(Display* d, const xcb_get_property_reply_t* name) {
    if (name == nullptr || name->type == XCB_NONE) return {};
    // Xlib decodes the name in whichever encoding it was set: compound text,
    // say, for a Japanese title.
    XTextProperty property{static_cast<unsigned char*>(xcb_get_property_value(name)), name->type,
                           name->format, name->value_len};
    QString title;
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(d, &property, &list, &count) >= Success && count > 0 && list)
        title = QString::fromUtf8(list[0]);
    if (list != nullptr) XFreeStringList(list);
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

// A pass waits for the server twice however many windows the desktop has
// (three times without a window manager): for the list, then for all the
// windows' names at once, every one asked before the first answer is read.
// A wait for each window made a pass as slow as the desktop was full, on the
// window's thread, ten times a second.
std::vector<TopLevelWindow> X11WindowList::TopFirst() {
    std::vector<TopLevelWindow> out;
    if (!Connected()) return out;
    Display* d = display_.get();
    xcb_connection_t* c = XGetXCBConnection(d);
    const auto root = static_cast<xcb_window_t>(DefaultRootWindow(d));
    std::vector<xcb_window_t> bottomFirst = StackingList(c, root, atoms_.stacking);
    if (bottomFirst.empty()) bottomFirst = MappedChildren(c, root);
    struct Names {
        xcb_window_t window;
        xcb_get_property_cookie_t netName, wmName;
    };
    std::vector<Names> asked;
    for (auto it = bottomFirst.rbegin(); it != bottomFirst.rend(); ++it)
        asked.push_back({*it, xcb_get_property(c, 0, *it, atoms_.name, atoms_.utf8, 0, kTitleWords),
                         xcb_get_property(c, 0, *it, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                          kTitleWords)});
    for (const Names& names : asked) {
        const auto netName = Take(c, names.netName, xcb_get_property_reply);
        const auto wmName = Take(c, names.wmName, xcb_get_property_reply);
        QString title = NetWmName(netName.get(), atoms_.utf8);
        if (title.isEmpty()) title = WmName(d, wmName.get());
        out.push_back({names.window, title});
    }
    return out;
}

void X11WindowList::Activate(std::uint64_t id) {
    if (!Connected()) return;
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
}

std::unique_ptr<WindowList> CreatePlatformWindowList() { return std::make_unique<X11WindowList>(); }

}  // namespace qvestra::viewer
