#include "store/sinks.h"

#include <algorithm>
#include <limits>

#include "net/http_text.h"
#include "store/log.h"

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
    if (length_.Unreadable() || (expected && *expected > limits_.maxBytes)) broken_ = true;
    if (expected && !Fits(*expected)) noRoom_ = true;
}

void WholeBodySink::Chunk(const std::string& bytes) {
    if (!Wanted()) return;
    received_ += static_cast<std::int64_t>(bytes.size());
    const auto& expected = length_.Value();
    if (received_ > limits_.maxBytes) {
        broken_ = true;
        return;
    }
    if (!expected && received_ > spaceCheckedUpTo_) {
        if (!Fits(kSpaceCheckBytes)) {
            noRoom_ = true;
            return;
        }
        spaceCheckedUpTo_ = received_ + kSpaceCheckBytes;
    }
    writeFailed_ = !part_.Write(bytes);
}

bool WholeBodySink::WholeReply(const net::ExchangeResult& result) const {
    return WholeSuccess(result, length_) && result.BodyBytes > 0 && Wanted();
}

void WholeBodySink::Finish(const net::ExchangeResult& result) {
    if (WholeReply(result)) {
        stored_ = part_.Commit();
    } else {
        part_.Discard();
    }
}

DocumentSink::DocumentSink(std::filesystem::path target, StoreLimits limits,
                           std::optional<ResumePoint> from, Progress progress)
    : WholeBodySink(target, limits),
      target_(std::move(target)),
      from_(from),
      range_(std::move(from)),
      progress_(std::move(progress)),
      reply_(from_ ? Reply::kLeavePart : Reply::kWhole) {}

void DocumentSink::HeaderLine(const std::string& line) {
    WholeBodySink::HeaderLine(line);
    range_.HeaderLine(line);
}

void DocumentSink::HeaderEnd(int status) {
    reply_ = range_.Decide(status);
    if (reply_ == Reply::kRest && !Part().Continue(from_->offset)) reply_ = Reply::kStartOver;
    const std::string name = target_.filename().string();
    switch (reply_) {
        case Reply::kRest:
            qCInfo(lcStore, "%s: its part continues at byte %lld of %lld", name.c_str(),
                   static_cast<long long>(from_->offset),
                   static_cast<long long>(from_->record.total));
            // The progress window starts at the share already on disk.
            if (progress_) progress_(from_->offset, from_->record.total);
            return;
        case Reply::kStartOver:
            qCInfo(lcStore, "%s: its part cannot continue (status %d): asked for whole",
                   name.c_str(), status);
            ForgetPart(target_);
            return;
        case Reply::kLeavePart:
            return;
        case Reply::kWhole:
            break;
    }
    // Whatever part there was, this reply starts a new one, and only a
    // record of this reply may go with it.
    ForgetPart(target_);
    const auto record = range_.Record(Announced());
    if (status == 200 && record && Sound()) recorded_ = WriteResumeRecord(target_, *record);
}

bool DocumentSink::Wanted() const {
    return WholeBodySink::Wanted() && (reply_ == Reply::kWhole || reply_ == Reply::kRest);
}

void DocumentSink::Chunk(const std::string& bytes) {
    if (!Wanted()) return;
    // The rest ends at the recorded length, whether the reply announced its
    // own or not.
    const auto size = static_cast<std::int64_t>(bytes.size());
    if (reply_ == Reply::kRest && from_->offset + ReceivedBytes() + size > from_->record.total) {
        MarkBroken();
        return;
    }
    WholeBodySink::Chunk(bytes);
    if (!progress_) return;
    if (reply_ == Reply::kRest)
        progress_(from_->offset + ReceivedBytes(), from_->record.total);
    else
        progress_(ReceivedBytes(), Announced());
}

void DocumentSink::Finish(const net::ExchangeResult& result) {
    if (reply_ != Reply::kWhole && reply_ != Reply::kRest) return;
    const bool whole =
        WholeReply(result) &&
        (reply_ == Reply::kWhole || from_->offset + result.BodyBytes == from_->record.total);
    const bool continued = reply_ == Reply::kRest;
    if (whole) MarkStored(Part().Commit());
    // Ended early, or whole but not taken by the disk for sure (a failed
    // fsync): the part and its record stay for the next transfer.
    const bool resumable =
        (recorded_ || continued) && Sound() && (continued || ReceivedBytes() > 0);
    if (!Stored() && resumable) {
        qCInfo(lcStore, "%s: part kept to continue", target_.filename().c_str());
        Part().Keep();
        return;
    }
    Part().Discard();
    ForgetPart(target_);
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
