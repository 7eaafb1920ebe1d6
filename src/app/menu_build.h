#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "content/content_list.h"
#include "net/service_endpoint.h"
#include "net/socket.h"
#include "net/url_reader.h"
#include "store/data_folder.h"
#include "ui/twips.h"

namespace qvestra {

class ContentPanels;
namespace core {
class ExchangeQueue;
}
namespace documents {
class FrmCond;
class ProgressWindow;
struct DownloadOutcome;
}  // namespace documents

struct MenuBuildDeps {
    // The window the build's exchanges report to: once it is gone their
    // ends are not called.
    const QObject* owner;
    net::ServiceEndpoint endpoint;
    store::DataFolder dataFolder;
    net::SocketFactory& sockets;
    net::UrlReader& urls;
    core::ExchangeQueue& exchanges;
    ui::TwipScale scale;
    // A document download shows a fresh progress window.
    std::function<void(documents::FrmCond&)> progressShown;
    // The build's documents are there (or failed): the panel may show.
    std::function<void()> finished;
};

// What a build reads: the page's address, whose list it is, and whether
// the pages are copied for the offline start afterwards.
struct MenuSource {
    std::string address;
    QString memberId;
    bool mirror = false;
};

// The menu page as read, and its list: the documents it names are those the
// member may have.
struct ParsedMenuPage {
    QString text;
    bool whole = false;
    content::ContentList content;
};
// Decodes and parses a page read off the window's thread: a page may take
// up to 16 MiB.
ParsedMenuPage ParseMenuPage(const net::PageRead& read, const QString& memberId);

// The menu build: reads the member's page, hands its list to the panels,
// fetches the documents the data folder lacks, one after another in list
// order, each with its progress window, and then mirrors the pages. Every
// step runs on the exchange queue; the window goes on meanwhile.
class MenuBuild {
  public:
    // A build asked for while one runs runs once after it, from the source
    // asked for last: neither nested nor lost.
    enum class State { kIdle, kRunning, kRunningThenAgain };

    MenuBuild(MenuBuildDeps deps, ContentPanels& panels);
    ~MenuBuild();

    void Request(MenuSource source);
    State Current() const { return state_; }

    // What became of a document fetched.
    using Fetched = std::function<void(const documents::DownloadOutcome&)>;
    // The member asked for a document that is not there: it is fetched at
    // once on the transfers' lane (after what runs there), with its
    // progress window. Asked for again while it comes, nothing more happens.
    void Fetch(const QString& documentFile, const QString& title, Fetched fetched);

  private:
    void Start(MenuSource source);
    void LoadMenuPage(const MenuSource& source, const ParsedMenuPage& page);
    void DownloadPackage(const QString& documentFile, const QString& title, Fetched fetched = {});
    void ShowProgress(const QString& title, std::int64_t received,
                      std::optional<std::int64_t> announced);
    void Finish(const MenuSource& source, const QString& wholePage);
    void End();

    MenuBuildDeps deps_;
    ContentPanels& panels_;
    State state_ = State::kIdle;
    MenuSource again_;
    // The progress window of the download that runs.
    std::unique_ptr<documents::ProgressWindow> progress_;
    // The documents the member asked for that are on their way.
    std::set<QString> fetching_;
};

}  // namespace qvestra
