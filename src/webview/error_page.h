#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace qvestra::webview {

// Why a page the window was to show could not be shown.
enum class LoadFailure {
    kNoConnection,  // the service could not be reached
    kUnverified,    // the service's certificate could not be verified
    kServiceError,  // the service answered with an error status
    kNotThere,      // a local page is not on this computer
};

// The program's own page in its place, Japanese and calm, in the look of
// the program's windows: what failed and what the member can do. A page of
// the service gets a link that tries it again (a local page runs no script:
// the link is an ordinary one). status: the service's error status, if any.
QByteArray ErrorPage(LoadFailure failure, const QUrl& page, bool retry, int status = 0);

}  // namespace qvestra::webview
