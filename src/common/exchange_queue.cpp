#include "common/exchange_queue.h"

namespace qvestra {

ExchangeQueue::ExchangeQueue() = default;

ExchangeQueue::~ExchangeQueue() = default;

void ExchangeQueue::Run(std::function<void()> work, std::function<void()> done) {
    if (sealed_) return;
    Start([this, work = std::move(work), done = std::move(done)] {
        // A job handed over just before the seal may start just after it:
        // it would write into a data folder that was removed.
        if (sealed_) return;
        work();
        if (done) Deliver(done);
    });
}

void ExchangeQueue::Report(std::function<void()> news) { Deliver(std::move(news)); }

void ExchangeQueue::Deliver(std::function<void()> call) {
    ++undelivered_;
    // Queued, so news comes before the end of the same work.
    QMetaObject::invokeMethod(
        &receiver_,
        [this, call = std::move(call)] {
            --undelivered_;
            if (!closed_) call();
        },
        Qt::QueuedConnection);
}

void ExchangeQueue::Seal() {
    sealed_ = true;
    DropWaiting();
}

void ExchangeQueue::Close() {
    closed_ = true;
    Seal();
}

void ExchangeQueue::Stop() {
    Close();
    WaitForRunning();
}

ThreadExchangeQueue::ThreadExchangeQueue() { pool_.setMaxThreadCount(1); }

ThreadExchangeQueue::~ThreadExchangeQueue() { Stop(); }

void ThreadExchangeQueue::Start(std::function<void()> job) { pool_.start(std::move(job)); }

void ThreadExchangeQueue::DropWaiting() { pool_.clear(); }

void ThreadExchangeQueue::WaitForRunning() { pool_.waitForDone(); }

}  // namespace qvestra
