#include "store/sinks.h"

#include <algorithm>
#include <limits>

#include "net/http_text.h"

namespace qvestra::store {

namespace {
// Without a length the free space is looked at again after this many bytes.
constexpr std::int64_t kSpaceCheckBytes = 4 * StoreLimits::kMiB;

// A reply the service finished: a 2xx status, the connection ended by the
// server (no time-out, no reset) and, with a length, exactly that many bytes.
bool WholeSuccess(const net::ExchangeResult& result, const net::BodyLength& length) {
    const bool success = result.StatusCode >= 200 && result.StatusCode <= 299;
    const bool ended = result.SockResult == net::kClosed;
    const auto& expected = length.Value();
    return success && ended && !length.Unreadable() && (!expected || *expected == result.BodyBytes);
}

}  // namespace

WholeBodySink::WholeBodySink(std::filesystem::path answerFile, StoreLimits limits)
    : part_(answerFile), folder_(answerFile.parent_path()), limits_(limits) {}

bool WholeBodySink::Fits(std::int64_t more) const {
    std::error_code ec;
    const auto space = std::filesystem::space(folder_.empty() ? "." : folder_, ec);
    // A disk that cannot say leaves the check to the writes themselves.
    if (ec) return true;
    const auto available = static_cast<std::int64_t>(
        std::min<std::uintmax_t>(space.available, std::numeric_limits<std::int64_t>::max()));
    return more <= available - limits_.keepFreeBytes;
}

WholeBodySink::~WholeBodySink() = default;

void WholeBodySink::HeaderLine(const std::string& line) {
    length_.Take(line);
    const auto& expected = length_.Value();
    if (length_.Unreadable() || (expected && (*expected > limits_.maxBytes || !Fits(*expected))))
        unusable_ = true;
}

void WholeBodySink::Chunk(const std::string& bytes) {
    if (!Wanted()) return;
    received_ += static_cast<std::int64_t>(bytes.size());
    const auto& expected = length_.Value();
    if ((expected && received_ > *expected) || received_ > limits_.maxBytes) {
        unusable_ = true;
        return;
    }
    if (!expected && received_ > spaceCheckedUpTo_) {
        if (!Fits(kSpaceCheckBytes)) {
            unusable_ = true;
            return;
        }
        spaceCheckedUpTo_ = received_ + kSpaceCheckBytes;
    }
    writeFailed_ = !part_.Write(bytes);
}

void WholeBodySink::Finish(const net::ExchangeResult& result) {
    if (WholeSuccess(result, length_) && result.BodyBytes > 0 && Wanted()) {
        stored_ = part_.Commit();
    } else {
        part_.Discard();
    }
}

PackageSink::PackageSink(std::filesystem::path answerFile, StoreLimits limits, Progress progress)
    : WholeBodySink(std::move(answerFile), limits), progress_(std::move(progress)) {}

void PackageSink::Chunk(const std::string& bytes) {
    WholeBodySink::Chunk(bytes);
    received_ += static_cast<std::int64_t>(bytes.size());
    if (progress_) progress_(received_, Announced());
}

ShortAnswerSink::ShortAnswerSink(std::optional<std::filesystem::path> answerFile)
    : answerFile_(std::move(answerFile)) {}

void ShortAnswerSink::HeaderLine(const std::string& line) {
    length_.Take(line);
    if (length_.Unreadable()) noAnswer_ = true;
}

void ShortAnswerSink::Chunk(const std::string& bytes) {
    body_ += bytes;
    if (body_.size() >= kLimit) {
        noAnswer_ = true;
        body_.clear();
    }
}

void ShortAnswerSink::Finish(const net::ExchangeResult& result) {
    if (noAnswer_ || body_.empty() || !WholeSuccess(result, length_)) return;
    answer_ = body_;
    if (!answerFile_) return;
    PartFile file(*answerFile_);
    if (file.Write(body_)) file.Commit();
}

}  // namespace qvestra::store
