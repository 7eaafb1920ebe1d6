#pragma once

#include <filesystem>

namespace qvestra {

// Hands a document to the application the desktop associates with its type.
class DocumentOpener {
  public:
    virtual ~DocumentOpener() = default;
    // False when the hand-over could not even start.
    virtual bool Open(const std::filesystem::path& file, const std::filesystem::path& folder) = 0;
};

// True for a file the desktop would run rather than show: a program, a
// script, a desktop entry, a Windows executable or shortcut. Judged by its
// name and its first bytes; a list from the service may name anything.
bool IsRunnableDocument(const std::filesystem::path& file);

// xdg-open, started detached in the given folder.
class XdgDocumentOpener final : public DocumentOpener {
  public:
    bool Open(const std::filesystem::path& file, const std::filesystem::path& folder) override;
};

}  // namespace qvestra
