#include "net/receive_buffer.h"

#include "net/socket.h"

namespace qvestra::net {

namespace {

void DropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

}  // namespace

int ReceiveBuffer::ReadLine(const Fill& fill, std::string& line) {
    std::size_t searched = 0;
    for (;;) {
        const auto lf = buffer_.find('\n', searched);
        if (lf != std::string::npos) {
            line.assign(buffer_, 0, lf);
            DropCarriageReturn(line);
            buffer_.erase(0, lf + 1);
            return kOk;
        }
        if (buffer_.size() > kMaxLineBytes) {
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
            return kOk;
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
