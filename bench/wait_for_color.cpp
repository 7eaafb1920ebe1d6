// Waits until a colour shows on the X server: anywhere on the screen, or in
// one rectangle of it. The start-up benchmark times the first paint of a
// page or a panel with it; polling the server directly every few
// milliseconds keeps the measuring cost out of the figures.
// Usage: wait_for_color RRGGBB TIMEOUT_MS [WIDTHxHEIGHT+X+Y]
// Exit status: 0 once seen, 1 when the time ran out, 2 on a usage error.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

bool Shows(Display* display, Window root, std::uint32_t color, int x, int y, unsigned width,
           unsigned height) {
    XImage* image = XGetImage(display, root, x, y, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    bool seen = false;
    for (unsigned row = 0; row < height && !seen; ++row)
        for (unsigned column = 0; column < width && !seen; ++column)
            seen = (XGetPixel(image, int(column), int(row)) & 0xFFFFFF) == color;
    XDestroyImage(image);
    return seen;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: wait_for_color RRGGBB TIMEOUT_MS [WIDTHxHEIGHT+X+Y]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 2;
    const Window root = DefaultRootWindow(display);
    const auto color = static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 16));
    const auto timeout = std::chrono::milliseconds(std::atoi(argv[2]));
    int x = 0, y = 0;
    unsigned width = DisplayWidth(display, DefaultScreen(display));
    unsigned height = DisplayHeight(display, DefaultScreen(display));
    if (argc > 3 && std::sscanf(argv[3], "%ux%u+%d+%d", &width, &height, &x, &y) != 4) return 2;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!Shows(display, root, color, x, y, width, height)) {
        if (std::chrono::steady_clock::now() > deadline) return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    XCloseDisplay(display);
    return 0;
}
