#include "mirror/mirror.h"

#include "net/protocol.h"
#include "store/sinks.h"
#include "store/user_file.h"

namespace qvestra::mirror {

namespace {

constexpr int kPageTimeoutSeconds = 120;
constexpr int kLogoTimeoutSeconds = 10;
constexpr store::StoreLimits kPageLimits{16 * store::StoreLimits::kMiB};
constexpr store::StoreLimits kLogoLimits{store::StoreLimits::kMiB};

}  // namespace

void MirrorPages(Exchange exchange, const store::DataFolder& folder, const QString& memberId,
                 const QString& menuPageText) {
    const auto page = folder.FileFor((memberId + QStringLiteral(".html")).toStdString());
    if (page) {
        // An empty text means the page did not arrive whole; the last good
        // copy is worth more than an error page or a part of one.
        if (!menuPageText.isEmpty()) store::WriteLineAtomically(*page, menuPageText);
        store::WholeBodySink sink(*page, kPageLimits);
        net::Get(exchange, net::protocol::MemberPageCopy(exchange.endpoint, memberId.toStdString()),
                 kPageTimeoutSeconds, sink);
    }

    store::WholeBodySink help(folder.Root() / "Help.html", kPageLimits);
    net::Get(exchange, net::protocol::HelpCopy(exchange.endpoint), kPageTimeoutSeconds, help);

    folder.CreateImages();
    store::WholeBodySink logo(folder.Root() / "images" / "LOGO_Movei.gif", kLogoLimits);
    net::Get(exchange, net::protocol::LogoCopy(exchange.endpoint), kLogoTimeoutSeconds, logo);
}

}  // namespace qvestra::mirror
