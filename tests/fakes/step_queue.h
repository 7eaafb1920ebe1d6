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
    using AnyLane = std::optional<core::Lane>;
    // The jobs of lane, or all.
    static auto Of(AnyLane lane) {
        return [lane](const auto& job) { return !lane || job.first == *lane; };
    }

  public:
    // Runs the next waiting exchange (of lane, when given); false when none waits.
    bool Step(AnyLane lane = {}) { return Waits(lane) && (Take(lane)(), true); }
    // Takes the next exchange off the queue, as a worker does just before
    // it starts it.
    std::function<void()> Take(AnyLane lane = {}) {
        const auto next = std::ranges::find_if(jobs_, Of(lane));
        auto job = std::move(next->second);
        jobs_.erase(next);
        return job;
    }
    // Delivers what came back, runs what waits, until nothing is left.
    void Settle() {
        do QCoreApplication::sendPostedEvents();
        while (Step() || Undelivered() > 0);
    }
    std::size_t Waiting() const { return jobs_.size(); }
    bool Waits(AnyLane lane = {}) const { return std::ranges::any_of(jobs_, Of(lane)); }

  protected:
    void Start(core::Lane lane, std::function<void()> job) override {
        jobs_.emplace_back(lane, std::move(job));
    }
    bool WaitForRunning(std::chrono::milliseconds) override { return true; }

  private:
    std::deque<std::pair<core::Lane, std::function<void()>>> jobs_;
};

}  // namespace qvestra::testing
