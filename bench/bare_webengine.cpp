// The reference for start-up time: a bare Qt WebEngine window that shows one
// page full screen and does nothing else.
// Usage: bare_webengine URL
#include <QApplication>
#include <QUrl>
#include <QWebEngineView>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bare_webengine URL\n");
        return 2;
    }
    QApplication app(argc, argv);
    QWebEngineView view;
    view.setWindowTitle(QStringLiteral("bare-webengine"));
    view.load(QUrl::fromUserInput(QString::fromLocal8Bit(argv[1])));
    view.showFullScreen();
    return app.exec();
}
