#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "net/http_text.h"
#include "net/plain_get.h"
#include "store/part_file.h"

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
// does: the status is 2xx, the server ended the reply (no time-out, no
// reset) and, when the header gave a Content-Length (in any letter case),
// exactly that many bytes came. Lengths that disagree or cannot be read
// leave nothing to check against, so such a reply is not stored, and a body
// that runs past its length is given up at once. The body is written beside
// the answer file under a temporary name and renamed over it at the end, so
// the answer file is never seen half-written and an error page or a broken
// transfer never replaces a good copy.
class WholeBodySink : public net::BodySink {
  public:
    WholeBodySink(std::filesystem::path answerFile, StoreLimits limits);
    ~WholeBodySink() override;

    void HeaderLine(const std::string& line) override;
    void Chunk(const std::string& bytes) override;
    bool Wanted() const override { return !writeFailed_ && !unusable_; }
    void Finish(const net::ExchangeResult& result) override;

    bool Stored() const { return stored_; }
    // The length the header gave, which the progress window shows.
    std::optional<std::int64_t> Announced() const { return length_.Value(); }

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
    // The reply cannot be stored: its length is unreadable or was overrun.
    bool unusable_ = false;
    bool writeFailed_ = false;
    bool stored_ = false;
};

// Whole body plus a progress report after every chunk.
class PackageSink final : public WholeBodySink {
  public:
    // received bytes so far, announced length if the header gave one.
    using Progress = std::function<void(std::int64_t, std::optional<std::int64_t>)>;

    PackageSink(std::filesystem::path answerFile, StoreLimits limits, Progress progress);

    void Chunk(const std::string& bytes) override;

  private:
    Progress progress_;
    std::int64_t received_ = 0;
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
