#include "core/log_sink.h"

#include <QDateTime>
#include <QDir>
#include <QtGlobal>
#include <cerrno>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvestra::core {

namespace {

LogSink* installed = nullptr;
QtMessageHandler previous = nullptr;

const char* LevelOf(QtMsgType type) {
    switch (type) {
        case QtDebugMsg:
            return "debug";
        case QtInfoMsg:
            return "info";
        case QtWarningMsg:
            return "warning";
        case QtCriticalMsg:
            return "critical";
        case QtFatalMsg:
            return "fatal";
    }
    return "?";
}

void WriteAll(int fd, const QByteArray& bytes) {
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, static_cast<std::size_t>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        at += n;
        left -= n;
    }
}

// Appends the lines to the file, starting it anew (the old one kept as
// ".1") whenever the next line would grow it past its bound, however many
// lines came at once; a line longer than the bound is cut to it. Never
// follows a link.
void AppendToFile(const std::filesystem::path& file, const QStringList& lines) {
    int fd = -1;
    std::int64_t size = 0;
    for (const QString& line : lines) {
        const QByteArray bytes = (line + u'\n').toUtf8().left(LogSink::kFileBytes);
        if (fd < 0 || size + bytes.size() > LogSink::kFileBytes) {
            if (fd >= 0) ::close(fd);
            struct stat info {};
            if (::lstat(file.c_str(), &info) == 0 &&
                info.st_size + bytes.size() > LogSink::kFileBytes)
                ::rename(file.c_str(), (file.string() + ".1").c_str());
            fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (fd < 0) return;
            size = ::fstat(fd, &info) == 0 ? info.st_size : 0;
        }
        WriteAll(fd, bytes);
        size += bytes.size();
    }
    if (fd >= 0) ::close(fd);
}

}  // namespace

LogSink::LogSink(std::filesystem::path folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    struct stat info {};
    // Only a folder of the member's own takes the log.
    if (::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == ::geteuid()) {
        ::chmod(folder.c_str(), 0700);
        file_ = folder / "qvestra.log";
        writer_ = std::thread([this] { Write(); });
    }
    installed = this;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (previous) previous(type, context, text);
            if (installed == nullptr) return;
            installed->Take(
                QStringLiteral("%1 %2 %3: %4")
                    .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs),
                         QString::fromLatin1(context.category ? context.category : "default"),
                         QString::fromLatin1(LevelOf(type)), text));
        });
}

LogSink::~LogSink() {
    qInstallMessageHandler(previous);
    installed = nullptr;
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    if (writer_.joinable()) writer_.join();
}

std::filesystem::path LogSink::DefaultFolder() {
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    const std::filesystem::path base =
        state.startsWith('/')
            ? std::filesystem::path(state.toStdString())
            : std::filesystem::path(QDir::homePath().toStdString()) / ".local/state";
    return base / "qvestra";
}

void LogSink::Take(const QString& line) {
    {
        const std::lock_guard lock(mutex_);
        recent_.push_back(line);
        if (recent_.size() > static_cast<std::size_t>(kRecentLines)) recent_.pop_front();
        if (!file_.empty()) pending_ << line;
    }
    wake_.notify_all();
}

QStringList LogSink::Recent() const {
    const std::lock_guard lock(mutex_);
    return {recent_.begin(), recent_.end()};
}

void LogSink::Flush() {
    std::unique_lock lock(mutex_);
    written_.wait_for(lock, std::chrono::seconds(10),
                      [this] { return file_.empty() || (pending_.isEmpty() && !writing_); });
}

void LogSink::Write() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return ending_ || !pending_.isEmpty(); });
        if (pending_.isEmpty() && ending_) return;
        const QStringList lines = std::exchange(pending_, {});
        writing_ = true;
        lock.unlock();
        AppendToFile(file_, lines);
        lock.lock();
        writing_ = false;
        written_.notify_all();
    }
}

}  // namespace qvestra::core
