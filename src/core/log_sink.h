#pragma once

#include <QString>
#include <QStringList>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

namespace qvestra::core {

// Where the program's log goes: standard error, as Qt writes it (journald
// keeps it for a program started from the desktop), and a bounded file in
// the state folder, two files of at most kFileBytes each ("qvestra.log"
// and the one before it, "qvestra.log.1"), the member's alone (0600). The
// file is written on a thread of its own: no window waits on the disk. The
// last kRecentLines lines stay at hand for the diagnostics window. What is
// logged is filtered by Qt's rules (QT_LOGGING_RULES) before it gets here.
// One a program: it takes Qt's message handler while it lives.
class LogSink {
  public:
    static constexpr std::int64_t kFileBytes = 1024 * 1024;
    static constexpr int kRecentLines = 200;

    // folder: $XDG_STATE_HOME/qvestra, made (0700) if need be; the file is
    // left out when it cannot be made.
    explicit LogSink(std::filesystem::path folder);
    ~LogSink();
    LogSink(const LogSink&) = delete;
    LogSink& operator=(const LogSink&) = delete;

    // $XDG_STATE_HOME/qvestra, else ~/.local/state/qvestra.
    static std::filesystem::path DefaultFolder();

    QStringList Recent() const;
    // Waits until the lines so far are in the file; for tests and the end.
    void Flush();

  private:
    void Take(const QString& line);
    void Write();

    std::filesystem::path file_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable written_;
    std::deque<QString> recent_;
    QStringList pending_;
    bool writing_ = false;
    bool ending_ = false;
    std::thread writer_;
};

}  // namespace qvestra::core
