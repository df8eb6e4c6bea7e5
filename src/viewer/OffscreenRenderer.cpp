#include "viewer/OffscreenRenderer.h"

#include <QOpenGLFramebufferObject>

#include <algorithm>

#include "viewer/HeadlessGL.h"

namespace viewer {

QSurfaceFormat ViewerSurfaceFormat() {
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    return format;
}

OffscreenRenderer::OffscreenRenderer() {
    surface_.setFormat(ViewerSurfaceFormat());
    surface_.create();
    if (IsHeadlessPlatform()) {
        context_ = CreateHeadlessContext(ViewerSurfaceFormat());
    } else {
        context_ = std::make_unique<QOpenGLContext>();
        context_->setFormat(ViewerSurfaceFormat());
        if (!context_->create()) return;
    }
    if (!context_->makeCurrent(&surface_)) return;
    renderer_ = std::make_unique<GLRenderer>();
    valid_ = renderer_->Initialize();
}

OffscreenRenderer::~OffscreenRenderer() {
    if (!context_ || !context_->makeCurrent(&surface_)) return;
    renderer_.reset();
    framebuffer_.reset();
    context_->doneCurrent();
}

QImage OffscreenRenderer::Render(ViewerScene& scene, int width, int height, int supersampling) {
    const int factor = std::max(supersampling, 1);
    QImage image = Draw(scene, width * factor, height * factor);
    if (factor == 1 || image.isNull()) return image;
    return image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage OffscreenRenderer::Draw(ViewerScene& scene, int width, int height) {
    if (!valid_ || !context_->makeCurrent(&surface_)) return {};
    if (!framebuffer_ || framebuffer_->size() != QSize(width, height))
        framebuffer_ = std::make_unique<QOpenGLFramebufferObject>(
            width, height, QOpenGLFramebufferObject::CombinedDepthStencil);
    if (!framebuffer_->isValid()) return {};
    framebuffer_->bind();
    Viewport& viewport = scene.GetViewport();
    viewport.width = width;
    viewport.height = height;
    renderer_->Render(scene.GetScene(), viewport, scene.GetDevice());
    QImage image = framebuffer_->toImage();
    framebuffer_->release();
    return image;
}

}  // namespace viewer
