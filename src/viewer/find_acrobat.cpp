#include "viewer/find_acrobat.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>

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
    if (waiting_) {
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
    // line edit's change signal: the notice may close and be deleted while
    // the search's event loop runs (the member, an opener that failed), and
    // the line edit's setText would then return into a deleted widget.
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
    if (waiting_) deactivated_ = true;
}

void FindAcrobat::WaitViewerWindow() {
    foundTitle_.clear();
    waiting_ = true;
    deactivated_ = false;
    bool found = OnePass();
    if (!found) {
        QEventLoop loop;
        QTimer pass;
        pass.setInterval(pacing_.passInterval);
        QTimer limit;
        limit.setSingleShot(true);
        connect(&pass, &QTimer::timeout, &loop, [&] {
            if (!notice_) return loop.quit();
            if (deactivated_) {
                foundTitle_.clear();
                found = true;
                return loop.quit();
            }
            found = OnePass();
            if (found) loop.quit();
        });
        connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        pass.start();
        limit.start(pacing_.timeLimit);
        loop.exec();
    }
    waiting_ = false;
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
