#include "core/abort_switch.h"

#include <cerrno>
#include <cstdint>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace qvestra::core {

AbortSwitch::AbortSwitch() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

AbortSwitch::~AbortSwitch() {
    if (fd_ >= 0) ::close(fd_);
}

void AbortSwitch::Trip() const noexcept {
    const int saved = errno;
    const std::uint64_t one = 1;
    // Non-blocking: a counter that is already near its limit has been
    // tripped long ago, so a failed write loses nothing.
    [[maybe_unused]] const auto n = ::write(fd_, &one, sizeof one);
    errno = saved;
}

bool AbortSwitch::Tripped() const {
    pollfd p{fd_, POLLIN, 0};
    // A failed poll leaves revents as it was: not tripped.
    ::poll(&p, 1, 0);
    return (p.revents & POLLIN) != 0;
}

}  // namespace qvestra::core
