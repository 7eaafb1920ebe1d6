#include "core/exchange_queue.h"

#include <algorithm>

namespace qvestra::core {

namespace {

std::size_t IndexOf(Lane lane) { return lane == Lane::kShort ? 0 : 1; }

}  // namespace

ExchangeQueue::ExchangeQueue() = default;

ExchangeQueue::~ExchangeQueue() = default;

thread_local const ExchangeQueue::Running* ExchangeQueue::tRunning = nullptr;

JobHandle ExchangeQueue::Enqueue(Lane lane, const QObject* owner,
                                 std::function<Ending(const AbortSwitch&)> work, Ending unrun) {
    const Running job{std::make_shared<const AbortSwitch>(), owner};
    if (closed_) {
        Deliver(job, std::move(unrun), JobEnd::kCancelled);
        return JobHandle(job.cancel);
    }
    Start(lane, [this, lane, job, work = std::move(work), unrun = std::move(unrun)] {
        auto& running = running_[IndexOf(lane)];
        {
            const std::lock_guard lock(mutex_);
            // A job handed over just before the seal may start just after
            // it: it would write into a data folder that was removed.
            if (sealed_) return Deliver(job, unrun, JobEnd::kCancelled);
            running = job.cancel;
        }
        Ending ending;
        JobEnd how = JobEnd::kDone;
        tRunning = &job;
        try {
            ending = work(*job.cancel);
        } catch (...) {
            ending = unrun;
            how = JobEnd::kFailed;
        }
        tRunning = nullptr;
        {
            const std::lock_guard lock(mutex_);
            running.reset();
        }
        laneFree_.notify_all();
        Deliver(job, std::move(ending), how);
    });
    return JobHandle(job.cancel);
}

void ExchangeQueue::Deliver(const Running& job, Ending ending, JobEnd how) {
    Post([this, job, ending = std::move(ending), how] {
        if (!job.owner) return;
        // A cancel that came before the end decides, even for a job that
        // got to its end first: its owner has moved on.
        ending(closed_ || job.cancel->Tripped() ? JobEnd::kCancelled : how);
    });
}

void ExchangeQueue::Report(std::function<void()> news) {
    const Running* job = tRunning;
    if (job == nullptr) return;
    Post([this, owner = job->owner, cancel = job->cancel, news = std::move(news)] {
        if (!closed_ && owner && !cancel->Tripped()) news();
    });
}

void ExchangeQueue::Post(std::function<void()> call) {
    ++undelivered_;
    // Queued, so news comes before the end of the same work.
    QMetaObject::invokeMethod(
        &receiver_,
        [this, call = std::move(call)] {
            --undelivered_;
            call();
        },
        Qt::QueuedConnection);
}

bool ExchangeQueue::Seal(const AbortSwitch& sealing) {
    std::unique_lock lock(mutex_);
    sealed_ = true;
    const auto others = [this, &sealing] {
        return std::any_of(running_.begin(), running_.end(),
                           [&sealing](const auto& job) { return job && job.get() != &sealing; });
    };
    for (const auto& job : running_)
        if (job && job.get() != &sealing) job->Trip();
    return laneFree_.wait_for(lock, kSealWait, [&others] { return !others(); });
}

void ExchangeQueue::Close() {
    closed_ = true;
    const std::lock_guard lock(mutex_);
    sealed_ = true;
    for (const auto& job : running_)
        if (job) job->Trip();
}

bool ExchangeQueue::Stop(std::chrono::milliseconds bound) {
    Close();
    return WaitForRunning(bound);
}

ThreadExchangeQueue::ThreadExchangeQueue() {
    for (QThreadPool& lane : lanes_) {
        lane.setMaxThreadCount(1);
        lane.setExpiryTimeout(-1);
    }
}

ThreadExchangeQueue::~ThreadExchangeQueue() = default;

void ThreadExchangeQueue::Start(Lane lane, std::function<void()> job) {
    lanes_[IndexOf(lane)].start(std::move(job));
}

bool ThreadExchangeQueue::WaitForRunning(std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (QThreadPool& lane : lanes_) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!lane.waitForDone(static_cast<int>(std::max<std::int64_t>(left.count(), 0))))
            return false;
    }
    return true;
}

}  // namespace qvestra::core
