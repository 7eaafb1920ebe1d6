#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace qvestra::net {

// Bytes received but not yet handed out, cut into lines or chunks. Where the
// bytes come from is the caller's business: a socket, or a test that decides
// how the stream is split into reads.
class ReceiveBuffer {
  public:
    // Appends at least one byte to the buffer and returns kOk, or returns
    // why nothing more can come (kClosed once the peer has ended).
    using Fill = std::function<int(std::string& buffer)>;

    // A line longer than this, line end excluded, ends the read with
    // kLineTooLong however the bytes were split into reads, instead of
    // letting a broken server grow the buffer without bound.
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;
    static constexpr std::size_t kReadChunkBytes = 256 * 1024;

    // Next line without its line end (LF, or CR LF). The last line of a
    // stream need not end in a line break.
    int ReadLine(const Fill& fill, std::string& line);
    // What is buffered, at most kReadChunkBytes; fills first when empty.
    int Read(const Fill& fill, std::string& bytes);
    void Clear() { buffer_.clear(); }
    bool Empty() const { return buffer_.empty(); }

  private:
    std::string buffer_;
};

}  // namespace qvestra::net
