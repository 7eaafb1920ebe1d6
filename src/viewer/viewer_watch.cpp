#include "viewer/viewer_watch.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QSignalBlocker>

namespace qvestra::viewer {

bool MatchesViewerTitle(const QString& title, const QStringList& documentNames) {
    if (title.isEmpty()) return false;
    for (const char* word : {"Acrobat", "Adobe", "Reader"})
        if (title.contains(QLatin1String(word), Qt::CaseSensitive)) return true;
    for (const QString& name : documentNames)
        if (!name.isEmpty() && title.contains(name, Qt::CaseSensitive)) return true;
    return false;
}

ViewerWatch::ViewerWatch(WindowList& windows, TwipScale scale, Pacing pacing)
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
        connect(notice_->Text3, &QLineEdit::textChanged, this, &ViewerWatch::Text3Changed);
        notice_->move(0, 0);
        notice_->show();
    } else {
        // The notice of the last document is still counting down: it stays,
        // and searches afresh as if just loaded.
        notice_->CloseTimer->stop();
        const QSignalBlocker quiet3(notice_->Text3);
        notice_->Text3->clear();
    }
    // The search runs from here, not from a line edit's change signal, so a
    // notice that closes during the search (the member, an opener that
    // failed) is never returned into.
    WaitViewerWindow();
}

bool ViewerWatch::ViewerTitleProc(const TopLevelWindow& window) {
    foundTitle_ = window.title;
    return !MatchesViewerTitle(foundTitle_, documentNames_);
}

bool ViewerWatch::OnePass() {
    for (const auto& window : windows_.TopFirst())
        if (!ViewerTitleProc(window)) return true;
    return false;
}

void ViewerWatch::OwnWindowsDeactivated() {
    if (!Waiting()) return;
    foundTitle_.clear();
    EndWait(true);
}

void ViewerWatch::WaitViewerWindow() {
    foundTitle_.clear();
    if (OnePass()) {
        EndWait(true);
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
    } else if (OnePass()) {
        EndWait(true);
    }
}

void ViewerWatch::EndWait(bool found) {
    pass_.stop();
    limit_.stop();
    if (!notice_) return;
    if (found && foundTitle_.isEmpty()) {
        // Nothing to bring forward: the viewer is in front already.
        notice_->CloseTimer->start();
    } else if (found) {
        notice_->Text3->setText(foundTitle_);
    } else {
        CloseNotice();
    }
}

void ViewerWatch::Text3Changed(const QString& title) {
    ActivateByTitle(windows_, title);
    if (notice_) notice_->CloseTimer->start();
}

void ViewerWatch::CloseNotice() {
    if (notice_) notice_->close();
    documentNames_.clear();
}

}  // namespace qvestra::viewer
