#include "net/sinks.h"

#include <system_error>

#include "net/binary_write.h"
#include "net/http_text.h"

namespace qvestra::net {

namespace {

std::filesystem::path PartFileFor(const std::filesystem::path& file) {
    return file.parent_path() / ("." + file.filename().string() + ".part");
}

bool ReplaceAtomically(const std::filesystem::path& part, const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::rename(part, file, ec);
    if (ec) std::filesystem::remove(part, ec);
    return !ec;
}

}  // namespace

WholeBodySink::WholeBodySink(std::filesystem::path answerFile)
    : answerFile_(std::move(answerFile)), partFile_(PartFileFor(answerFile_)) {}

WholeBodySink::~WholeBodySink() {
    out_.close();
    std::error_code ec;
    if (!stored_) std::filesystem::remove(partFile_, ec);
}

void WholeBodySink::HeaderLine(const std::string& line) {
    if (line.find("Content-Length:") != std::string::npos) announced_ = AnnouncedLength(line);
}

void WholeBodySink::Chunk(const std::string& bytes, std::int64_t chunkCount) {
    if (!Wanted()) return;
    // The first chunk creates the file (or empties a leftover one); the file
    // stays open for the chunks that follow instead of being reopened each time.
    if (chunkCount == 0 || !out_.is_open()) {
        out_.close();
        out_.open(partFile_, std::ios::binary | std::ios::out | std::ios::trunc);
    }
    out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    writeFailed_ = !out_;
}

void WholeBodySink::Finish(const ExchangeState& state) {
    if (out_.is_open()) {
        out_.close();
        writeFailed_ = writeFailed_ || out_.fail();
    }
    const bool success = state.StatusCode >= 200 && state.StatusCode <= 299;
    const bool ended = state.SockResult == kClosed;
    const bool whole = !announced_ || *announced_ == state.BodyBytes;
    if (success && ended && whole && state.BodyBytes > 0 && Wanted()) {
        stored_ = ReplaceAtomically(partFile_, answerFile_);
    } else {
        std::error_code ec;
        std::filesystem::remove(partFile_, ec);
    }
}

PackageSink::PackageSink(std::filesystem::path answerFile, Progress progress)
    : WholeBodySink(std::move(answerFile)), progress_(std::move(progress)) {}

void PackageSink::Chunk(const std::string& bytes, std::int64_t chunkCount) {
    WholeBodySink::Chunk(bytes, chunkCount);
    received_ += static_cast<std::int64_t>(bytes.size());
    if (progress_) progress_(received_, Announced());
}

ShortAnswerSink::ShortAnswerSink(std::filesystem::path answerFile)
    : answerFile_(std::move(answerFile)) {}

void ShortAnswerSink::Chunk(const std::string& bytes, std::int64_t) {
    if (tooLong_) return;
    body_ += bytes;
    if (body_.size() >= kLimit) {
        tooLong_ = true;
        body_.clear();
    }
}

void ShortAnswerSink::Finish(const ExchangeState&) {
    if (tooLong_ || body_.empty()) return;
    answer_ = body_;
    if (!answerFile_) return;
    const auto part = PartFileFor(*answerFile_);
    if (BinaryWrite(body_, part, 0)) {
        ReplaceAtomically(part, *answerFile_);
    } else {
        std::error_code ec;
        std::filesystem::remove(part, ec);
    }
}

}  // namespace qvestra::net
