#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace qvestra::viewer {

struct TopLevelWindow {
    std::uint64_t id = 0;
    QString title;  // empty for a window without a title
};

// The desktop's top-level windows and a way to bring one to the front.
class WindowList {
  public:
    virtual ~WindowList() = default;
    // Top of the stacking order first.
    virtual std::vector<TopLevelWindow> TopFirst() = 0;
    virtual void Activate(std::uint64_t id) = 0;
};

// The window list of the platform the program was built for.
std::unique_ptr<WindowList> CreatePlatformWindowList();

}  // namespace qvestra::viewer
