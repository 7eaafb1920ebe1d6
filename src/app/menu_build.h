#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/program_state.h"
#include "common/twips.h"
#include "net/service_endpoint.h"
#include "net/socket.h"
#include "net/url_reader.h"
#include "store/data_folder.h"

namespace qvestra {

class ContentPanels;
class ExchangeQueue;
namespace mirror {
class FrmCond;
class ProgressWindow;
}  // namespace mirror

struct MenuBuildDeps {
    net::ServiceEndpoint endpoint;
    store::DataFolder dataFolder;
    net::SocketFactory& sockets;
    net::UrlReader& urls;
    ExchangeQueue& exchanges;
    const ProgramState& program;
    TwipScale scale;
    // A document download shows a fresh progress window.
    std::function<void(mirror::FrmCond&)> progressShown;
    // The build's documents are there (or failed): the panel may show.
    std::function<void()> finished;
};

// What a build reads: the page's address, whose list it is, and the Host
// line of the build's own exchanges.
struct MenuSource {
    std::string address;
    QString memberId;
    std::string hostHeader;
};

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

  private:
    void Start(MenuSource source);
    void LoadMenuPage(const MenuSource& source, const net::PageRead& page);
    void DownloadPackage(const QString& documentFile, const QString& title,
                         const std::string& hostHeader);
    void ShowProgress(const QString& title, std::int64_t received,
                      std::optional<std::int64_t> announced);
    void Finish(const MenuSource& source, const QString& pageText, bool pageWhole);

    MenuBuildDeps deps_;
    ContentPanels& panels_;
    State state_ = State::kIdle;
    MenuSource again_;
    // The progress window of the download that runs.
    std::unique_ptr<mirror::ProgressWindow> progress_;
};

}  // namespace qvestra
