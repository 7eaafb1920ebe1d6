#pragma once

namespace qvestra::ui {

// The program's own top-level windows that are plain widgets (the sign-in
// and help windows, the progress window, the connecting and viewer notices)
// present themselves to screen readers as what they are, a window or a
// dialog, with their titles, so a reader announces them when they open.
// Once, after the application object.
void InstallWindowRoles();

}  // namespace qvestra::ui
