#include "store/range_reply.h"

namespace qvestra::store {

void RangeReply::HeaderLine(std::string_view line) {
    if (const auto range = net::HeaderValue(line, "content-range")) {
        range_ = net::ParseContentRange(*range);
        ranged_ = true;
    }
    if (const auto etag = net::HeaderValue(line, "etag")) etag_ = *etag;
    if (const auto date = net::HeaderValue(line, "last-modified")) lastModified_ = *date;
    if (const auto date = net::HeaderValue(line, "date")) date_ = *date;
}

RangeReply::Kind RangeReply::Decide(int status) const {
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
        return rest ? Kind::kRest : Kind::kStartOver;
    }
    // A part of a document is no whole one, whatever its status and length say.
    if (status == 206 || ranged_) return Kind::kLeavePart;
    if (status == 200) return Kind::kWhole;
    return from_ ? Kind::kLeavePart : Kind::kWhole;
}

std::optional<ResumeRecord> RangeReply::Record(std::optional<std::int64_t> length) const {
    if (!length) return std::nullopt;
    return ResumeRecord{*length, ResumeValidator(etag_, lastModified_, date_)};
}

}  // namespace qvestra::store
