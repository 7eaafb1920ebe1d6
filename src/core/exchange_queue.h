#pragma once

#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <variant>

#include "core/abort_switch.h"

namespace qvestra::core {

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
    // What the work returned, whenever it ran to its end: also for a job
    // cancelled meanwhile, whose owner must still learn what the work did
    // that cannot be undone (a data folder removed). Nothing when the work
    // did not run, or threw.
    std::optional<T> value;
    bool Done() const { return end == JobEnd::kDone; }
};

// Cancels the one job it came with: its waits end at once, and its end says
// cancelled unless it came back before.
class JobHandle {
  public:
    JobHandle() = default;
    explicit JobHandle(std::shared_ptr<const AbortSwitch> cancel) : cancel_(std::move(cancel)) {}
    void Cancel() const {
        if (cancel_) cancel_->Trip();
    }

  private:
    std::shared_ptr<const AbortSwitch> cancel_;
};

// The queue's two lanes. Each runs its jobs one after another in the order
// they were given; the two run side by side, so a poll never waits behind a
// document that comes slowly.
enum class Lane {
    // Short exchanges the member or a timer waits for: the start-up's probe
    // and record refresh, the sign-in answer polls, the request status polls.
    kShort,
    // Transfers: the menu page, the documents and the copies, with the disk
    // work that goes with them.
    kTransfer,
};

// The program's one exchange queue: the windows' blocking exchanges (and the
// disk work that goes with them) run off the windows' thread, on one of two
// lanes; the end of each comes back to the windows' thread as a queued call,
// so the windows paint and answer clicks meanwhile. Each job gets its own
// cancel switch, which every socket, page read and wait of the job watches.
// Both lanes share one seal and one close. Where the exchanges run is the
// implementation's: a thread per lane in the program, steps the test takes
// in the tests.
class ExchangeQueue {
  public:
    // The ends run on the thread that makes the queue.
    ExchangeQueue();
    virtual ~ExchangeQueue();
    ExchangeQueue(const ExchangeQueue&) = delete;
    ExchangeQueue& operator=(const ExchangeQueue&) = delete;

    // work(cancel), or work() when it watches no cancel, runs after every
    // job given to its lane before it; its return value reaches end as a
    // JobResult, on the windows' thread, as long as owner lives: an end
    // whose owner is gone is never called (work must not use the owner: it
    // captures the values it needs). A queue that is sealed or closed still
    // takes the job, and ends it cancelled without running it.
    template <class Work, class End>
    JobHandle Run(Lane lane, const QObject* owner, Work work, End end) {
        if constexpr (std::is_invocable_v<Work&>) {
            return Run(
                lane, owner,
                [work = std::move(work)](const AbortSwitch&) mutable { return work(); },
                std::move(end));
        } else {
            using Value = std::invoke_result_t<Work&, const AbortSwitch&>;
            if constexpr (std::is_void_v<Value>) {
                return Run(
                    lane, owner,
                    [work = std::move(work)](const AbortSwitch& cancel) mutable {
                        work(cancel);
                        return std::monostate{};
                    },
                    std::move(end));
            } else {
                return Enqueue(
                    lane, owner,
                    [work = std::move(work), end](const AbortSwitch& cancel) mutable -> Ending {
                        // An end runs once: the value moves into it, so a
                        // large one (a menu page) is not copied on the way.
                        return [end, value = work(cancel)](JobEnd how) mutable {
                            end(JobResult<Value>{how, std::move(value)});
                        };
                    },
                    [end](JobEnd how) {
                        end(JobResult<Value>{how, std::nullopt});
                    });
            }
        }
    }
    template <class Work>
    JobHandle Run(Lane lane, const QObject* owner, Work work) {
        return Run(lane, owner, std::move(work), [](const auto&) {});
    }
    // From within a work: news runs on the windows' thread, before the
    // work's end, while its job is wanted: news of a job cancelled (by its
    // owner, a seal or the close) or whose owner is gone is dropped.
    void Report(std::function<void()> news);
    // From within the work whose cancel switch is sealing, before it removes
    // the data folder: every job not yet started, and every one given later,
    // ends cancelled without running, and the job the other lane runs is
    // cancelled and waited for (up to kSealWait), so nothing writes into the
    // folder again. False when that job did not end in time.
    static constexpr std::chrono::seconds kSealWait{10};
    bool Seal(const AbortSwitch& sealing);
    // The program ends: sealed, the running job cancelled, and every end
    // still to come says cancelled.
    void Close();
    // Closes, then waits up to bound for the running job, whose parts the
    // owner is about to destroy; false when it is still running.
    bool Stop(std::chrono::milliseconds bound);

  protected:
    // Runs job off the windows' thread after every job given to its lane
    // before it.
    virtual void Start(Lane lane, std::function<void()> job) = 0;
    virtual bool WaitForRunning(std::chrono::milliseconds bound) = 0;
    // Ends and news given but not yet run, for a test that settles the queue.
    int Undelivered() const { return undelivered_; }

  private:
    // What a job leaves for the windows' thread: its end, told how it ended.
    using Ending = std::function<void(JobEnd)>;
    // The job a work runs for, on its thread: its news goes with it.
    struct Running {
        std::shared_ptr<const AbortSwitch> cancel;
        QPointer<const QObject> owner;
    };
    JobHandle Enqueue(Lane lane, const QObject* owner,
                      std::function<Ending(const AbortSwitch&)> work, Ending unrun);
    void Deliver(const Running& job, Ending ending, JobEnd how);
    // The job whose work runs on this thread.
    static thread_local const Running* tRunning;
    void Post(std::function<void()> call);

    QObject receiver_;
    // Guards the seal against a job about to start, so a job either sees
    // the seal or is a running one that Close or Seal cancels.
    std::mutex mutex_;
    // Told whenever a lane's running job ends.
    std::condition_variable laneFree_;
    bool sealed_ = false;
    std::array<std::shared_ptr<const AbortSwitch>, 2> running_;
    std::atomic<bool> closed_ = false;
    std::atomic<int> undelivered_ = 0;
};

// The program's queue: a thread of its own per lane keeps the lane's
// exchanges in order, and stays for the queue's life (a thread's name
// look-ups keep their resolver).
class ThreadExchangeQueue final : public ExchangeQueue {
  public:
    ThreadExchangeQueue();
    // The owner must have stopped the queue: a job still running would use
    // what the owner destroyed.
    ~ThreadExchangeQueue() override;

  protected:
    void Start(Lane lane, std::function<void()> job) override;
    bool WaitForRunning(std::chrono::milliseconds bound) override;

  private:
    std::array<QThreadPool, 2> lanes_;
};

}  // namespace qvestra::core
