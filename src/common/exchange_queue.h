#pragma once

#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <functional>

namespace qvestra {

// The program's one exchange queue: the windows' blocking exchanges (and the
// disk work that goes with them) run one after another, in the order they
// were given, off the windows' thread; the end of each comes back to the
// windows' thread as a queued call, so the windows paint and answer clicks
// meanwhile. Where the exchanges run is the implementation's: a thread of
// their own in the program, steps the test takes in the tests.
class ExchangeQueue {
  public:
    // The ends run on the thread that makes the queue.
    ExchangeQueue();
    virtual ~ExchangeQueue();
    ExchangeQueue(const ExchangeQueue&) = delete;
    ExchangeQueue& operator=(const ExchangeQueue&) = delete;

    // work runs after every exchange given before it; then done, if any.
    // Refused once the queue is sealed.
    void Run(std::function<void()> work, std::function<void()> done = {});
    // From within a work: news runs on the windows' thread, before the
    // work's done.
    void Report(std::function<void()> news);
    // From within a work that removed the data folder: every exchange not
    // yet started is dropped and no new one is taken, so nothing writes into
    // the folder again; the ends already on their way still come.
    void Seal();
    // The program ends: sealed, and no end or news comes any more. The
    // exchange that runs ends by the program's abort switch.
    void Close();
    bool Closed() const { return closed_; }
    // Closes, then waits for the exchange that runs: for the owner of what
    // the exchanges use, before it goes.
    void Stop();

  protected:
    // Runs job off the windows' thread after every job given before it.
    virtual void Start(std::function<void()> job) = 0;
    // Drops every job not yet started.
    virtual void DropWaiting() = 0;
    virtual void WaitForRunning() = 0;
    // Ends and news given but not yet run, for a test that settles the queue.
    int Undelivered() const { return undelivered_; }

  private:
    void Deliver(std::function<void()> call);

    QObject receiver_;
    std::atomic<bool> sealed_ = false;
    std::atomic<bool> closed_ = false;
    std::atomic<int> undelivered_ = 0;
};

// The program's queue: one thread of its own keeps the exchanges in order.
class ThreadExchangeQueue final : public ExchangeQueue {
  public:
    ThreadExchangeQueue();
    ~ThreadExchangeQueue() override;

  protected:
    void Start(std::function<void()> job) override;
    void DropWaiting() override;
    void WaitForRunning() override;

  private:
    QThreadPool pool_;
};

}  // namespace qvestra
