#include "viewer/OffscreenRenderer.h"

#include <QOpenGLFramebufferObject>

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

QImage OffscreenRenderer::Render(ViewerScene& scene, int width, int height, int samples) {
    if (!valid_ || !context_->makeCurrent(&surface_)) return {};
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    format.setSamples(samples > 1 ? samples : 0);
    if (!framebuffer_ || framebuffer_->size() != QSize(width, height) || framebuffer_->format() != format)
        framebuffer_ = std::make_unique<QOpenGLFramebufferObject>(width, height, format);
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
