#pragma once

namespace qvestra::core {

// Tripped once, from anywhere (a signal handler included), it ends every
// blocking wait that watches it: socket calls, name look-ups and URL reads
// return at once from then on. It cannot be reset: what it ended (a job,
// the program) does not come back.
class AbortSwitch {
  public:
    AbortSwitch();
    ~AbortSwitch();
    AbortSwitch(const AbortSwitch&) = delete;
    AbortSwitch& operator=(const AbortSwitch&) = delete;

    // Async-signal-safe, never blocks, keeps errno.
    void Trip() const noexcept;
    bool Tripped() const;
    // Readable once tripped, for poll() and for an event loop's notifier.
    int Fd() const { return fd_; }

  private:
    int fd_ = -1;
};

// True when the switch, if any, is tripped.
inline bool Tripped(const AbortSwitch* abort) { return abort != nullptr && abort->Tripped(); }

}  // namespace qvestra::core
