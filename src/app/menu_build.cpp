#include "app/menu_build.h"

#include "app/content_panels.h"
#include "content/content_list.h"
#include "core/cp932.h"
#include "core/exchange_queue.h"
#include "documents/download.h"
#include "mirror/mirror.h"

namespace qvestra {

MenuBuild::MenuBuild(MenuBuildDeps deps, ContentPanels& panels)
    : deps_(std::move(deps)), panels_(panels) {}

MenuBuild::~MenuBuild() = default;

void MenuBuild::Request(MenuSource source) {
    if (state_ == State::kIdle) {
        Start(std::move(source));
        return;
    }
    again_ = std::move(source);
    state_ = State::kRunningThenAgain;
}

void MenuBuild::Start(MenuSource source) {
    state_ = State::kRunning;
    deps_.exchanges.Run(
        core::Lane::kTransfer, deps_.owner,
        [urls = &deps_.urls, source](const core::AbortSwitch& cancel) {
            return ParseMenuPage(urls->ReadAll(source.address, cancel), source.memberId);
        },
        [this, source](const core::JobResult<ParsedMenuPage>& result) {
            if (result.Done())
                LoadMenuPage(source, *result.value);
            else
                End();
        });
}

ParsedMenuPage ParseMenuPage(const net::PageRead& read, const QString& memberId) {
    ParsedMenuPage page;
    // Decoded in one piece so no double-byte character is split.
    page.text = core::DecodeCp932(
        QByteArrayView(read.bytes.data(), static_cast<qsizetype>(read.bytes.size())));
    page.whole = read.whole;
    page.content = content::ParseContentList(page.text);
    // A list may name anything; the program's own files are no documents.
    for (content::ContentEntry& entry : page.content.entries) {
        if (entry.documentFile && !store::IsDocumentName(entry.documentFile->mid(1).toStdString(),
                                                         memberId.toStdString()))
            entry.documentFile.reset();
    }
    return page;
}

void MenuBuild::LoadMenuPage(const MenuSource& source, const ParsedMenuPage& page) {
    panels_.Show(page.content);
    // An earlier run that ended mid-download left its part files behind;
    // those of documents still listed are continued.
    std::set<std::string> listed;
    for (const content::ContentEntry& entry : panels_.Content().entries)
        if (entry.documentFile) listed.insert(entry.documentFile->mid(1).toStdString());
    deps_.exchanges.Run(core::Lane::kTransfer, deps_.owner,
                        [folder = deps_.dataFolder, listed] { folder.RemovePartFiles(listed); });
    for (const content::ContentEntry& entry : panels_.Content().entries)
        if (entry.documentFile) DownloadPackage(*entry.documentFile, entry.title);
    deps_.exchanges.Run(
        core::Lane::kTransfer, deps_.owner, [] {},
        [this, source,
         text = page.whole ? page.text : QString()](const core::JobResult<std::monostate>& result) {
            if (result.Done())
                Finish(source, text);
            else
                End();
        });
}

void MenuBuild::DownloadPackage(const QString& documentFile, const QString& title,
                                Fetched fetched) {
    deps_.exchanges.Run(
        core::Lane::kTransfer, deps_.owner,
        [this, sockets = &deps_.sockets, exchanges = &deps_.exchanges, endpoint = deps_.endpoint,
         folder = deps_.dataFolder, documentFile, title](const core::AbortSwitch& cancel) {
            const auto file = folder.Root() / documentFile.mid(1).toStdString();
            std::error_code ec;
            if (std::filesystem::exists(file, ec)) return documents::DownloadOutcome{true};
            const auto socket = sockets->Create(cancel);
            return documents::FetchDocument(
                {*socket, endpoint}, folder, documentFile, {},
                [this, exchanges, title](std::int64_t received,
                                         std::optional<std::int64_t> announced) {
                    // The news runs on the window's thread, while the window lives.
                    exchanges->Report([this, title, received, announced] {
                        ShowProgress(title, received, announced);
                    });
                });
        },
        [this,
         fetched = std::move(fetched)](const core::JobResult<documents::DownloadOutcome>& result) {
            progress_.reset();
            if (fetched && result.end != core::JobEnd::kCancelled)
                fetched(result.value.value_or(documents::DownloadOutcome{}));
        });
}

void MenuBuild::Fetch(const QString& documentFile, const QString& title, Fetched fetched) {
    // A second click while the first one's download runs adds nothing.
    if (!fetching_.insert(documentFile).second) return;
    DownloadPackage(documentFile, title,
                    [this, documentFile, fetched](const documents::DownloadOutcome& outcome) {
                        fetching_.erase(documentFile);
                        fetched(outcome);
                    });
}

void MenuBuild::ShowProgress(const QString& title, std::int64_t received,
                             std::optional<std::int64_t> announced) {
    if (!progress_)
        progress_ =
            std::make_unique<documents::ProgressWindow>(deps_.scale, title, deps_.progressShown);
    progress_->Report(received, announced);
}

// wholePage: the page's text when it arrived whole, else empty.
void MenuBuild::Finish(const MenuSource& source, const QString& wholePage) {
    panels_.FitGroupPanel();
    deps_.finished();
    // The member does not wait for the copies: they take their own
    // connection, after every exchange asked for before them. Only a page
    // that arrived whole may become the offline copy.
    if (source.mirror)
        deps_.exchanges.Run(
            core::Lane::kTransfer, deps_.owner,
            [sockets = &deps_.sockets, endpoint = deps_.endpoint, folder = deps_.dataFolder, source,
             wholePage](const core::AbortSwitch& cancel) {
                const auto socket = sockets->Create(cancel);
                mirror::MirrorPages({*socket, endpoint}, folder, source.memberId, wholePage);
            });
    End();
}

// A build that was cancelled or failed ends as one that finished: a build
// asked for meanwhile still runs.
void MenuBuild::End() {
    const bool again = state_ == State::kRunningThenAgain;
    state_ = State::kIdle;
    if (again) Start(std::exchange(again_, {}));
}

}  // namespace qvestra
