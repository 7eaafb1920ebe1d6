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

// xdg-open, started detached in the given folder.
class XdgDocumentOpener final : public DocumentOpener {
  public:
    bool Open(const std::filesystem::path& file, const std::filesystem::path& folder) override;
};

}  // namespace qvestra
