#pragma once

#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <variant>

#include "net/abort_switch.h"

namespace qvestra {

// How a job ended. Every job the queue takes ends exactly once, with one of
// these, on the thread that made the queue.
enum class JobEnd {
    kDone,
    // Its work threw (a file-system error, no memory): what it returned is lost.
    kFailed,
    // Cancelled, sealed out or closed before its end came back: what it
    // found no longer counts.
    kCancelled,
};

template <class T>
struct JobResult {
    JobEnd end = JobEnd::kCancelled;
    // What the work returned; value-initialised when the work did not return.
    T value{};
    bool Done() const { return end == JobEnd::kDone; }
};

// Cancels the one job it came with: its waits end at once, and its end says
// cancelled unless it came back before.
class JobHandle {
  public:
    JobHandle() = default;
    explicit JobHandle(std::shared_ptr<const net::AbortSwitch> cancel)
        : cancel_(std::move(cancel)) {}
    void Cancel() const {
        if (cancel_) cancel_->Trip();
    }

  private:
    std::shared_ptr<const net::AbortSwitch> cancel_;
};

// The program's one exchange queue: the windows' blocking exchanges (and the
// disk work that goes with them) run one after another, in the order they
// were given, off the windows' thread; the end of each comes back to the
// windows' thread as a queued call, so the windows paint and answer clicks
// meanwhile. Each job gets its own cancel switch, which every socket, page
// read and wait of the job watches. Where the exchanges run is the
// implementation's: a thread of their own in the program, steps the test
// takes in the tests.
class ExchangeQueue {
  public:
    // The ends run on the thread that makes the queue.
    ExchangeQueue();
    virtual ~ExchangeQueue();
    ExchangeQueue(const ExchangeQueue&) = delete;
    ExchangeQueue& operator=(const ExchangeQueue&) = delete;

    // work(cancel), or work() when it watches no cancel, runs after every
    // job given before it; its return value reaches end as a JobResult. A
    // queue that is sealed or closed still takes the job, and ends it
    // cancelled without running it.
    template <class Work, class End>
    JobHandle Run(Work work, End end) {
        if constexpr (std::is_invocable_v<Work&>) {
            return Run([work = std::move(work)](const net::AbortSwitch&) mutable { return work(); },
                       std::move(end));
        } else {
            using Value = std::invoke_result_t<Work&, const net::AbortSwitch&>;
            if constexpr (std::is_void_v<Value>) {
                return Run(
                    [work = std::move(work)](const net::AbortSwitch& cancel) mutable {
                        work(cancel);
                        return std::monostate{};
                    },
                    std::move(end));
            } else {
                return Enqueue(
                    [work = std::move(work),
                     end](const net::AbortSwitch& cancel) mutable -> Ending {
                        // An end runs once: the value moves into it, so a
                        // large one (a menu page) is not copied on the way.
                        return [end, value = work(cancel)](JobEnd how) mutable {
                            end(JobResult<Value>{how, std::move(value)});
                        };
                    },
                    [end](JobEnd how) {
                        end(JobResult<Value>{how, {}});
                    });
            }
        }
    }
    template <class Work>
    JobHandle Run(Work work) {
        return Run(std::move(work), [](const auto&) {});
    }
    // From within a work: news runs on the windows' thread, before the
    // work's end. Dropped once the queue is closed.
    void Report(std::function<void()> news);
    // From within a work that removed the data folder: every job not yet
    // started, and every one given later, ends cancelled without running,
    // so nothing writes into the folder again.
    void Seal();
    // The program ends: sealed, the running job cancelled, and every end
    // still to come says cancelled.
    void Close();
    // Closes, then waits up to bound for the running job, whose parts the
    // owner is about to destroy; false when it is still running.
    bool Stop(std::chrono::milliseconds bound);

  protected:
    // Runs job off the windows' thread after every job given before it.
    virtual void Start(std::function<void()> job) = 0;
    virtual bool WaitForRunning(std::chrono::milliseconds bound) = 0;
    // Ends and news given but not yet run, for a test that settles the queue.
    int Undelivered() const { return undelivered_; }

  private:
    // What a job leaves for the windows' thread: its end, told how it ended.
    using Ending = std::function<void(JobEnd)>;
    JobHandle Enqueue(std::function<Ending(const net::AbortSwitch&)> work, Ending unrun);
    void Deliver(std::shared_ptr<const net::AbortSwitch> cancel, Ending ending, JobEnd how);
    void Post(std::function<void()> call);

    QObject receiver_;
    // Guards the seal against a job about to start, so a job either sees
    // the seal or is the running one that Close cancels.
    std::mutex mutex_;
    bool sealed_ = false;
    std::shared_ptr<const net::AbortSwitch> running_;
    std::atomic<bool> closed_ = false;
    std::atomic<int> undelivered_ = 0;
};

// The program's queue: one thread of its own keeps the exchanges in order.
class ThreadExchangeQueue final : public ExchangeQueue {
  public:
    ThreadExchangeQueue();
    // The owner must have stopped the queue: a job still running would use
    // what the owner destroyed.
    ~ThreadExchangeQueue() override;

  protected:
    void Start(std::function<void()> job) override;
    bool WaitForRunning(std::chrono::milliseconds bound) override;

  private:
    QThreadPool pool_;
};

}  // namespace qvestra
