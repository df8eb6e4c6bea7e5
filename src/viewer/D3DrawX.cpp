#include "viewer/D3DrawX.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include "viewer/OffscreenRenderer.h"
#include "widgets/HandlerGuard.h"

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
    try {
        renderer_->Render(scene_.GetScene(), viewport, scene_.GetDevice());
    } catch (const std::exception&) {
        // Nothing may unwind through Qt's painting. The model goes, so that no
        // later picture fails the same way, and the failure is told after the paint.
        for (const auto& builder : scene_.MeshBuilders) builder->Clear();
        QTimer::singleShot(0, this, widgets::Guarded([this, failure = std::current_exception()] {
            try {
                std::rethrow_exception(failure);
            } catch (const std::exception& error) {
                if (OnDrawFailed) OnDrawFailed(error);
            }
        }));
    }
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
