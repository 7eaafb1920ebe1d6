#pragma once

#include <QThreadPool>
#include <functional>

class QObject;

namespace qvestra {

// The program's one exchange queue: runs the windows' blocking exchanges
// (and the disk work that goes with them) one after another, in the order
// they were given, on a thread of their own, and hands the end of each back
// to the windows' thread, so the windows paint and answer clicks meanwhile.
// Without a thread (the tests) each runs in place, its end at once.
class ExchangeQueue {
  public:
    // context: where the ends run, and while it lives; nullptr runs
    // everything in place.
    explicit ExchangeQueue(QObject* context);
    // Waits for the exchange that runs; the program's end has made it short.
    ~ExchangeQueue();
    ExchangeQueue(const ExchangeQueue&) = delete;
    ExchangeQueue& operator=(const ExchangeQueue&) = delete;

    // work runs after every exchange given before it; then done, if any.
    void Run(std::function<void()> work, std::function<void()> done = {});
    // From within a work: news runs on the window's thread, before the
    // work's done.
    void Report(std::function<void()> news);

  private:
    QObject* context_;
    QThreadPool pool_;
};

}  // namespace qvestra
