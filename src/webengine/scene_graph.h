#pragma once

#include <QByteArray>

namespace qvestra::webengine {

// Whether an OpenGL renderer string names a rasterizer that runs on the CPU
// (Mesa's llvmpipe, softpipe or swrast, SwiftShader).
bool IsSoftwareRasterizer(const QByteArray& renderer);

// The web engine paints its pages in software unless it has a GPU; handing
// those frames through an OpenGL scene graph that itself runs on the CPU
// composes every frame of the whole window twice. Where the desktop's OpenGL
// is such a rasterizer, the views' scene graph paints in software instead.
// To be called once the application exists, sharing its OpenGL contexts as
// the web engine needs (Qt::AA_ShareOpenGLContexts), and before the first web
// view; a backend chosen in the environment (QT_QUICK_BACKEND) stays.
void PreferSoftwareSceneGraphWithoutGpu();

}  // namespace qvestra::webengine
