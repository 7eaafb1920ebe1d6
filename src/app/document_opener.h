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

// True for a file that is a PDF by its name and by its content alike: a name
// ending in ".pdf" in any letter case, and the marker "%PDF-" at its first
// byte. Only such a file reaches the desktop; a list from the service may
// name anything, and a file may hold anything.
bool IsPdfDocument(const std::filesystem::path& file);

// xdg-open, run in the given folder; its exit status is the result.
class XdgDocumentOpener final : public DocumentOpener {
  public:
    void Open(const std::filesystem::path& file, const std::filesystem::path& folder,
              Result result) override;
};

}  // namespace qvestra
