// Invariant: however the reply is cut into reads, the exchange ends with the
// same result, status code, header lines, body and short answer as when the
// whole reply arrives in one read; the body count is the body's length.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "net/plain_get.h"
#include "net/receive_buffer.h"
#include "store/sinks.h"

namespace {

using namespace qvestra::net;
using namespace qvestra::store;

// A connection whose reply arrives in the given pieces, then ends.
class PieceSocket final : public Socket {
  public:
    explicit PieceSocket(std::vector<std::string> pieces) : pieces_(std::move(pieces)) {}
    int Connect(const std::string&, int, int, TimeOut) override { return kOk; }
    int StartTls(const std::string&) override { return kOk; }
    int Write(const std::string&) override { return kOk; }
    int ReadLine(std::string& line) override { return received_.ReadLine(fill_, line); }
    int Read(std::string& bytes) override { return received_.Read(fill_, bytes); }
    void Close() override {}

  private:
    std::vector<std::string> pieces_;
    std::size_t next_ = 0;
    ReceiveBuffer received_;
    ReceiveBuffer::Fill fill_ = [this](std::string& buffer) {
        if (next_ == pieces_.size()) return static_cast<int>(kClosed);
        buffer += pieces_[next_++];
        return static_cast<int>(kOk);
    };
};

class RecordingSink final : public BodySink {
  public:
    void HeaderLine(const std::string& line) override { header.push_back(line); }
    void Chunk(const std::string& bytes) override { body += bytes; }
    void Finish(const ExchangeResult&) override {}
    std::vector<std::string> header;
    std::string body;
};

struct Outcome {
    ExchangeResult result;
    RecordingSink recorded;
    std::optional<std::string> answer;
};

Outcome RunExchange(const std::vector<std::string>& pieces) {
    Outcome outcome;
    PieceSocket socket(pieces);
    outcome.result =
        PlainGet(socket, {"localhost", 80}, {"GET / HTTP/1.0\r\n\r\n", 10}, outcome.recorded);
    ShortAnswerSink answer;
    PieceSocket again(pieces);
    PlainGet(again, {"localhost", 80}, {"GET / HTTP/1.0\r\n\r\n", 10}, answer);
    outcome.answer = answer.Answer();
    return outcome;
}

void Check(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<std::size_t> cuts;
    const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(0, 64);
    for (std::size_t i = 0; i < count; ++i) cuts.push_back(input.ConsumeIntegral<std::uint16_t>());
    const std::string reply = input.ConsumeRemainingBytesAsString();

    std::vector<std::string> pieces;
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        const std::size_t length = std::min(reply.size() - at, cut % 512 + 1);
        if (length == 0) break;
        pieces.push_back(reply.substr(at, length));
        at += length;
    }
    if (at < reply.size()) pieces.push_back(reply.substr(at));

    const Outcome whole =
        RunExchange(reply.empty() ? std::vector<std::string>{} : std::vector{reply});
    const Outcome split = RunExchange(pieces);
    Check(split.result.SockResult == whole.result.SockResult);
    Check(split.result.StatusCode == whole.result.StatusCode);
    Check(split.result.BodyBytes == whole.result.BodyBytes);
    Check(split.recorded.header == whole.recorded.header);
    Check(split.recorded.body == whole.recorded.body);
    Check(split.answer == whole.answer);
    Check(whole.result.BodyBytes == static_cast<std::int64_t>(whole.recorded.body.size()));
    Check(!whole.answer || (!whole.answer->empty() && whole.answer->size() < 100));
    return 0;
}
