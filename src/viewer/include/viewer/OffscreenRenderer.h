#pragma once
// Renders the viewer's scene without a window, into an image: for thumbnails,
// picture tests and benchmarks. Needs a QGuiApplication with OpenGL 3.3 core:
// an X server, virtual or not, or the headless platform (HeadlessGL.h).
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>

#include <memory>

#include "viewer/GLRenderer.h"
#include "viewer/ViewerScene.h"

class QOpenGLFramebufferObject;

namespace viewer {

class OffscreenRenderer {
public:
    OffscreenRenderer();
    ~OffscreenRenderer();
    OffscreenRenderer(const OffscreenRenderer&) = delete;
    OffscreenRenderer& operator=(const OffscreenRenderer&) = delete;

    // False when no OpenGL 3.3 core context could be made.
    bool IsValid() const { return valid_; }
    // The picture of the scene at the given size; a null image when not valid.
    // With a supersampling factor above 1 it is drawn that many times larger
    // in each direction and scaled down: anti-aliased.
    QImage Render(ViewerScene& scene, int width, int height, int supersampling = 1);

private:
    // The picture drawn at exactly that size.
    QImage Draw(ViewerScene& scene, int width, int height);

    QOffscreenSurface surface_;
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOpenGLFramebufferObject> framebuffer_;
    std::unique_ptr<GLRenderer> renderer_;
    bool valid_ = false;
};

// The surface format the viewer asks for: OpenGL 3.3 core with a depth buffer.
QSurfaceFormat ViewerSurfaceFormat();

}  // namespace viewer
