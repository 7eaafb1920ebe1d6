#pragma once

// Stand-ins for what the windows are handed: the message boxes, the web
// view, sockets that only connect, the page reader, the desktop's document
// opener and its window list.
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/document_opener.h"
#include "net/socket.h"
#include "net/url_reader.h"
#include "ui/message_boxes.h"
#include "viewer/window_list.h"
#include "webview/web_view.h"

namespace qvestra::testing {

// Answers every box at once, as if the member pressed OK, and keeps the texts.
class FakeMessageBoxes final : public ui::MessageBoxes {
  public:
    void Inform(QWidget*, const QString& text, std::function<void()> closed) override {
        shown.append(text);
        if (closed) closed();
    }
    // Closes without taking the step offered.
    void Offer(QWidget*, const QString& text, const QString&,
               std::function<void(bool)> answered) override {
        shown.append(text);
        answered(false);
    }
    QStringList shown;
};

// A view that records where it was sent instead of loading anything.
class FakeWebView final : public QWidget, public webview::WebView {
  public:
    FakeWebView(QWidget* parent, ui::TwipsLayout& layout) : QWidget(parent), WebView(layout) {}

    void Navigate(const QString& address) override { navigated.append(address); }
    void SetFullScreen(bool on) override { fullScreen = on; }
    QWidget* Widget() override { return this; }

    QStringList navigated;
    bool fullScreen = false;

    static WebView* Create(QWidget* parent, ui::TwipsLayout& layout) {
        return new FakeWebView(parent, layout);
    }
};

// Sockets whose Connect answers as told and counts the connections asked
// for; nothing is ever sent.
class FakeSocketFactory final : public net::SocketFactory {
  public:
    int connectResult = net::kOk;
    int connects = 0;

    std::unique_ptr<net::Socket> Create(const core::AbortSwitch&) override {
        return std::make_unique<FakeSocket>(*this);
    }

  private:
    class FakeSocket final : public net::Socket {
      public:
        explicit FakeSocket(FakeSocketFactory& owner) : owner_(owner) {}
        int Connect(const std::string&, int, int, net::TimeOut) override {
            ++owner_.connects;
            return owner_.connectResult;
        }
        int StartTls(const std::string&) override { return net::kNotConnected; }
        int Write(const std::string&) override { return net::kNotConnected; }
        int ReadLine(std::string&) override { return net::kClosed; }
        int Read(std::string&) override { return net::kClosed; }
        void Close() override {}

      private:
        FakeSocketFactory& owner_;
    };
};

// Pages by address, read whole unless their address is in `cut`; an unknown
// address reads as empty, like a failed open.
class FakeUrlReader final : public net::UrlReader {
  public:
    net::PageRead ReadAll(const std::string& address, const core::AbortSwitch&) override {
        reads.push_back(address);
        const auto it = pages.find(address);
        if (it == pages.end()) return {};
        return {it->second, !cut.contains(address)};
    }
    std::map<std::string, std::string> pages;
    std::set<std::string> cut;
    std::vector<std::string> reads;
};

// Records what it is handed; the desktop answers at once that it opens it.
class FakeDocumentOpener final : public DocumentOpener {
  public:
    void Open(const std::filesystem::path& file, const std::filesystem::path&,
              Result result) override {
        opened.push_back(file);
        QTimer::singleShot(0, [result] { result(true); });
    }
    std::vector<std::filesystem::path> opened;
};

// A desktop whose windows the test sets; activations are recorded.
class FakeWindowList final : public viewer::WindowList {
  public:
    std::vector<viewer::TopLevelWindow> TopFirst() override { return windows; }
    void Activate(std::uint64_t id) override { activated.push_back(id); }
    std::vector<viewer::TopLevelWindow> windows;
    std::vector<std::uint64_t> activated;
};

}  // namespace qvestra::testing
