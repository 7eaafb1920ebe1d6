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
bool WholeSuccess(const net::ExchangeState& state, std::optional<std::int64_t> expected) {
    const bool success = state.StatusCode >= 200 && state.StatusCode <= 299;
    const bool ended = state.SockResult == net::kClosed;
    return success && ended && (!expected || *expected == state.BodyBytes);
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
    if (line.find("Content-Length:") != std::string::npos) announced_ = net::AnnouncedLength(line);
    const auto field = net::ContentLengthField(line);
    if (!field) return;
    if (!field->value || (expected_ && *expected_ != *field->value)) unusable_ = true;
    if (field->value) expected_ = field->value;
    if (expected_ && (*expected_ > limits_.maxBytes || !Fits(*expected_))) unusable_ = true;
}

void WholeBodySink::Chunk(const std::string& bytes) {
    if (!Wanted()) return;
    received_ += static_cast<std::int64_t>(bytes.size());
    if ((expected_ && received_ > *expected_) || received_ > limits_.maxBytes) {
        unusable_ = true;
        return;
    }
    if (!expected_ && received_ > spaceCheckedUpTo_) {
        if (!Fits(kSpaceCheckBytes)) {
            unusable_ = true;
            return;
        }
        spaceCheckedUpTo_ = received_ + kSpaceCheckBytes;
    }
    writeFailed_ = !part_.Write(bytes);
}

void WholeBodySink::Finish(const net::ExchangeState& state) {
    if (WholeSuccess(state, expected_) && state.BodyBytes > 0 && Wanted()) {
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

ShortAnswerSink::ShortAnswerSink(std::filesystem::path answerFile)
    : answerFile_(std::move(answerFile)) {}

void ShortAnswerSink::HeaderLine(const std::string& line) {
    const auto field = net::ContentLengthField(line);
    if (!field) return;
    if (!field->value || (expected_ && *expected_ != *field->value)) noAnswer_ = true;
    expected_ = field->value;
}

void ShortAnswerSink::Chunk(const std::string& bytes) {
    body_ += bytes;
    if (body_.size() >= kLimit) {
        noAnswer_ = true;
        body_.clear();
    }
}

void ShortAnswerSink::Finish(const net::ExchangeState& state) {
    if (noAnswer_ || body_.empty() || !WholeSuccess(state, expected_)) return;
    answer_ = body_;
    if (!answerFile_) return;
    PartFile file(*answerFile_);
    if (file.Write(body_)) file.Commit();
}

}  // namespace qvestra::store
