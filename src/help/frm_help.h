#pragma once

#include <QWidget>

#include "net/service_endpoint.h"
#include "ui/twips.h"
#include "webview/web_view.h"

class QPushButton;

namespace qvestra::help {

struct FrmHelpDeps {
    net::ServiceEndpoint endpoint;
    // The page comes from the service: online, or for a member without a
    // contract yet.
    bool fromService = false;
    webview::WebViewFactory webViews;
    ui::TwipScale scale;
    // The folder of the help page shown offline: HelpFolder's answer.
    QString helpFolder;
};

// Where the help page shown offline lies: beside the program when it runs
// from the build tree, else in the data folder installed with it.
QString HelpFolder(const QString& programFolder);

// The help page, from the service or, offline, the installed copy. Closing
// deletes the window; the next opening decides the page anew.
class FrmHelp final : public QWidget {
    Q_OBJECT

  public:
    explicit FrmHelp(FrmHelpDeps deps);

    // Shows the page, centred on owner.
    void Load(const QWidget* owner);

    QPushButton* CloseButton = nullptr;
    webview::WebView* WebBrowser = nullptr;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    void SizeWebView();

    FrmHelpDeps deps_;
    ui::TwipsLayout layout_;
};

}  // namespace qvestra::help
