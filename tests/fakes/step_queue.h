#pragma once

#include <QCoreApplication>
#include <algorithm>
#include <deque>
#include <optional>

#include "core/exchange_queue.h"

namespace qvestra::testing {

// The exchange queue with the test as its thread: exchanges wait until the
// test runs them, and their ends come back as queued calls, as they do in
// the program. Unless a lane is named, jobs run in the order they were
// given, whatever their lane: one of the orders the program's lanes allow.
class StepQueue final : public core::ExchangeQueue {
  public:
    // Runs the next waiting exchange (of lane, when given); false when none waits.
    bool Step(std::optional<core::Lane> lane = std::nullopt) {
        if (!Waits(lane)) return false;
        Take(lane)();
        return true;
    }
    // Takes the next exchange off the queue, as a worker does just before
    // it starts it.
    std::function<void()> Take(std::optional<core::Lane> lane = std::nullopt) {
        const auto next = Next(lane);
        auto job = std::move(next->second);
        jobs_.erase(next);
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
    bool Waits(std::optional<core::Lane> lane = std::nullopt) const {
        return std::any_of(jobs_.begin(), jobs_.end(),
                           [lane](const auto& job) { return !lane || job.first == *lane; });
    }

  protected:
    void Start(core::Lane lane, std::function<void()> job) override {
        jobs_.emplace_back(lane, std::move(job));
    }
    bool WaitForRunning(std::chrono::milliseconds) override { return true; }

  private:
    using Jobs = std::deque<std::pair<core::Lane, std::function<void()>>>;
    Jobs::iterator Next(std::optional<core::Lane> lane) {
        return std::find_if(jobs_.begin(), jobs_.end(),
                            [lane](const auto& job) { return !lane || job.first == *lane; });
    }

    Jobs jobs_;
};

}  // namespace qvestra::testing
