#include "viewer/find_acrobat.h"

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

FindAcrobat::FindAcrobat(WindowList& windows, TwipScale scale, Pacing pacing)
    : windows_(windows), scale_(scale), pacing_(pacing) {
    pass_.setInterval(pacing_.passInterval);
    connect(&pass_, &QTimer::timeout, this, &FindAcrobat::PassTick);
    limit_.setSingleShot(true);
    limit_.setInterval(pacing_.timeLimit);
    connect(&limit_, &QTimer::timeout, this, [this] { EndWait(false); });
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationInactive) OwnWindowsDeactivated();
                });
}

FindAcrobat::~FindAcrobat() { CloseNotice(); }

void FindAcrobat::StartViewerWatch(const QString& documentName) {
    // A document opened while an earlier wait still runs joins that wait:
    // either document's window ends it.
    if (Waiting()) {
        if (!documentNames_.contains(documentName)) documentNames_.append(documentName);
        return;
    }
    documentNames_ = QStringList{documentName};
    if (!notice_) {
        notice_ = new FrmComment(scale_);
        connect(notice_->Text3, &QLineEdit::textChanged, this, &FindAcrobat::Text3Changed);
        notice_->move(0, 0);
        notice_->show();
    } else {
        // The notice of the last document is still counting down: it stays,
        // and searches afresh as if just loaded.
        notice_->Timer2->stop();
        const QSignalBlocker quiet3(notice_->Text3);
        notice_->Text2->setText(QStringLiteral("Text2"));
        notice_->Text3->clear();
    }
    // The search that a change of Text2 starts runs from here, not from the
    // line edit's change signal, so a notice that closes during the search
    // (the member, an opener that failed) is never returned into.
    notice_->Text2->clear();
    WaitViewerWindow();
}

bool FindAcrobat::ViewerTitleProc(const TopLevelWindow& window) {
    foundTitle_ = window.title;
    return !MatchesViewerTitle(foundTitle_, documentNames_);
}

bool FindAcrobat::OnePass() {
    for (const auto& window : windows_.TopFirst())
        if (!ViewerTitleProc(window)) return true;
    return false;
}

void FindAcrobat::OwnWindowsDeactivated() {
    if (!Waiting()) return;
    foundTitle_.clear();
    EndWait(true);
}

void FindAcrobat::WaitViewerWindow() {
    foundTitle_.clear();
    if (OnePass()) {
        EndWait(true);
        return;
    }
    pass_.start();
    limit_.start();
}

void FindAcrobat::PassTick() {
    // The notice went (the member closed it, or no viewer will come): so
    // does the wait.
    if (!notice_) {
        EndWait(false);
    } else if (OnePass()) {
        EndWait(true);
    }
}

void FindAcrobat::EndWait(bool found) {
    pass_.stop();
    limit_.stop();
    if (!notice_) return;
    if (found && foundTitle_.isEmpty()) {
        // Nothing to bring forward: the viewer is in front already.
        notice_->Timer2->start();
    } else if (found) {
        notice_->Text3->setText(foundTitle_);
    } else {
        CloseNotice();
    }
}

void FindAcrobat::Text3Changed(const QString& title) {
    ActivateByTitle(windows_, title);
    if (notice_) notice_->Timer2->start();
}

void FindAcrobat::CloseNotice() {
    if (notice_) notice_->close();
    documentNames_.clear();
}

}  // namespace qvestra::viewer
