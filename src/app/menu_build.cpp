#include "app/menu_build.h"

#include "app/content_panels.h"
#include "common/cp932.h"
#include "common/exchange_queue.h"
#include "content/content_list.h"
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
    auto page = std::make_shared<net::PageRead>();
    deps_.exchanges.Run(
        [this, page, address = source.address] { *page = deps_.urls.ReadAll(address); },
        [this, page, source] { LoadMenuPage(source, *page); });
}

void MenuBuild::LoadMenuPage(const MenuSource& source, const net::PageRead& page) {
    // Decoded in one piece so no double-byte character is split.
    const QString text =
        DecodeCp932(QByteArrayView(page.bytes.data(), static_cast<qsizetype>(page.bytes.size())));
    ContentList content = ParseContentList(text);
    // A list may name anything; the program's own files are no documents.
    for (ContentEntry& entry : content.entries) {
        if (entry.documentFile && !store::IsDocumentName(entry.documentFile->mid(1).toStdString(),
                                                         source.memberId.toStdString()))
            entry.documentFile.reset();
    }
    panels_.Show(std::move(content));
    // A run that was killed mid-download left its temporary files behind.
    deps_.exchanges.Run([folder = deps_.dataFolder] { folder.RemovePartFiles(); });
    for (const ContentEntry& entry : panels_.Content().entries)
        if (entry.documentFile)
            DownloadPackage(*entry.documentFile, entry.title, source.hostHeader);
    deps_.exchanges.Run([] {},
                        [this, source, text, whole = page.whole] { Finish(source, text, whole); });
}

void MenuBuild::DownloadPackage(const QString& documentFile, const QString& title,
                                const std::string& hostHeader) {
    deps_.exchanges.Run(
        [this, documentFile, title, hostHeader] {
            const auto file = deps_.dataFolder.Root() / documentFile.mid(1).toStdString();
            std::error_code ec;
            if (std::filesystem::exists(file, ec)) return;
            net::ExchangeState state;
            const auto socket = deps_.sockets.Create();
            mirror::FetchDocument(
                {*socket, deps_.endpoint, hostHeader, state}, deps_.dataFolder, documentFile,
                {.stop = [this] { return deps_.exchanges.Closed(); }},
                [this, title](std::int64_t received, std::optional<std::int64_t> announced) {
                    deps_.exchanges.Report([this, title, received, announced] {
                        ShowProgress(title, received, announced);
                    });
                });
        },
        [this] { progress_.reset(); });
}

void MenuBuild::ShowProgress(const QString& title, std::int64_t received,
                             std::optional<std::int64_t> announced) {
    if (!progress_)
        progress_ =
            std::make_unique<mirror::ProgressWindow>(deps_.scale, title, deps_.progressShown);
    progress_->Report(received, announced);
}

void MenuBuild::Finish(const MenuSource& source, const QString& pageText, bool pageWhole) {
    panels_.FitGroupPanel();
    deps_.finished();
    // The member does not wait for the copies: they take their own
    // connection, after every exchange asked for before them. Only a page
    // that arrived whole may become the offline copy.
    if (deps_.program.OnlineMode && !deps_.program.NotContracted)
        deps_.exchanges.Run([this, source, page = pageWhole ? pageText : QString()] {
            net::ExchangeState state;
            const auto socket = deps_.sockets.Create();
            mirror::MirrorPages({*socket, deps_.endpoint, source.hostHeader, state},
                                deps_.dataFolder, source.memberId, page);
        });
    const bool again = state_ == State::kRunningThenAgain;
    state_ = State::kIdle;
    if (again) Start(std::exchange(again_, {}));
}

}  // namespace qvestra
