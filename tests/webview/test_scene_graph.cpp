// Which desktops get the software scene graph for their web views: those
// whose OpenGL runs on the CPU.
#include <QGuiApplication>
#include <QQuickWindow>
#include <QtTest>

#include "webview/scene_graph.h"

using namespace qvestra::webview;

class TestSceneGraph : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Chromium's software rasterizer as well as Mesa's (Xvfb's, below); a GPU
    // driver built with LLVM is none, and neither is a context that gave no
    // renderer.
    void softwareRasterizers_data() {
        QTest::addColumn<QByteArray>("renderer");
        QTest::addColumn<bool>("software");
        QTest::newRow("SwiftShader") << QByteArray("Google SwiftShader") << true;
        QTest::newRow("a GPU driver built with LLVM")
            << QByteArray("AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)")
            << false;
        QTest::newRow("no renderer") << QByteArray() << false;
    }
    void softwareRasterizers() {
        QFETCH(QByteArray, renderer);
        QFETCH(bool, software);
        QCOMPARE(IsSoftwareRasterizer(renderer), software);
    }

    // This test runs under Xvfb, whose OpenGL is Mesa's llvmpipe.
    void chosenUnderXvfb() {
        QCOMPARE(QQuickWindow::sceneGraphBackend(), QString());
        PreferSoftwareSceneGraphWithoutGpu();
        QCOMPARE(QQuickWindow::sceneGraphBackend(), QStringLiteral("software"));
    }
};

int main(int argc, char* argv[]) {
    // As the program does: the web engine shares the application's context.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QGuiApplication app(argc, argv);
    TestSceneGraph test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_scene_graph.moc"
