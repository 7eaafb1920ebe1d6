#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvestra::demo {

// A small valid one-page PDF showing the given lines (ASCII, Helvetica).
std::string MakePdf(const std::vector<std::string>& lines);

// The same document made large by comment lines after its header, in three
// parts so the padding never has to be held in memory: head, padding bytes
// (lines of '%' characters, each ending in LF), tail.
struct LargePdf {
    std::string head;
    std::uint64_t paddingBytes = 0;
    std::string tail;

    std::uint64_t Size() const { return head.size() + paddingBytes + tail.size(); }
    // Copies up to length bytes from offset into out; returns how many.
    std::size_t Read(std::uint64_t offset, char* out, std::size_t length) const;
};
LargePdf MakeLargePdf(const std::vector<std::string>& lines, std::uint64_t atLeastBytes);

}  // namespace qvestra::demo
