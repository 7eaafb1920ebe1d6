#include "net/receive_buffer.h"

#include <algorithm>

#include "net/socket.h"

namespace qvestra::net {

namespace {

void DropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

}  // namespace

int ReceiveBuffer::ReadLine(const Fill& fill, std::string& line) {
    // A CR before the LF is part of the line end, so a line may span one
    // byte more than the limit.
    constexpr std::size_t kLongestWithEnd = kMaxLineBytes + 2;
    std::size_t searched = 0;
    for (;;) {
        const auto window = std::min(buffer_.size(), kLongestWithEnd);
        const auto lf = buffer_.find('\n', searched);
        if (lf != std::string::npos && lf < window) {
            line.assign(buffer_, 0, lf);
            DropCarriageReturn(line);
            buffer_.erase(0, lf + 1);
            if (line.size() <= kMaxLineBytes) return kOk;
            line.clear();
            return kLineTooLong;
        }
        if (buffer_.size() >= kLongestWithEnd) {
            buffer_.clear();
            return kLineTooLong;
        }
        searched = buffer_.size();
        const int r = fill(buffer_);
        if (r == kOk) continue;
        // Handing out an unterminated last line keeps it from turning up
        // later as body bytes.
        if (r == kClosed && !buffer_.empty()) {
            line = std::move(buffer_);
            buffer_.clear();
            DropCarriageReturn(line);
            if (line.size() <= kMaxLineBytes) return kOk;
            line.clear();
            return kLineTooLong;
        }
        return r;
    }
}

int ReceiveBuffer::Read(const Fill& fill, std::string& bytes) {
    if (buffer_.empty()) {
        const int r = fill(buffer_);
        if (r != kOk) return r;
    }
    if (buffer_.size() <= kReadChunkBytes) {
        bytes.swap(buffer_);
        buffer_.clear();
        return kOk;
    }
    bytes.assign(buffer_, 0, kReadChunkBytes);
    buffer_.erase(0, kReadChunkBytes);
    return kOk;
}

}  // namespace qvestra::net
