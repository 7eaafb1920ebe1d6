#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "net/http_text.h"
#include "net/plain_get.h"
#include "store/part_file.h"
#include "store/range_reply.h"
#include "store/resume_record.h"

namespace qvestra::store {

// How much a stored body may take of the disk. A body longer than maxBytes,
// or one that would leave the disk with less than keepFreeBytes, is not
// stored: with an announced length that is known before the first byte, and
// without one the transfer stops before the disk fills.
struct StoreLimits {
    static constexpr std::int64_t kMiB = 1024 * 1024;
    static constexpr std::int64_t kDefaultKeepFree = 64 * kMiB;
    std::int64_t maxBytes = 0;
    std::int64_t keepFreeBytes = kDefaultKeepFree;
};

// The body goes to a file, and only a whole body of a successful reply
// does: the status is 2xx, the reply ended (see net::PlainGet: no
// time-out, no reset) and, when the header gave a Content-Length (in any
// letter case), exactly that many bytes came. Lengths that disagree or
// cannot be read leave nothing to check against, so such a reply is not
// stored, nor one longer than the limit. The body is written beside
// the answer file under a temporary name and renamed over it at the end, so
// the answer file is never seen half-written and an error page or a broken
// transfer never replaces a good copy.
class WholeBodySink : public net::BodySink {
  public:
    WholeBodySink(std::filesystem::path answerFile, StoreLimits limits);
    ~WholeBodySink() override;

    void HeaderLine(const std::string& line) override;
    void Chunk(const std::string& bytes) override;
    bool Wanted() const override { return !writeFailed_ && !broken_ && !noRoom_; }
    void Finish(const net::ExchangeResult& result) override;

    bool Stored() const { return stored_; }
    // The disk had no room for the body, or a write of it failed.
    bool DiskFull() const { return noRoom_ || writeFailed_; }
    // The length the header gave, which the progress window shows.
    std::optional<std::int64_t> Announced() const { return length_.Value(); }

  protected:
    PartFile& Part() { return part_; }
    // The reply came whole (see above) and every byte of it was written.
    bool WholeReply(const net::ExchangeResult& result) const;
    // Its bytes are the reply's own, as far as they go: no length broken or overrun.
    bool Sound() const { return !broken_; }
    void MarkStored(bool stored) { stored_ = stored; }
    void MarkBroken() { broken_ = true; }
    // Body bytes handed to the sink so far.
    std::int64_t ReceivedBytes() const { return received_; }

  private:
    // Whether `more` bytes still fit on the disk beside what it must keep free.
    bool Fits(std::int64_t more) const;

    PartFile part_;
    std::filesystem::path folder_;
    StoreLimits limits_;
    // Without a length, the body grows up to here before the free space is
    // looked at again.
    std::int64_t spaceCheckedUpTo_ = 0;
    // The length the stored body must have.
    net::BodyLength length_;
    std::int64_t received_ = 0;
    // The reply cannot be stored: its length is unreadable or too large, or
    // the body overran the limit or a continued document's length; or the
    // disk has no room for it.
    bool broken_ = false;
    bool noRoom_ = false;
    bool writeFailed_ = false;
    bool stored_ = false;
};

// A document: stored whole as above, or continued from the part an earlier
// transfer left (from), as the reply's RangeReply decides, and a progress
// report after every chunk. A transfer that ends early keeps its part and
// its record (the length and a validator, see ResumeValidator) when the
// reply gave both; otherwise the part goes, as a whole body's does.
class DocumentSink final : public WholeBodySink {
  public:
    // bytes of the document on disk so far, its length if known.
    using Progress = std::function<void(std::int64_t, std::optional<std::int64_t>)>;

    DocumentSink(std::filesystem::path target, StoreLimits limits, std::optional<ResumePoint> from,
                 Progress progress);

    void HeaderLine(const std::string& line) override;
    void HeaderEnd(int status) override;
    void Chunk(const std::string& bytes) override;
    bool Wanted() const override;
    void Finish(const net::ExchangeResult& result) override;

    // The part could not be continued and is gone: the document may be
    // asked for whole at once.
    bool StartOver() const { return reply_ == Reply::kStartOver; }

  private:
    using Reply = RangeReply::Kind;

    std::filesystem::path target_;
    std::optional<ResumePoint> from_;
    RangeReply range_;
    Progress progress_;
    // Asked for the rest, a reply that never gets past its header leaves the part.
    Reply reply_;
    // This reply's record is on disk.
    bool recorded_ = false;
};

// A short answer is the whole body, 1 to 99 bytes, of a successful reply
// (2xx, ended by the server, as long as its length said); anything else
// counts as no answer, so an error page or a proxy's refusal never cancels a
// contract or names a member. When an answer file is given it then holds
// exactly the body.
class ShortAnswerSink final : public net::BodySink {
  public:
    static constexpr std::size_t kLimit = 100;

    explicit ShortAnswerSink(std::optional<std::filesystem::path> answerFile = {});

    void HeaderLine(const std::string& line) override;
    void Chunk(const std::string& bytes) override;
    // Once it cannot be the answer nothing more of the body matters.
    bool Wanted() const override { return !noAnswer_; }
    void Finish(const net::ExchangeResult& result) override;

    const std::optional<std::string>& Answer() const { return answer_; }

  private:
    std::optional<std::filesystem::path> answerFile_;
    std::string body_;
    net::BodyLength length_;
    // Too long, or a length that cannot be read or disagrees.
    bool noAnswer_ = false;
    std::optional<std::string> answer_;
};

}  // namespace qvestra::store
