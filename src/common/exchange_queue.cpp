#include "common/exchange_queue.h"

namespace qvestra {

ExchangeQueue::ExchangeQueue() = default;

ExchangeQueue::~ExchangeQueue() = default;

JobHandle ExchangeQueue::Enqueue(std::function<Ending(const net::AbortSwitch&)> work,
                                 Ending unrun) {
    auto cancel = std::make_shared<const net::AbortSwitch>();
    if (closed_) {
        Deliver(cancel, std::move(unrun), JobEnd::kCancelled);
        return JobHandle(cancel);
    }
    Start([this, cancel, work = std::move(work), unrun = std::move(unrun)] {
        {
            const std::lock_guard lock(mutex_);
            // A job handed over just before the seal may start just after
            // it: it would write into a data folder that was removed.
            if (sealed_) return Deliver(cancel, unrun, JobEnd::kCancelled);
            running_ = cancel;
        }
        Ending ending;
        JobEnd how = JobEnd::kDone;
        try {
            ending = work(*cancel);
        } catch (...) {
            ending = unrun;
            how = JobEnd::kFailed;
        }
        {
            const std::lock_guard lock(mutex_);
            running_.reset();
        }
        Deliver(cancel, std::move(ending), how);
    });
    return JobHandle(cancel);
}

void ExchangeQueue::Deliver(std::shared_ptr<const net::AbortSwitch> cancel, Ending ending,
                            JobEnd how) {
    Post([this, cancel = std::move(cancel), ending = std::move(ending), how] {
        // A cancel that came before the end decides, even for a job that
        // got to its end first: its owner has moved on.
        ending(closed_ || cancel->Tripped() ? JobEnd::kCancelled : how);
    });
}

void ExchangeQueue::Report(std::function<void()> news) {
    Post([this, news = std::move(news)] {
        if (!closed_) news();
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

void ExchangeQueue::Seal() {
    const std::lock_guard lock(mutex_);
    sealed_ = true;
}

void ExchangeQueue::Close() {
    closed_ = true;
    const std::lock_guard lock(mutex_);
    sealed_ = true;
    if (running_) running_->Trip();
}

bool ExchangeQueue::Stop(std::chrono::milliseconds bound) {
    Close();
    return WaitForRunning(bound);
}

ThreadExchangeQueue::ThreadExchangeQueue() { pool_.setMaxThreadCount(1); }

ThreadExchangeQueue::~ThreadExchangeQueue() = default;

void ThreadExchangeQueue::Start(std::function<void()> job) { pool_.start(std::move(job)); }

bool ThreadExchangeQueue::WaitForRunning(std::chrono::milliseconds bound) {
    return pool_.waitForDone(static_cast<int>(bound.count()));
}

}  // namespace qvestra
