#pragma once

#include <chrono>

namespace qvestra::testing {

// How long since started, for the checks that a wait ended in time.
inline std::chrono::milliseconds Since(std::chrono::steady_clock::time_point started) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 started);
}

}  // namespace qvestra::testing
