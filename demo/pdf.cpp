#include "pdf.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace qvestra::demo {

namespace {

std::string EscapePdfText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

namespace {

constexpr std::size_t kPaddingLine = 1024;

// Everything after the header and the padding, with offsets counted from the
// start of the file.
std::string Body(const std::vector<std::string>& lines, std::uint64_t bodyStart) {
    std::string stream = "BT /F1 24 Tf 72 760 Td 30 TL\n";
    for (const auto& line : lines) stream += "(" + EscapePdfText(line) + ") Tj T*\n";
    stream += "ET\n";

    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "endstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    std::string body;
    std::vector<std::uint64_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(bodyStart + body.size());
        body += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::uint64_t xref = bodyStart + body.size();
    body += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::uint64_t offset : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010llu 00000 n \n",
                      static_cast<unsigned long long>(offset));
        body += entry;
    }
    body += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
            " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return body;
}

const std::string kHeader = "%PDF-1.4\n";

}  // namespace

std::string MakePdf(const std::vector<std::string>& lines) {
    return kHeader + Body(lines, kHeader.size());
}

LargePdf MakeLargePdf(const std::vector<std::string>& lines, std::uint64_t atLeastBytes) {
    LargePdf pdf;
    pdf.head = kHeader;
    pdf.paddingBytes = (atLeastBytes / kPaddingLine + 1) * kPaddingLine;
    pdf.tail = Body(lines, pdf.head.size() + pdf.paddingBytes);
    return pdf;
}

std::size_t LargePdf::Read(std::uint64_t offset, char* out, std::size_t length) const {
    static const std::string kLine = std::string(kPaddingLine - 1, '%') + '\n';
    std::size_t done = 0;
    while (done < length && offset < Size()) {
        std::string_view part;
        std::uint64_t at = offset;
        if (offset < head.size()) {
            part = head;
        } else if (offset < head.size() + paddingBytes) {
            part = kLine;
            at = (offset - head.size()) % kPaddingLine;
        } else {
            part = tail;
            at = offset - head.size() - paddingBytes;
        }
        const std::size_t n = std::min<std::uint64_t>(part.size() - at, length - done);
        std::memcpy(out + done, part.data() + at, n);
        done += n;
        offset += n;
    }
    return done;
}

}  // namespace qvestra::demo
