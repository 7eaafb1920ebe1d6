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
      from_(std::move(from)),
      progress_(std::move(progress)),
      reply_(from_ ? Reply::kLeavePart : Reply::kWhole) {}

void DocumentSink::HeaderLine(const std::string& line) {
    WholeBodySink::HeaderLine(line);
    if (const auto range = net::HeaderValue(line, "content-range")) {
        range_ = net::ParseContentRange(*range);
        ranged_ = true;
    }
    if (const auto etag = net::HeaderValue(line, "etag")) etag_ = *etag;
    if (const auto date = net::HeaderValue(line, "last-modified")) lastModified_ = *date;
    if (const auto date = net::HeaderValue(line, "date")) date_ = *date;
}

void DocumentSink::HeaderEnd(int status) {
    if (from_ && (status == 206 || status == 416)) {
        const auto total = from_->record.total;
        const std::string& recorded = from_->record.validator;
        // Only a range that repeats the recorded version continues the part:
        // a cache on the way may ignore If-Range and answer with a range of
        // whatever it holds, naming another version or none.
        const bool sameVersion = etag_ == recorded || lastModified_ == recorded;
        const bool rest = status == 206 && sameVersion && range_ &&
                          range_->first == from_->offset && range_->last == total - 1 &&
                          range_->total == total;
        reply_ = rest && Part().Continue(from_->offset) ? Reply::kRest : Reply::kStartOver;
    } else if (status == 206 || ranged_) {
        // A part of a document is no whole one, whatever its status and
        // length say.
        reply_ = Reply::kLeavePart;
    } else if (status == 200) {
        reply_ = Reply::kWhole;
    }
    const std::string name = target_.filename().string();
    if (reply_ == Reply::kRest)
        qCInfo(lcStore, "%s: its part continues at byte %lld of %lld", name.c_str(),
               static_cast<long long>(from_->offset), static_cast<long long>(from_->record.total));
    if (reply_ == Reply::kStartOver)
        qCInfo(lcStore,
               "%s: its part cannot continue (status %d, another version or range): "
               "asked for whole",
               name.c_str(), status);
    switch (reply_) {
        case Reply::kRest:
            // The progress window starts at the share already on disk.
            if (progress_) progress_(from_->offset, from_->record.total);
            return;
        case Reply::kStartOver:
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
    const auto length = Announced();
    if (status == 200 && length && Sound())
        recorded_ =
            WriteResumeRecord(target_, {*length, ResumeValidator(etag_, lastModified_, date_)});
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
    if (whole) {
        MarkStored(Part().Commit());
    } else if ((recorded_ || continued) && Sound() && (continued || ReceivedBytes() > 0)) {
        // Ended early: the part and its record stay for the next transfer.
        qCInfo(lcStore, "%s: part kept to continue", target_.filename().c_str());
        Part().Keep();
        return;
    } else {
        Part().Discard();
    }
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
