#pragma once

#include <QThreadPool>
#include <functional>

class QObject;

namespace qvestra {

// Runs a window's blocking exchanges one after another, in the order they
// were given, on a thread of their own, and hands the end of each back to
// the window's thread, so the window paints and answers clicks meanwhile.
// Without a thread (the tests) each runs in place, its end at once.
class BackgroundExchanges {
  public:
    // context: where the ends run; nullptr runs everything in place.
    explicit BackgroundExchanges(QObject* context);
    // Waits for the exchange that runs; the program's end has made it short.
    ~BackgroundExchanges();
    BackgroundExchanges(const BackgroundExchanges&) = delete;
    BackgroundExchanges& operator=(const BackgroundExchanges&) = delete;

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
