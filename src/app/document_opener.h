#pragma once

#include <filesystem>
#include <functional>

namespace qvestra {

// Hands a document to the application the desktop associates with its type.
class DocumentOpener {
  public:
    // Called once, from the event loop, when the opener is done: false when
    // no program could open the document (none registered, or it failed).
    using Result = std::function<void(bool opened)>;

    virtual ~DocumentOpener() = default;
    virtual void Open(const std::filesystem::path& file, const std::filesystem::path& folder,
                      Result result) = 0;
};

// True for a file that is a PDF: the marker "%PDF-" within its first 1024
// bytes, and nothing in its name or content that says another type. Only
// such a file reaches the desktop; a list from the service may name anything.
bool IsPdfDocument(const std::filesystem::path& file);

// xdg-open, run in the given folder; its exit status is the result.
class XdgDocumentOpener final : public DocumentOpener {
  public:
    void Open(const std::filesystem::path& file, const std::filesystem::path& folder,
              Result result) override;
};

}  // namespace qvestra
