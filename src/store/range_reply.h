#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/http_text.h"
#include "store/resume_record.h"

namespace qvestra::store {

// What a document's reply is to the part an earlier transfer left (from),
// by HTTP's range rules, from its status and header alone. Asked for from a
// part, only a 206 that repeats the recorded validator, starts at the
// part's end and names the recorded length continues it; a 200 replaces it
// from its first byte; a range answered otherwise (another version, none, a
// 416) means the part cannot be continued; any other reply leaves it for
// the next try. A reply that says it is a range is never a whole document.
class RangeReply {
  public:
    enum class Kind { kWhole, kRest, kLeavePart, kStartOver };

    explicit RangeReply(std::optional<ResumePoint> from) : from_(std::move(from)) {}

    void HeaderLine(std::string_view line);
    Kind Decide(int status) const;
    // What a whole reply's part is recorded with (see ResumeValidator), for
    // the length it announced.
    std::optional<ResumeRecord> Record(std::optional<std::int64_t> length) const;

  private:
    std::optional<ResumePoint> from_;
    std::optional<net::ContentRange> range_;
    // The reply said it is a range, readable or not.
    bool ranged_ = false;
    std::string etag_;
    std::string lastModified_;
    // The reply's own Date, which tells whether Last-Modified is strong.
    std::string date_;
};

}  // namespace qvestra::store
