#include "viewer/viewer_watch.h"

#include <QGuiApplication>

namespace qvestra::viewer {

bool MatchesViewerTitle(const QString& title, const QStringList& documentNames) {
    if (title.isEmpty()) return false;
    for (const char* word : {"Acrobat", "Adobe", "Reader"})
        if (title.contains(QLatin1String(word), Qt::CaseSensitive)) return true;
    for (const QString& name : documentNames)
        if (!name.isEmpty() && title.contains(name, Qt::CaseSensitive)) return true;
    return false;
}

ViewerWatch::ViewerWatch(WindowList& windows, ui::TwipScale scale, Pacing pacing)
    : windows_(windows), scale_(scale), pacing_(pacing) {
    pass_.setInterval(pacing_.passInterval);
    connect(&pass_, &QTimer::timeout, this, &ViewerWatch::PassTick);
    limit_.setSingleShot(true);
    limit_.setInterval(pacing_.timeLimit);
    connect(&limit_, &QTimer::timeout, this, [this] { EndWait(false); });
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationInactive) OwnWindowsDeactivated();
                });
}

ViewerWatch::~ViewerWatch() { CloseNotice(); }

void ViewerWatch::StartViewerWatch(const QString& documentName) {
    // A document opened while an earlier wait still runs joins that wait:
    // either document's window ends it.
    if (Waiting()) {
        if (!documentNames_.contains(documentName)) documentNames_.append(documentName);
        return;
    }
    documentNames_ = QStringList{documentName};
    if (!notice_) {
        notice_ = new FrmComment(scale_);
        notice_->move(0, 0);
        notice_->show();
    } else {
        // The notice of the last document is still counting down: it stays,
        // and searches afresh as if just loaded.
        notice_->CloseTimer->stop();
    }
    WaitViewerWindow();
}

std::optional<std::uint64_t> ViewerWatch::OnePass() {
    for (const auto& window : windows_.TopFirst())
        if (MatchesViewerTitle(window.title, documentNames_)) return window.id;
    return std::nullopt;
}

void ViewerWatch::OwnWindowsDeactivated() {
    if (Waiting()) EndWait(true);
}

void ViewerWatch::WaitViewerWindow() {
    if (const auto window = OnePass()) {
        EndWait(true, window);
        return;
    }
    pass_.start();
    limit_.start();
}

void ViewerWatch::PassTick() {
    // The notice went (the member closed it, or no viewer will come): so
    // does the wait.
    if (!notice_) {
        EndWait(false);
    } else if (const auto window = OnePass()) {
        EndWait(true, window);
    }
}

void ViewerWatch::EndWait(bool found, std::optional<std::uint64_t> window) {
    pass_.stop();
    limit_.stop();
    if (!notice_) return;
    if (!found) {
        CloseNotice();
        return;
    }
    if (window) windows_.Activate(*window);
    if (notice_) notice_->CloseTimer->start();
}

void ViewerWatch::CloseNotice() {
    if (notice_) notice_->close();
    documentNames_.clear();
}

}  // namespace qvestra::viewer
