#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "net/plain_get.h"

namespace qvestra::net {

// The body goes to a file. It is written beside the answer file under a
// temporary name and renamed over it at the end, so the answer file is
// never seen half-written; an empty body leaves the answer file untouched.
class WholeBodySink : public BodySink {
  public:
    explicit WholeBodySink(std::filesystem::path answerFile);
    ~WholeBodySink() override;

    void Chunk(const std::string& bytes, std::int64_t chunkCount) override;
    void Finish(const ExchangeState& state) override;

    bool Stored() const { return stored_; }

  protected:
    const std::filesystem::path& AnswerFile() const { return answerFile_; }

  private:
    std::filesystem::path answerFile_;
    std::filesystem::path partFile_;
    bool writeFailed_ = false;
    bool stored_ = false;
};

// Whole body plus the announced length from the header and a progress
// report after every chunk.
class PackageSink final : public WholeBodySink {
  public:
    // received bytes so far, announced length if the header gave one.
    using Progress = std::function<void(std::int64_t, std::optional<std::int64_t>)>;

    PackageSink(std::filesystem::path answerFile, Progress progress);

    void HeaderLine(const std::string& line) override;
    void Chunk(const std::string& bytes, std::int64_t chunkCount) override;

    std::optional<std::int64_t> Announced() const { return announced_; }

  private:
    Progress progress_;
    std::optional<std::int64_t> announced_;
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
