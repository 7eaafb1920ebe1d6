#pragma once

#include <memory>

#include "viewer/window_list.h"

struct _XDisplay;

namespace qvestra::viewer {

// Reads the window manager's stacking list (_NET_CLIENT_LIST_STACKING) and
// the windows' _NET_WM_NAME or WM_NAME; without a window manager, the root
// window's mapped children in stacking order.
class X11WindowList final : public WindowList {
  public:
    X11WindowList();
    ~X11WindowList() override;

    std::vector<TopLevelWindow> TopFirst() override;
    void Activate(std::uint64_t id) override;

  private:
    bool Connected();

    struct DisplayCloser {
        void operator()(_XDisplay* d) const;
    };
    std::unique_ptr<_XDisplay, DisplayCloser> display_;
    struct Atoms {
        unsigned long stacking = 0, name = 0, utf8 = 0, active = 0;
    } atoms_;
};

}  // namespace qvestra::viewer
