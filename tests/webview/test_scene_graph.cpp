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
    // A GPU driver built with LLVM is no software rasterizer.
    void softwareRasterizers() {
        for (const auto& [renderer, software] : std::vector<std::pair<QByteArray, bool>>{
                 {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
                 {"softpipe", true},
                 {"Software Rasterizer", true},
                 {"Google SwiftShader", true},
                 {"AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)", false},
                 {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
                 {"", false}})
            QVERIFY2(IsSoftwareRasterizer(renderer) == software, renderer.constData());
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
