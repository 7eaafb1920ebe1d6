#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "net/plain_get.h"

namespace qvestra::net {

// The body goes to a file, and only a whole body of a successful reply
// does: the status is 2xx, the server ended the reply (no time-out, no
// reset) and, when the header announced a length, exactly that many bytes
// came. The body is written beside the answer file under a temporary name and
// renamed over it at the end, so the answer file is never seen half-written
// and an error page or a broken transfer never replaces a good copy.
class WholeBodySink : public BodySink {
  public:
    explicit WholeBodySink(std::filesystem::path answerFile);
    ~WholeBodySink() override;

    void HeaderLine(const std::string& line) override;
    void Chunk(const std::string& bytes, std::int64_t chunkCount) override;
    bool Wanted() const override { return !writeFailed_ && !cancelled_; }
    void Finish(const ExchangeState& state) override;

    bool Stored() const { return stored_; }
    std::optional<std::int64_t> Announced() const { return announced_; }
    // Stops the transfer at the next chunk; nothing is stored.
    void Cancel() { cancelled_ = true; }

  private:
    std::filesystem::path answerFile_;
    std::filesystem::path partFile_;
    std::ofstream out_;
    std::optional<std::int64_t> announced_;
    bool writeFailed_ = false;
    bool cancelled_ = false;
    bool stored_ = false;
};

// Whole body plus a progress report after every chunk.
class PackageSink final : public WholeBodySink {
  public:
    // received bytes so far, announced length if the header gave one.
    using Progress = std::function<void(std::int64_t, std::optional<std::int64_t>)>;

    PackageSink(std::filesystem::path answerFile, Progress progress);

    void Chunk(const std::string& bytes, std::int64_t chunkCount) override;

  private:
    Progress progress_;
    std::int64_t received_ = 0;
};

// A short answer is a body of 1 to 99 bytes; anything else counts as no
// answer. When an answer file is given it then holds exactly the body.
class ShortAnswerSink final : public BodySink {
  public:
    static constexpr std::size_t kLimit = 100;

    ShortAnswerSink() = default;
    explicit ShortAnswerSink(std::filesystem::path answerFile);

    void Chunk(const std::string& bytes, std::int64_t chunkCount) override;
    void Finish(const ExchangeState& state) override;

    const std::optional<std::string>& Answer() const { return answer_; }

  private:
    std::optional<std::filesystem::path> answerFile_;
    std::string body_;
    bool tooLong_ = false;
    std::optional<std::string> answer_;
};

}  // namespace qvestra::net
