#pragma once

#include <QWidget>
#include <functional>

#include "net/service_endpoint.h"
#include "net/socket.h"
#include "store/data_folder.h"
#include "ui/twips.h"
#include "webview/web_view.h"

class QTimer;

namespace qvestra::core {
class ExchangeQueue;
}
namespace qvestra::ui {
class MessageBoxes;
}

namespace qvestra::signin {

struct FrmLoginDeps {
    net::ServiceEndpoint endpoint;
    store::DataFolder dataFolder;
    net::SocketFactory& sockets;
    // The program's exchange queue, where the polls run.
    core::ExchangeQueue& exchanges;
    webview::WebViewFactory webViews;
    ui::MessageBoxes& messages;
    ui::TwipScale scale;
    QString pcName;
    // The time of day as text, "14-05-07".
    std::function<QString()> timeOfDay;
    // Runs the main window's start-up afresh once a member is known.
    std::function<void()> handOver;
    std::function<void()> endProgram;
};

// The sign-in window: the service's sign-in page, and a poll every three
// seconds for the answer that names the member.
class FrmLogin final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kPollIntervalMs = 3000;

    explicit FrmLogin(FrmLoginDeps deps);

    void Load();
    // One poll of the answer file, on the exchange queue; its answer starts
    // the poll timer again or ends the sign-in.
    void PollSignIn();

    webview::WebView* WebBrowser() const { return webBrowser_; }
    QTimer* PollTimer() const { return pollTimer_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    enum class Answer;
    void TakeAnswer(Answer answer);
    void SizeWebView();
    void PollTick();
    // Closes the window, the main window taking over.
    void HandOver();
    // Tells the member why and ends the program.
    void EndWith(const QString& message);

    FrmLoginDeps deps_;
    ui::TwipsLayout layout_;
    webview::WebView* webBrowser_ = nullptr;
    QTimer* pollTimer_ = nullptr;
    QString loginTime_;
    // Signing in until the window hands over to the main window or the
    // program ends; after that neither a late answer nor a close counts.
    enum class State { kSigningIn, kHandedOver, kEnded };
    State state_ = State::kSigningIn;
};

}  // namespace qvestra::signin
