#include "app/ColorSwatch.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace app {

TColorSwatch::TColorSwatch(QWidget* parent) : QLabel(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);
    // Reachable from the keyboard as well: Space or Enter clicks it.
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    SetColor(0xFFFFFF);
}

void TColorSwatch::SetColor(std::uint32_t rgb) {
    rgb_ = rgb & 0xFFFFFF;
    QPalette colors = palette();
    const QColor color(rgb_ & 0xFF, rgb_ >> 8 & 0xFF, rgb_ >> 16 & 0xFF);
    colors.setColor(QPalette::Active, QPalette::Window, color);
    colors.setColor(QPalette::Inactive, QPalette::Window, color);
    colors.setColor(QPalette::Disabled, QPalette::Window, color);
    setPalette(colors);
}

void TColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) OnClick();
}

void TColorSwatch::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && OnClick) {
        OnClick();
        return;
    }
    QLabel::keyPressEvent(event);
}

}  // namespace app
