#include "viewer/window_list.h"

namespace qvestra::viewer {

bool ActivateByTitle(WindowList& windows, const QString& title) {
    if (title.isEmpty()) return false;
    const auto list = windows.TopFirst();
    for (const auto& w : list)
        if (w.title == title) return windows.Activate(w.id);
    for (const auto& w : list)
        if (w.title.startsWith(title)) return windows.Activate(w.id);
    return false;
}

}  // namespace qvestra::viewer
