#include "signin/frm_login.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "core/exchange_queue.h"
#include "net/protocol.h"
#include "signin/log.h"
#include "store/answers.h"
#include "store/sinks.h"
#include "store/user_file.h"
#include "ui/message_boxes.h"

namespace qvestra::signin {

namespace {
const QString kNotConnected = QStringLiteral("ＰＣがインターネットに接続していません！");
const QString kNoDataFolder = QStringLiteral("データフォルダ「%1」を作成できませんでした。");
const QString kNotStored = QStringLiteral(
    "会員情報を保存できませんでした。ディスクの空き容量を確認してから、もう一度起動してください。");
}  // namespace

FrmLogin::FrmLogin(FrmLoginDeps deps) : deps_(std::move(deps)), layout_(deps_.scale) {
    setWindowTitle(QStringLiteral("q_Vestra LOGIN"));
    setWindowIcon(QIcon(QStringLiteral(":/qvestra/icon.png")));
    layout_.Place(this, {0, 0, 11055, 5835});
    webBrowser_ = deps_.webViews(this, layout_);
    layout_.Place(webBrowser_->Widget(), {0, 0, 11055, 5835});
    pollTimer_ = new QTimer(this);
    pollTimer_->setInterval(kPollIntervalMs);
    connect(pollTimer_, &QTimer::timeout, this, &FrmLogin::PollTick);
    pollTimer_->start();
}

void FrmLogin::Load() {
    webBrowser_->SetFullScreen(true);
    SizeWebView();

    if (store::UserFile(deps_.dataFolder.UserFile()).KnownRecord()) {
        pollTimer_->stop();
        deps_.handOver();
        HandOver();
        return;
    }

    loginTime_ = deps_.timeOfDay();
    webBrowser_->Navigate(QString::fromStdString(net::protocol::SignInPage(
        deps_.endpoint, loginTime_.toStdString(), deps_.pcName.toStdString())));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    SizeWebView();
}

// From the window's outer size, frame included; the frame is known once the
// window shows, and a window manager may report it later still.
void FrmLogin::SizeWebView() {
    const ui::TwipScale& scale = layout_.Scale();
    webBrowser_->SetHeight(scale.ToTwips(frameGeometry().height()) - 120);
    webBrowser_->SetWidth(scale.ToTwips(frameGeometry().width()) - 50);
}

void FrmLogin::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SizeWebView();
}

void FrmLogin::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    SizeWebView();
}

// What one poll found; decided, and written, on the exchange queue.
enum class FrmLogin::Answer {
    kNotConnected,
    kNothingYet,
    kCancelled,
    kNoDataFolder,
    kNotStored,
    kSignedIn
};

void FrmLogin::PollSignIn() {
    // The window may be gone when the poll ends: the exchange holds its own
    // copies, and its end is not called then.
    deps_.exchanges.Run(
        core::Lane::kShort, this,
        [sockets = &deps_.sockets, exchanges = &deps_.exchanges, endpoint = deps_.endpoint,
         folder = deps_.dataFolder,
         request = net::protocol::SignInAnswer(deps_.endpoint, loginTime_.toStdString())](
            const core::AbortSwitch& cancel) {
            const auto answer =
                store::FetchShortAnswer(*sockets->Create(cancel), endpoint, request);
            // The member is told why once (UnverifiedNotice); a network
            // that holds connections until one signs in to it (a hotel's,
            // a café's) may let the next poll through.
            if (answer.unverified) return Answer::kNothingYet;
            if (!answer.connected) return Answer::kNotConnected;
            // Nothing yet, or not a short answer.
            if (!answer.field) return Answer::kNothingYet;
            const QString& field = *answer.field;
            if (field == u"CANCEL") {
                exchanges->Seal(cancel);
                folder.RemoveAll();
                qCWarning(lcSignin, "the sign-in was cancelled: data folder removed");
                return Answer::kCancelled;
            }
            const auto record = store::KeyedRecord(field, QStringLiteral("USERID"));
            // Not an answer that names a member: keep polling.
            if (!record) return Answer::kNothingYet;
            if (!folder.Create()) return Answer::kNoDataFolder;
            return store::UserFile(folder.UserFile()).Write(*record) ? Answer::kSignedIn
                                                                     : Answer::kNotStored;
        },
        [this](const core::JobResult<Answer>& result) {
            // Cancelled: the program is ending. A poll that failed on the
            // way asks again at the next tick.
            if (result.end != core::JobEnd::kCancelled)
                TakeAnswer(result.value.value_or(Answer::kNothingYet));
        });
}

void FrmLogin::TakeAnswer(Answer answer) {
    if (state_ != State::kSigningIn) return;
    switch (answer) {
        case Answer::kNothingYet:
            pollTimer_->start();
            return;
        case Answer::kNotConnected:
            EndWith(kNotConnected);
            return;
        case Answer::kCancelled:
            // Nothing else is shown after a cancelled sign-in: the program
            // ends instead of lingering with no window.
            state_ = State::kEnded;
            close();
            deps_.endProgram();
            return;
        // Polling on could only say the same again; the member learns why
        // and the next start asks for the sign-in once more.
        case Answer::kNoDataFolder:
            EndWith(kNoDataFolder.arg(QString::fromStdString(deps_.dataFolder.Root().string())));
            return;
        case Answer::kNotStored:
            EndWith(kNotStored);
            return;
        case Answer::kSignedIn:
            HandOver();
            deps_.handOver();
            return;
    }
}

void FrmLogin::EndWith(const QString& message) {
    state_ = State::kEnded;
    deps_.messages.Inform(this, message, deps_.endProgram);
}

void FrmLogin::PollTick() {
    // A poll can take seconds; no tick may start another meanwhile. Its
    // answer starts the timer again, or ends the sign-in.
    pollTimer_->stop();
    PollSignIn();
}

void FrmLogin::HandOver() {
    state_ = State::kHandedOver;
    close();
}

// A close event comes accepted; none of the sign-in's closes is refused.
void FrmLogin::closeEvent(QCloseEvent*) {
    pollTimer_->stop();
    if (state_ != State::kSigningIn) return;
    state_ = State::kEnded;
    deps_.endProgram();
}

}  // namespace qvestra::signin
