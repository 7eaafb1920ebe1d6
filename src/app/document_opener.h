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

// True for a file the desktop would run rather than show: a program, a
// script, a desktop entry, a Windows executable or shortcut. Judged by its
// name and its first bytes; a list from the service may name anything.
bool IsRunnableDocument(const std::filesystem::path& file);

// xdg-open, run in the given folder; its exit status is the result.
class XdgDocumentOpener final : public DocumentOpener {
  public:
    void Open(const std::filesystem::path& file, const std::filesystem::path& folder,
              Result result) override;
};

}  // namespace qvestra
