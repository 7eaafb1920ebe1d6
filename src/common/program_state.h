#pragma once

namespace qvestra {

// The two values every window of the program shares: whether the start-up
// reached the service host, and whether the member is not (yet) contracted.
struct ProgramState {
    bool OnlineMode = false;
    bool NotContracted = false;
};

}  // namespace qvestra
