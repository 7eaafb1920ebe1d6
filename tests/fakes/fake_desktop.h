#pragma once

#include <QStringList>
#include <QTimer>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/document_opener.h"
#include "net/url_reader.h"
#include "viewer/window_list.h"

namespace qvestra::testing {

// Pages by address; an unknown address reads as empty, like a failed open.
class FakeUrlReader final : public net::UrlReader {
  public:
    std::string ReadAll(const std::string& address) override {
        reads.push_back(address);
        const auto it = pages.find(address);
        return it == pages.end() ? std::string() : it->second;
    }
    std::map<std::string, std::string> pages;
    std::vector<std::string> reads;
};

// Records what it is handed; the desktop answers at once with `opens`.
class FakeDocumentOpener final : public DocumentOpener {
  public:
    void Open(const std::filesystem::path& file, const std::filesystem::path& folder,
              Result result) override {
        opened.push_back(file);
        folders.push_back(folder);
        QTimer::singleShot(0, [result, answer = opens] { result(answer); });
    }
    bool opens = true;
    std::vector<std::filesystem::path> opened;
    std::vector<std::filesystem::path> folders;
};

// A desktop whose windows the test sets; activations are recorded.
class FakeWindowList final : public viewer::WindowList {
  public:
    std::vector<viewer::TopLevelWindow> TopFirst() override {
        ++passes;
        return windows;
    }
    bool Activate(std::uint64_t id) override {
        activated.push_back(id);
        return true;
    }
    std::vector<viewer::TopLevelWindow> windows;
    std::vector<std::uint64_t> activated;
    int passes = 0;
};

}  // namespace qvestra::testing
