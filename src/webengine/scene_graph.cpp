#include "webengine/scene_graph.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>

namespace qvestra::webengine {

bool IsSoftwareRasterizer(const QByteArray& renderer) {
    for (const char* name :
         {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "SwiftShader"})
        if (renderer.contains(name)) return true;
    return false;
}

namespace {

// The renderer of the OpenGL the views would get, read from the context the
// application shares with them (its driver is loaded already); empty when
// there is none.
QByteArray OpenGlRenderer() {
    QOpenGLContext* context = QOpenGLContext::globalShareContext();
    QOffscreenSurface surface;
    surface.create();
    if (context == nullptr || !context->makeCurrent(&surface)) return {};
    const QByteArray renderer(
        reinterpret_cast<const char*>(context->functions()->glGetString(GL_RENDERER)));
    context->doneCurrent();
    return renderer;
}

}  // namespace

void PreferSoftwareSceneGraphWithoutGpu() {
    if (qEnvironmentVariableIsSet("QT_QUICK_BACKEND")) return;
    if (IsSoftwareRasterizer(OpenGlRenderer()))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

}  // namespace qvestra::webengine
