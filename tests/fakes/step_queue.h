#pragma once

#include <QCoreApplication>
#include <deque>

#include "common/exchange_queue.h"

namespace qvestra::testing {

// The exchange queue with the test as its thread: exchanges wait until the
// test runs them, in order, and their ends come back as queued calls, as
// they do in the program.
class StepQueue final : public ExchangeQueue {
  public:
    // Runs the next waiting exchange; false when none waits.
    bool Step() {
        if (jobs_.empty()) return false;
        Take()();
        return true;
    }
    // Takes the next exchange off the queue, as a worker does just before
    // it starts it.
    std::function<void()> Take() {
        auto job = std::move(jobs_.front());
        jobs_.pop_front();
        return job;
    }
    // Delivers what came back, runs what waits, until nothing is left.
    void Settle() {
        for (;;) {
            QCoreApplication::sendPostedEvents();
            if (!Step() && Undelivered() == 0) return;
        }
    }
    std::size_t Waiting() const { return jobs_.size(); }

  protected:
    void Start(std::function<void()> job) override { jobs_.push_back(std::move(job)); }
    bool WaitForRunning(std::chrono::milliseconds) override { return true; }

  private:
    std::deque<std::function<void()>> jobs_;
};

}  // namespace qvestra::testing
