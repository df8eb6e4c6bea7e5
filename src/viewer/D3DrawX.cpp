#include "viewer/D3DrawX.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

#include "viewer/OffscreenRenderer.h"

namespace viewer {

TD3DrawX::TD3DrawX(QWidget* parent) : QOpenGLWidget(parent) {
    setFormat(ViewerSurfaceFormat());
    setFocusPolicy(Qt::NoFocus);
}

TD3DrawX::~TD3DrawX() {
    if (!renderer_) return;
    makeCurrent();
    renderer_.reset();
    doneCurrent();
}

std::int32_t TD3DrawX::LoadXFromStream(base::MemoryStream& stream) {
    if (stream.Size() == 0) return 0;
    const std::int32_t result = scene_.LoadXFromStream(stream);
    if (result != 0) return result;
    Redraw();
    return 0;
}

// The picture is drawn in the next paint of the widget, which Qt makes once the
// window is on the screen: a drawing swapped into a window not yet mapped can
// wait forever on some X servers, and requests that come faster than pictures
// can be drawn (mouse moves over a large model) are drawn once.
void TD3DrawX::Redraw() { update(); }

void TD3DrawX::initializeGL() {
    auto renderer = std::make_unique<GLRenderer>();
    if (renderer->Initialize()) renderer_ = std::move(renderer);
}

void TD3DrawX::paintGL() {
    if (!renderer_) return;
    Viewport& viewport = scene_.GetViewport();
    const qreal ratio = devicePixelRatioF();
    viewport.width = static_cast<int>(width() * ratio);
    viewport.height = static_cast<int>(height() * ratio);
    renderer_->Render(scene_.GetScene(), viewport, scene_.GetDevice());
}

void TD3DrawX::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) OnMouseDown(event->button(), event->position().toPoint().x(), event->position().toPoint().y());
}

void TD3DrawX::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) OnMouseMove(event->button(), event->position().toPoint().x(), event->position().toPoint().y());
}

void TD3DrawX::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp) OnMouseUp(event->button(), event->position().toPoint().x(), event->position().toPoint().y());
}

void TD3DrawX::contextMenuEvent(QContextMenuEvent* event) {
    if (PopupMenu) PopupMenu->popup(event->globalPos());
}

}  // namespace viewer
