#include "common/exchange_queue.h"

#include <QObject>

namespace qvestra {

ExchangeQueue::ExchangeQueue(QObject* context) : context_(context) {
    // One thread keeps the exchanges in the order the window asked for them.
    pool_.setMaxThreadCount(1);
}

ExchangeQueue::~ExchangeQueue() { pool_.waitForDone(); }

void ExchangeQueue::Run(std::function<void()> work, std::function<void()> done) {
    if (context_ == nullptr) {
        work();
        if (done) done();
        return;
    }
    pool_.start([context = context_, work = std::move(work), done = std::move(done)] {
        work();
        // Dropped, not run, when the window is gone by then.
        if (done) QMetaObject::invokeMethod(context, done, Qt::QueuedConnection);
    });
}

void ExchangeQueue::Report(std::function<void()> news) {
    if (context_ == nullptr) {
        news();
        return;
    }
    // Queued like the done that follows, so it comes first.
    QMetaObject::invokeMethod(context_, std::move(news), Qt::QueuedConnection);
}

}  // namespace qvestra
